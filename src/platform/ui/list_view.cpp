#include "platform/ui/list_view.h"

#include <algorithm>

namespace velora::platform {

ListView::ListView(HWND owner, UINT controlId, RECT bounds, int itemHeight, Invalidate invalidate)
    : owner_(owner),
      invalidate_(std::move(invalidate)),
      controlId_(controlId),
      bounds_(bounds),
      itemHeight_(std::max(1, itemHeight)) {}

int ListView::GetCountPerPage() const {
    return std::max(1, bounds_.Height() / itemHeight_);
}

RECT ListView::ItemRect(int index) const {
    const int top = bounds_.top + (index - topIndex_) * itemHeight_;
    return RECT{bounds_.left, top, bounds_.right, top + itemHeight_};
}

void ListView::InvalidateAll() {
    if (invalidate_) invalidate_(bounds_, TRUE);
}

void ListView::SetItemCount(int count) {
    count_ = std::max(0, count);
    std::erase_if(selected_, [this](int index) { return index >= count_; });
    if (focused_ >= count_) focused_ = -1;
    // Keep the last page full when the list shrank below the scrolled position.
    topIndex_ = std::clamp(topIndex_, 0, std::max(0, count_ - GetCountPerPage()));
    InvalidateAll();
}

void ListView::DeleteAllItems() {
    count_ = 0;
    topIndex_ = 0;
    focused_ = -1;
    selectionMark_ = -1;
    selected_.clear();
    InvalidateAll();
}

bool ListView::DeleteItem(int index) {
    if (index < 0 || index >= count_) return false;
    --count_;
    std::set<int> moved;
    for (int item : selected_) {
        if (item < index) moved.insert(item);
        if (item > index) moved.insert(item - 1);
    }
    selected_ = std::move(moved);
    if (focused_ > index) --focused_;
    if (selectionMark_ > index) --selectionMark_;
    topIndex_ = std::clamp(topIndex_, 0, std::max(0, count_ - GetCountPerPage()));
    InvalidateAll();
    return true;
}

bool ListView::SetItemState(int index, UINT state, UINT mask) {
    if (index < 0 || index >= count_) return false;
    if (mask & LVIS_FOCUSED) {
        const int before = focused_;
        if (state & LVIS_FOCUSED)
            focused_ = index;
        else if (focused_ == index)
            focused_ = -1;
        if (before != focused_ && before >= 0) RedrawItems(before, before);
    }
    if (mask & LVIS_SELECTED) {
        if (state & LVIS_SELECTED) {
            selected_.insert(index);
            if (selectionMark_ == -1) selectionMark_ = index;
        } else {
            selected_.erase(index);
        }
    }
    RedrawItems(index, index);
    return true;
}

UINT ListView::GetItemState(int index, UINT mask) const {
    if (index < 0 || index >= count_) return 0;
    UINT state = 0;
    if (focused_ == index) state |= LVIS_FOCUSED;
    if (selected_.contains(index)) state |= LVIS_SELECTED;
    return state & mask;
}

int ListView::SetSelectionMark(int index) {
    const int before = selectionMark_;
    selectionMark_ = index;
    return before;
}

void ListView::RedrawItems(int first, int last) {
    if (!invalidate_ || count_ == 0) return;
    first = std::max(first, topIndex_);
    last = std::min({last, count_ - 1, topIndex_ + GetCountPerPage()});
    if (first > last) return;
    RECT rows = ItemRect(first);
    rows.bottom = std::min(ItemRect(last).bottom, bounds_.bottom);
    invalidate_(rows, FALSE);
}

bool ListView::EnsureVisible(int index) {
    if (index < 0 || index >= count_) return false;
    const int page = GetCountPerPage();
    int top = topIndex_;
    if (index < top)
        top = index;
    else if (index >= top + page)
        top = index - page + 1;
    if (top != topIndex_) {
        topIndex_ = top;
        InvalidateAll();
    }
    return true;
}

void ListView::Paint(Painter& painter, const RECT& dirty) {
    const int page = GetCountPerPage();
    // One row more than a page: a row partly shown at the bottom edge.
    for (int row = 0; row <= page; ++row) {
        const int index = topIndex_ + row;
        RECT rect = ItemRect(index);
        if (rect.top >= bounds_.bottom) break;
        if (rect.bottom <= dirty.top || rect.top >= dirty.bottom) continue;
        if (index >= count_) {
            rect.bottom = bounds_.bottom;
            painter.FillRect(rect, RGB(255, 255, 255));
            break;
        }
        if (!drawItem_) continue;
        DRAWITEMSTRUCT item;
        item.CtlID = controlId_;
        item.itemID = static_cast<UINT>(index);
        item.itemState =
            (selected_.contains(index) ? ODS_SELECTED : 0) | (focused_ == index ? ODS_FOCUS : 0);
        item.hwndItem = owner_;
        item.hDC = &painter;
        item.rcItem = rect;
        drawItem_(item);
    }
}

void ListView::MoveFocus(int index) {
    for (int item : selected_) RedrawItems(item, item);
    selected_.clear();
    if (focused_ >= 0) RedrawItems(focused_, focused_);
    focused_ = index;
    selected_.insert(index);
    selectionMark_ = index;
    static_cast<void>(EnsureVisible(index));  // callers move the focus to items in range only
    RedrawItems(index, index);
}

void ListView::KeyDown(UINT virtualKey) {
    if (keyFilter_) keyFilter_(virtualKey);
    if (count_ == 0) return;
    if (virtualKey == VK_DOWN) {
        MoveFocus(focused_ < 0 ? 0 : std::min(focused_ + 1, count_ - 1));
    } else if (virtualKey == VK_UP) {
        MoveFocus(focused_ < 0 ? 0 : std::clamp(focused_ - 1, 0, count_ - 1));
    }
}

}  // namespace velora::platform
