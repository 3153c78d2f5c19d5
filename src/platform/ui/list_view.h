#pragma once
// The stand-in for the phone's "SysListView32" in the form the Inbox uses: virtual (it stores no
// items, only their count and states), owner-drawn with fixed rows, single column, no header.
//
// It is not a window of its own: it covers its owner's client area, paints when the owner paints
// (Paint), and sees the owner's key-downs (KeyDown) after its key filter has seen them, as a
// subclassed list view did. Invalidation (RedrawItems, selection changes, scrolling) is handed to
// the owner (InvalidateRect on the owner window), so the owner's UpdateWindow paints the list.
//
// States and marks follow the rules the Inbox relies on:
// - The selection mark is the item last chosen by the keys or, when no mark is set, the first item
//   given the selected state by SetItemState. DeleteAllItems clears it; DeleteItem moves it down
//   when an item before it goes and otherwise leaves it, so deleting the marked last item leaves
//   the mark past the end of the list.
// - Deleting the focused item leaves the focus at its place, on the item that moved up into it,
//   or just past the end when it was the last item.
// - Up and Down move the focus and the selection by one item (the first press with no focus
//   selects the first item; from past the end both select the last item), set the selection
//   mark and scroll the item into view.

#include <functional>
#include <set>

#include "platform/base/win_types.h"
#include "platform/gdi/painter.h"

namespace velora::platform {

// Item states (LVIS_*), also the mask bits of SetItemState.
inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;

// Owner-draw request (DRAWITEMSTRUCT as an owner-drawn list view sends it with WM_DRAWITEM).
inline constexpr UINT ODT_LISTVIEW = 102;
inline constexpr UINT ODS_SELECTED = 0x0001;
inline constexpr UINT ODS_FOCUS = 0x0010;

struct DRAWITEMSTRUCT {
    UINT CtlType = ODT_LISTVIEW;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;  // ODS_SELECTED, ODS_FOCUS
    HWND hwndItem = nullptr;
    Painter* hDC = nullptr;
    RECT rcItem;
};

class ListView {
  public:
    // Called once per visible item while painting; the callee draws rcItem on hDC.
    using DrawItemHandler = std::function<void(const DRAWITEMSTRUCT&)>;
    // Sees every key-down first; the list's own handling follows unconditionally.
    using KeyFilter = std::function<void(UINT virtualKey)>;
    // Marks part of the owner's client area for repainting (erase: fill white first).
    using Invalidate = std::function<void(const RECT& rect, BOOL erase)>;

    // `owner`: the window whose client area the list covers (handed to the owner-draw requests);
    // `bounds`: that area.
    ListView(HWND owner, UINT controlId, RECT bounds, int itemHeight, Invalidate invalidate);

    void SetDrawItemHandler(DrawItemHandler handler) { drawItem_ = std::move(handler); }
    void SetKeyFilter(KeyFilter filter) { keyFilter_ = std::move(filter); }

    // LVM_SETITEMCOUNT: states of items still inside the list are kept.
    void SetItemCount(int count);
    int GetItemCount() const { return count_; }
    // LVM_DELETEALLITEMS: count 0, no states, no selection mark, scrolled to the top.
    void DeleteAllItems();
    // LVM_DELETEITEM: the items after `index` move up one place, with their states.
    [[nodiscard]] bool DeleteItem(int index);
    // LVM_SETITEMSTATE: the bits of `mask` take their values from `state`. Focusing an item
    // takes the focus from the one that had it. Out-of-range items are refused.
    [[nodiscard]] bool SetItemState(int index, UINT state, UINT mask);
    UINT GetItemState(int index, UINT mask) const;
    // LVM_GETSELECTIONMARK / LVM_SETSELECTIONMARK; -1 when none.
    int GetSelectionMark() const { return selectionMark_; }
    int SetSelectionMark(int index);
    // LVM_REDRAWITEMS: invalidates the rows of items first..last on the owner (not erasing).
    void RedrawItems(int first, int last);
    // LVM_ENSUREVISIBLE: scrolls so the whole row of `index` is shown.
    [[nodiscard]] bool EnsureVisible(int index);
    int GetTopIndex() const { return topIndex_; }
    int GetCountPerPage() const;
    // The rectangle of item `index`'s row in the owner's client area (may lie outside it).
    RECT ItemRect(int index) const;

    // The list's part of the owner's WM_PAINT: owner-draws every item whose row meets `dirty`;
    // rows below the last item are filled white.
    void Paint(Painter& painter, const RECT& dirty);
    // A WM_KEYDOWN reaching the list: the filter first, then Up/Down.
    void KeyDown(UINT virtualKey);

  private:
    void InvalidateAll();
    void MoveFocus(int index);

    HWND owner_;
    Invalidate invalidate_;
    UINT controlId_;
    RECT bounds_;
    int itemHeight_;
    int count_ = 0;
    int topIndex_ = 0;
    int focused_ = -1;
    int selectionMark_ = -1;
    std::set<int> selected_;
    DrawItemHandler drawItem_;
    KeyFilter keyFilter_;
};

}  // namespace velora::platform
