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
    EXPECT_FALSE(list.DeleteItem(4));
    EXPECT_FALSE(list.DeleteItem(-1));
}

TEST(ListView, UpAfterTheFocusedLastItemIsDeletedSelectsTheNewLastItem) {
    ListView list = MakeList(7);
    for (int i = 0; i < 7; ++i) list.KeyDown(VK_DOWN);
    ASSERT_TRUE(list.DeleteItem(6));
    list.KeyDown(VK_UP);
    EXPECT_EQ(list.GetSelectionMark(), 5);
}

}  // namespace
}  // namespace velora::platform
