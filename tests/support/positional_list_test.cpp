#include "support/positional_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velora::support {
namespace {

template <typename T>
std::vector<T> Contents(PositionalList<T>& list) {
    std::vector<T> values;
    for (std::int32_t index = 0; index < list.Count(); ++index) {
        values.push_back(*list.Find(list.BaseIndex() + index));
    }
    return values;
}

PositionalList<std::uint32_t> ListOf(std::initializer_list<std::uint32_t> values) {
    PositionalList<std::uint32_t> list(0xDEADu);
    for (const std::uint32_t value : values) list.Append(value);
    return list;
}

TEST(PositionalList, GetByIndexMovesTheCursorAndFailsOutsideTheRange) {
    PositionalList<std::uint32_t> list(0xDEADu);
    std::uint32_t* element = nullptr;
    EXPECT_EQ(list.Get(0, element), kListOutOfRange);
    EXPECT_EQ(*element, 0xDEADu);
    for (std::uint32_t value : {10u, 20u, 30u}) list.Append(value);
    EXPECT_EQ(list.CursorPosition(), 3);

    EXPECT_EQ(list.Get(5, element), kListOutOfRange);
    EXPECT_EQ(*element, 0xDEADu) << "the empty record stands in";
    EXPECT_EQ(list.Get(-1, element), kListOutOfRange);
    EXPECT_EQ(list.CursorPosition(), 3) << "a failed access leaves the cursor";

    EXPECT_EQ(list.Get(1, element), kListOk);
    EXPECT_EQ(*element, 20u);
    EXPECT_EQ(list.CursorPosition(), 2);
    *element = 21;  // elements are reached in place
    EXPECT_EQ(*list.Find(1), 21u);
}

TEST(PositionalList, EveryWalkDirectionReachesTheRightElement) {
    PositionalList<std::uint32_t> list;
    for (std::uint32_t value = 0; value < 20; ++value) list.Append(value * 10);
    // Cursor moves chosen to take each branch of the node search: the first, the cursor, its
    // neighbours, the last, backwards from the cursor, forwards from the first, backwards from
    // the last and forwards from the cursor.
    const std::int32_t path[] = {0, 9, 9, 10, 9, 19, 15, 3, 2, 17, 5, 11, 18, 12};
    for (const std::int32_t index : path) {
        std::uint32_t* element = nullptr;
        ASSERT_EQ(list.Get(index, element), kListOk) << index;
        EXPECT_EQ(*element, static_cast<std::uint32_t>(index) * 10) << index;
        EXPECT_EQ(list.CursorPosition(), index + 1);
    }
}

TEST(PositionalList, BaseIndexShiftsExternalIndices) {
    auto list = ListOf({1, 2, 3});
    list.SetBaseIndex(10);
    std::uint32_t* element = nullptr;
    EXPECT_EQ(list.Get(9, element), kListOutOfRange);
    EXPECT_EQ(list.Get(12, element), kListOk);
    EXPECT_EQ(*element, 3u);
    EXPECT_EQ(list.RemoveAt(10), kListOk);
    EXPECT_EQ(list.Find(0), nullptr) << "indices below the base reach nothing";
    EXPECT_EQ(Contents(list), (std::vector<std::uint32_t>{2, 3}));
}

TEST(PositionalList, Removals) {
    auto list = ListOf({0, 1, 2, 3, 4, 5});
    EXPECT_EQ(list.RemoveAt(0), kListOk);
    EXPECT_EQ(list.RemoveAt(5), kListOutOfRange);
    EXPECT_EQ(list.RemoveAt(2), kListOk);
    EXPECT_EQ(list.CursorPosition(), 3) << "the following node takes the position";
    EXPECT_EQ(Contents(list), (std::vector<std::uint32_t>{1, 2, 4, 5}));
    EXPECT_EQ(list.RemoveAt(3), kListOk);  // the last
    EXPECT_EQ(list.CursorPosition(), 3);
    EXPECT_EQ(list.RemoveFirst(), kListOk);
    EXPECT_EQ(list.CursorPosition(), 1);
    EXPECT_EQ(Contents(list), (std::vector<std::uint32_t>{2, 4}));
    EXPECT_EQ(list.RemoveLast(), kListOk);
    EXPECT_EQ(list.RemoveLast(), kListOk);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.CursorPosition(), 0);
    EXPECT_EQ(list.RemoveFirst(), kListOutOfRange);
    EXPECT_EQ(list.RemoveLast(), kListOutOfRange);
    EXPECT_EQ(list.RemoveAt(0), kListOutOfRange);

    list.Append(7);
    EXPECT_EQ(Contents(list), (std::vector<std::uint32_t>{7}));
    list.Clear();
    EXPECT_TRUE(list.Empty());
    std::uint32_t* element = nullptr;
    EXPECT_EQ(list.Get(0, element), kListOutOfRange);
    EXPECT_EQ(*element, 0xDEADu) << "clearing keeps the empty record";
}

