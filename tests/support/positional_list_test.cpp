#include "support/positional_list.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    auto list = ListOf({10, 20, 30});
    std::uint32_t* element = nullptr;
    EXPECT_EQ(list.Get(5, element), kListOutOfRange);
    EXPECT_EQ(*element, 0xDEADu) << "the empty record stands in";
    EXPECT_EQ(list.CursorPosition(), 3) << "a failed access leaves the cursor";
    EXPECT_EQ(list.Get(1, element), kListOk);
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
        EXPECT_EQ(*list.Find(index), static_cast<std::uint32_t>(index) * 10) << index;
        EXPECT_EQ(list.CursorPosition(), index + 1);
    }
}

TEST(PositionalList, RemovalsRespectTheBaseIndexAndMoveTheCursor) {
    auto list = ListOf({0, 1, 2, 3, 4, 5});
    list.SetBaseIndex(10);
    EXPECT_EQ(list.RemoveAt(10), kListOk);
    EXPECT_EQ(list.RemoveAt(12), kListOk);
    EXPECT_EQ(list.CursorPosition(), 3) << "the following node takes the position";
    EXPECT_EQ(list.RemoveAt(13), kListOk);  // the last
    EXPECT_EQ(list.RemoveFirst(), kListOk);
    EXPECT_EQ(Contents(list), (std::vector<std::uint32_t>{2, 4}));
    EXPECT_EQ(list.RemoveLast(), kListOk);
    EXPECT_EQ(list.RemoveLast(), kListOk);
    EXPECT_EQ(list.CursorPosition(), 0);
    EXPECT_EQ(list.RemoveFirst(), kListOutOfRange);
    EXPECT_EQ(list.RemoveLast(), kListOutOfRange);
}

TEST(PositionalList, OwnedElementsAreDestroyedWithTheirNodes) {
    // Each element holds a share of `tracker`, so its use count tells how many are alive.
    auto tracker = std::make_shared<int>(0);
    using Owned = std::pair<int, std::shared_ptr<int>>;
    {
        PositionalList<std::unique_ptr<Owned>> list;
        for (int key : {3, 1, 2, 5}) list.Append(std::make_unique<Owned>(key, tracker));
        EXPECT_EQ(list.RemoveAt(1), kListOk);
        EXPECT_EQ(tracker.use_count(), 4);
        list.SetCompare([](const Owned* a, const Owned* b) { return a->first - b->first; });
        list.Sort(SortDirection::Ascending);
        EXPECT_EQ((*list.Find(0))->first, 2);
    }
    EXPECT_EQ(tracker.use_count(), 1) << "tearing the list down destroys what is left";
}

TEST(PositionalListSort, UnsignedDefault) {
    // Unsigned: 0xFFFFFFFF (-1 as a signed number) is the greatest.
    auto list = ListOf({0x80000000u, 0, 0xFFFFFFFFu, 5});
    list.Sort(SortDirection::Descending);
    EXPECT_EQ(list.CursorPosition(), 1) << "the sort leaves the cursor on the first node";
    EXPECT_EQ(Contents(list), (std::vector<std::uint32_t>{0xFFFFFFFFu, 0x80000000u, 5, 0}));
}

struct Keyed {
    int key;
    char tag;
};

std::string SortedTags(SortDirection direction) {
    PositionalList<Keyed> list;
    list.SetCompare([](const Keyed& a, const Keyed& b) { return a.key - b.key; });
    for (const Keyed& value : {Keyed{1, 'a'}, {0, 'b'}, {1, 'c'}, {0, 'd'}, {1, 'e'}}) {
        list.Append(value);
    }
    list.Sort(direction);
    std::string tags;
    for (const Keyed& element : Contents(list)) tags += element.tag;
    return tags;
}

TEST(PositionalListSort, EqualKeysEndInTheOrderTheAlgorithmGivesThem) {
    // Worked by hand, keys 1 0 1 0 1 tagged a b c d e.
    // Ascending: (0,4) pivot c: swap 0,4 -> e b c d a; i scans past b, swap 2,3 -> e b d c a; the
    // right part (3,4) is shorter: pivot c, swap 3,4 -> e b d a c; then (0,2) pivot b: swap 0,2
    // -> d b e a c.
    EXPECT_EQ(SortedTags(SortDirection::Ascending), "dbeac");
    // Descending: (0,4) pivot c: swap 0,4 -> e b c d a; j steps back over d, swap 1,2 ->
    // e c b d a; the left part (0,1) is shorter: pivot e, swap -> c e b d a; then (2,4) pivot d:
    // swap 2,4 -> c e a d b.
    EXPECT_EQ(SortedTags(SortDirection::Descending), "ceadb");
}

TEST(PositionalListSort, LargeInputsSortCorrectly) {
    PositionalList<std::uint32_t> list;
    std::uint32_t seed = 1;
    for (std::uint32_t k = 0; k < 20000; ++k) {
        seed = seed * 1664525u + 1013904223u;
        list.Append(seed % 97);  // many equal keys
    }
    list.Sort(SortDirection::Ascending);
    const std::vector<std::uint32_t> sorted = Contents(list);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
    // Already sorted input keeps the depth within the fixed stack.
    PositionalList<std::uint32_t> ordered;
    for (std::uint32_t k = 0; k < 50000; ++k) ordered.Append(k);
    ordered.Sort(SortDirection::Descending);
    EXPECT_EQ(*ordered.Find(0), 49999u);
}

}  // namespace
}  // namespace velora::support
