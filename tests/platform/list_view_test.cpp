#include "platform/ui/list_view.h"

#include <gtest/gtest.h>

#include <vector>

namespace velora::platform {
namespace {

constexpr UINT kSelect = LVIS_FOCUSED | LVIS_SELECTED;

// A list of 36-pixel rows over a 180-pixel client area (five rows a page), without an owner.
ListView MakeList(int count) {
    ListView list(nullptr, 100, RECT{0, 0, 176, 180}, 36, nullptr);
    list.SetItemCount(count);
    return list;
}

TEST(ListView, FirstProgrammaticSelectionSetsTheMarkLaterOnesDoNot) {
    ListView list = MakeList(10);
    EXPECT_EQ(list.GetSelectionMark(), -1);
    ASSERT_TRUE(list.SetItemState(3, kSelect, 0xF));
    EXPECT_EQ(list.GetSelectionMark(), 3);
    EXPECT_TRUE(list.SetItemState(5, kSelect, 0xF));
    EXPECT_EQ(list.GetSelectionMark(), 3);
    // Focus moved to 5; item 3 is still selected (the list allows several).
    EXPECT_EQ(list.GetItemState(3, 0xF), LVIS_SELECTED);
    EXPECT_EQ(list.GetItemState(5, 0xF), kSelect);
    EXPECT_FALSE(list.SetItemState(10, kSelect, 0xF));
}

TEST(ListView, DeleteAllItemsForgetsEverything) {
    ListView list = MakeList(10);
    EXPECT_TRUE(list.SetItemState(4, kSelect, 0xF));
    EXPECT_TRUE(list.EnsureVisible(9));
    list.DeleteAllItems();
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetSelectionMark(), -1);
    EXPECT_EQ(list.GetTopIndex(), 0);
    list.SetItemCount(10);
    EXPECT_EQ(list.GetItemState(4, 0xF), 0u);
}

struct DeleteCase {
    const char* name;
    int count;
    int mark;
    int deleted;
    int expectedMark;
};

TEST(ListView, DeleteItemMovesTheMarkOnlyWhenAnEarlierItemGoes) {
    const DeleteCase cases[] = {
        {"earlier item", 5, 3, 1, 2},
        {"the marked item", 5, 3, 3, 3},
        {"the marked last item leaves the mark past the end", 5, 4, 4, 4},
        {"later item", 5, 1, 3, 1},
    };
    for (const DeleteCase& c : cases) {
        ListView list = MakeList(c.count);
        EXPECT_TRUE(list.SetItemState(c.mark, kSelect, 0xF));
        ASSERT_TRUE(list.DeleteItem(c.deleted)) << c.name;
        EXPECT_EQ(list.GetItemCount(), c.count - 1) << c.name;
        EXPECT_EQ(list.GetSelectionMark(), c.expectedMark) << c.name;
    }
    // The states of later items move up with them.
    ListView list = MakeList(5);
    EXPECT_TRUE(list.SetItemState(3, kSelect, 0xF));
    EXPECT_TRUE(list.DeleteItem(1));
    EXPECT_EQ(list.GetItemState(2, 0xF), kSelect);
    EXPECT_EQ(list.GetItemState(3, 0xF), 0u);
    EXPECT_FALSE(list.DeleteItem(4));
    EXPECT_FALSE(list.DeleteItem(-1));
}

TEST(ListView, UpAndDownMoveTheSelectionAndTheMark) {
    ListView list = MakeList(7);
    list.KeyDown(VK_DOWN);  // nothing focused: the first item
    EXPECT_EQ(list.GetSelectionMark(), 0);
    for (int i = 0; i < 10; ++i) list.KeyDown(VK_DOWN);
    EXPECT_EQ(list.GetSelectionMark(), 6);
    EXPECT_EQ(list.GetItemState(6, 0xF), kSelect);
    EXPECT_EQ(list.GetItemState(5, 0xF), 0u);
    EXPECT_EQ(list.GetTopIndex(), 2);  // the last row scrolled into a five-row page
    list.KeyDown(VK_UP);
    EXPECT_EQ(list.GetSelectionMark(), 5);
    for (int i = 0; i < 10; ++i) list.KeyDown(VK_UP);
    EXPECT_EQ(list.GetSelectionMark(), 0);
    EXPECT_EQ(list.GetTopIndex(), 0);
}

TEST(ListView, UpAfterTheFocusedLastItemIsDeletedSelectsTheNewLastItem) {
    ListView list = MakeList(7);
    for (int i = 0; i < 7; ++i) list.KeyDown(VK_DOWN);
    ASSERT_TRUE(list.DeleteItem(6));
    list.KeyDown(VK_UP);
    EXPECT_EQ(list.GetSelectionMark(), 5);
}

TEST(ListView, KeyFilterSeesEveryKeyBeforeTheList) {
    ListView list = MakeList(3);
    std::vector<std::pair<UINT, int>> seen;  // key, selection mark when the filter saw it
    list.SetKeyFilter([&](UINT key) { seen.emplace_back(key, list.GetSelectionMark()); });
    list.KeyDown(VK_DOWN);
    list.KeyDown(VK_RETURN);
    list.KeyDown(VK_LEFT);
    const std::vector<std::pair<UINT, int>> expected = {
        {VK_DOWN, -1}, {VK_RETURN, 0}, {VK_LEFT, 0}};
    EXPECT_EQ(seen, expected);
    // An empty list still passes keys through the filter.
    ListView empty = MakeList(0);
    int keys = 0;
    empty.SetKeyFilter([&](UINT) { ++keys; });
    empty.KeyDown(VK_DOWN);
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(empty.GetSelectionMark(), -1);
}

TEST(ListView, EnsureVisibleScrollsTheLeastAndShrinkingKeepsThePageFull) {
    ListView list = MakeList(20);
    EXPECT_EQ(list.GetCountPerPage(), 5);
    EXPECT_TRUE(list.EnsureVisible(12));
    EXPECT_EQ(list.GetTopIndex(), 8);
    EXPECT_TRUE(list.EnsureVisible(10));
    EXPECT_EQ(list.GetTopIndex(), 8);
    EXPECT_TRUE(list.EnsureVisible(3));
    EXPECT_EQ(list.GetTopIndex(), 3);
    EXPECT_EQ(list.ItemRect(4).top, 36);
    EXPECT_TRUE(list.EnsureVisible(19));
    list.SetItemCount(17);
    EXPECT_EQ(list.GetTopIndex(), 12);
    list.SetItemCount(2);
    EXPECT_EQ(list.GetTopIndex(), 0);
}

TEST(ListView, RedrawItemsInvalidatesOnlyTheVisibleRows) {
    std::vector<std::pair<RECT, BOOL>> invalid;
    ListView list(nullptr, 100, RECT{0, 0, 176, 180}, 36,
                  [&](const RECT& rect, BOOL erase) { invalid.emplace_back(rect, erase); });
    list.SetItemCount(20);
    invalid.clear();
    list.RedrawItems(3, 10);
    list.RedrawItems(7, 9);  // below the page: nothing
    ASSERT_EQ(invalid.size(), 1u);
    EXPECT_EQ(invalid[0].first, (RECT{0, 108, 176, 180}));
    EXPECT_EQ(invalid[0].second, FALSE);
}

}  // namespace
}  // namespace velora::platform