TEST(PositionalList, OwnedElementsAreDestroyedWithTheirNodes) {
    auto alive = std::make_shared<int>(0);
    struct Tracked {
        std::shared_ptr<int> counter;
        int key;
        explicit Tracked(std::shared_ptr<int> c, int k) : counter(std::move(c)), key(k) {
            ++*counter;
        }
        ~Tracked() { --*counter; }
    };
    {
        PositionalList<std::unique_ptr<Tracked>> list;
        for (int key : {3, 1, 2, 5}) list.Append(std::make_unique<Tracked>(alive, key));
        EXPECT_EQ(*alive, 4);
        EXPECT_EQ(list.RemoveAt(1), kListOk);
        EXPECT_EQ(*alive, 3);
        // The only element removed keeps the compare routine: sorting still works afterwards.
        list.SetCompare([](const Tracked* a, const Tracked* b) { return a->key - b->key; });
        EXPECT_EQ(list.RemoveFirst(), kListOk);
        EXPECT_EQ(list.RemoveFirst(), kListOk);
        EXPECT_EQ(list.RemoveFirst(), kListOk);
        EXPECT_EQ(*alive, 0);
        for (int key : {9, 4, 6}) list.Append(std::make_unique<Tracked>(alive, key));
        list.Sort(SortDirection::Ascending);
        EXPECT_EQ((*list.Find(0))->key, 4);
        EXPECT_EQ((*list.Find(2))->key, 9);
    }
    EXPECT_EQ(*alive, 0) << "tearing the list down destroys what is left";
}

TEST(PositionalListSort, UnsignedDefaultInBothDirections) {
    auto list = ListOf({3, 1, 2});
    list.Find(2);
    list.Sort(SortDirection::Ascending);
    EXPECT_EQ(list.CursorPosition(), 1) << "the sort leaves the cursor on the first node";
    EXPECT_EQ(Contents(list), (std::vector<std::uint32_t>{1, 2, 3}));
    list.Sort(SortDirection::Descending);
    EXPECT_EQ(Contents(list), (std::vector<std::uint32_t>{3, 2, 1}));

    // Unsigned: 0xFFFFFFFF (-1 as a signed number) is the greatest.
    auto wide = ListOf({0xFFFFFFFFu, 0, 0x80000000u, 5});
    wide.Sort(SortDirection::Ascending);
    EXPECT_EQ(Contents(wide), (std::vector<std::uint32_t>{0, 5, 0x80000000u, 0xFFFFFFFFu}));
}

struct Keyed {
    int key;
    char tag;
    bool operator==(const Keyed&) const = default;
};

std::string Tags(PositionalList<Keyed>& list) {
    std::string tags;
    for (const Keyed& element : Contents(list)) tags += element.tag;
    return tags;
}

PositionalList<Keyed> KeyedList(std::initializer_list<Keyed> values) {
    PositionalList<Keyed> list;
    list.SetCompare([](const Keyed& a, const Keyed& b) { return a.key - b.key; });
    for (const Keyed& value : values) list.Append(value);
    return list;
}

TEST(PositionalListSort, EqualKeysEndInTheOrderTheAlgorithmGivesThem) {
    // Worked by hand, keys 1 0 1 0 1 tagged a b c d e.
    // Ascending: (0,4) pivot c: swap 0,4 -> e b c d a; i scans past b, swap 2,3 -> e b d c a; the
    // right part (3,4) is shorter: pivot c, swap 3,4 -> e b d a c; then (0,2) pivot b: swap 0,2
    // -> d b e a c.
    auto ascending = KeyedList({{1, 'a'}, {0, 'b'}, {1, 'c'}, {0, 'd'}, {1, 'e'}});
    ascending.Sort(SortDirection::Ascending);
    EXPECT_EQ(Tags(ascending), "dbeac");

    // Descending: (0,4) pivot c: swap 0,4 -> e b c d a; j steps back over d, swap 1,2 ->
    // e c b d a; the left part (0,1) is shorter: pivot e, swap -> c e b d a; then (2,4) pivot d:
    // swap 2,4 -> c e a d b.
    auto descending = KeyedList({{1, 'a'}, {0, 'b'}, {1, 'c'}, {0, 'd'}, {1, 'e'}});
    descending.Sort(SortDirection::Descending);
    EXPECT_EQ(Tags(descending), "ceadb");

    // All keys equal, a b c d: (0,3) pivot b swaps 0,3 and 1,2 -> d c b a; the parts are equal,
    // so (0,1) waits and (2,3) with pivot b swaps -> d c a b; then (0,1) with pivot d swaps
    // -> c d a b.
    auto same = KeyedList({{0, 'a'}, {0, 'b'}, {0, 'c'}, {0, 'd'}});
    same.Sort(SortDirection::Ascending);
    EXPECT_EQ(Tags(same), "cdab");
}

TEST(PositionalListSort, LargeInputsSortCorrectly) {
    for (const std::uint32_t count : {1u, 2u, 3u, 17u, 1000u, 20000u}) {
        PositionalList<std::uint32_t> list;
        std::vector<std::uint32_t> expected;
        std::uint32_t seed = count;
        for (std::uint32_t k = 0; k < count; ++k) {
            seed = seed * 1664525u + 1013904223u;
            list.Append(seed % 97);  // many equal keys
            expected.push_back(seed % 97);
        }
        std::sort(expected.begin(), expected.end());
        list.Sort(SortDirection::Ascending);
        EXPECT_EQ(Contents(list), expected) << count;
        list.Sort(SortDirection::Descending);
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(Contents(list), expected) << count;
    }
    // Already sorted input of every length keeps the depth within the fixed stack.
    PositionalList<std::uint32_t> sorted;
    for (std::uint32_t k = 0; k < 50000; ++k) sorted.Append(k);
    sorted.Sort(SortDirection::Descending);
    EXPECT_EQ(*sorted.Find(0), 49999u);
}

}  // namespace
}  // namespace velora::support
