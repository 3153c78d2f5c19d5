#include "inbox/inbox_window.h"

#include <QImage>

#include "platform/gdi/painter.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/screen.h"
#include "services/settings.h"

namespace velora::inbox {

using namespace velora::platform;

namespace {

constexpr UINT kSelectState = LVIS_FOCUSED | LVIS_SELECTED;
constexpr UINT kAllStates = 0xF;
constexpr COLORREF kWhite = RGB(255, 255, 255);
// Rows of one screen, whose separators every item drawing renews.
constexpr int kSeparatorRows[] = {35, 71, 107, 143, 179};

// A row's background, with the text colour of a selected row (ODS_SELECTED in `itemState`): the
// highlight colour when selected, else every second column from white towards half-way to the
// highlight colour.
void PaintRowBackground(Painter& image, UINT itemState) {
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const RECT whole{0, 0, kItemWidth, kItemHeight};
    if (itemState & ODS_SELECTED) {
        image.SetTextColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
        image.FillRect(whole, highlight);
        return;
    }
    image.FillRect(whole, kWhite);
    double red = 255.0, green = 255.0, blue = 255.0;
    for (int x = 0; x < kItemWidth - 1; x += 2) {
        const Pen before = image.SelectPen(
            CreatePen(1, RGB(static_cast<unsigned>(red) & 0xFF, static_cast<unsigned>(green) & 0xFF,
                             static_cast<unsigned>(blue) & 0xFF)));
        image.MoveTo(x, 0);
        image.LineTo(x, kItemHeight - 1);
        image.SelectPen(before);
        red += (GetRValue(highlight) - 255) / 176.0;
        green += (GetGValue(highlight) - 255) / 176.0;
        blue += (GetBValue(highlight) - 255) / 176.0;
    }
}

// The envelope (open once read) and the download or paper clip, white as the transparent
// colour, each drawn at its own size up to its box.
void DrawRowIcons(Painter& list, Painter& image, HINSTANCE instance, const InboxRow& row) {
    std::unique_ptr<Painter> icons = list.CreateCompatiblePainter();
    const auto drawIcon = [&](UINT id, int x, int y, int width, int height) {
        const QImage* picture = instance != nullptr ? instance->Bitmap(id) : nullptr;
        if (picture == nullptr) return;
        icons->SelectBitmap(std::make_shared<Bitmap>(*picture));
        const int w = std::min(width, picture->width());
        const int h = std::min(height, picture->height());
        image.TransparentImage(x, y, w, h, icons.get(), 0, 0, w, h, kWhite);
    };
    drawIcon(row.read ? kBitmapOpenEnvelope : kBitmapClosedEnvelope, 2, 3, 14, 14);
    if (row.markedForDownload) {
        drawIcon(kBitmapDownloadClip, 1, 19, 18, 16);
    } else if (row.hasAttachments) {
        drawIcon(kBitmapPaperClip, 3, 19, 9, 15);
    }
}

// The row's two lines of text, semibold while the message is unread.
void DrawRowText(Painter& image, const InboxRow& row, const std::u16string& line1,
                 const std::u16string& line2) {
    HFONT before;
    const bool bold = !row.read;
    if (bold) {
        LogFont font;
        font.height = -(11 * image.GetDeviceCaps(LOGPIXELSY)) / 72;
        font.weight = FW_SEMIBOLD;
        before = image.SelectFont(CreateFontIndirect(font));
    }
    image.SetBkMode(TRANSPARENT);
    image.ExtTextOut(21, 0, ETO_OPAQUE, nullptr, line1);
    image.ExtTextOut(21, 18, ETO_CLIPPED, nullptr, line2);
    image.SetBkMode(OPAQUE);
    if (bold) image.SelectFont(before);
}

}  // namespace

InboxWindow::InboxWindow(Screen& screen, HINSTANCE instance, InboxMessages& messages,
                         ReaderLink reader, AboutCommand about)
    : Window(screen, kInboxWindowTitle),
      instance_(instance),
      messages_(messages),
      reader_(std::move(reader)),
      about_(std::move(about)) {
    if (reader_.firstActivation == nullptr) reader_.firstActivation = &localFirstActivation_;
}

InboxWindow::~InboxWindow() = default;

LRESULT InboxWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_TIMER:
            if (wParam != kListTimer) return DefWindowProc(message, wParam, lParam);
            static_cast<void>(KillTimer(this, kListTimer));  // it runs: its message is here
            if (list_) {
                list_->DeleteAllItems();
                list_->SetItemCount(messages_.Count());
                SetFocus(this);
                if (messages_.Count() > 0) SelectItem(0);
            }
            return 1;
        case WM_PAINT:
            OnPaint();
            return 1;
        case WM_KEYDOWN:
            if (!list_) return DefWindowProc(message, wParam, lParam);
            list_->KeyDown(static_cast<UINT>(wParam));
            return 1;
        case WM_COMMAND:
            return OnCommand(wParam, lParam);
        case WM_ACTIVATE:
            return OnActivate(wParam);
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        case WM_QUIT:
            if (reader_.quit) reader_.quit();
            return 1;
        case WM_ENTERMENULOOP:
            return 1;
        case WM_EXITMENULOOP:
            if (reader_.showCurrentFrame) reader_.showCurrentFrame(this);
            return 1;
        default:
            return DefWindowProc(message, wParam, lParam);
    }
}

LRESULT InboxWindow::OnCreate() {
    RECT client;
    GetClientRect(this, &client);

    SHMENUBARINFO bar{};
    bar.cbSize = 36;
    bar.hwndParent = this;
    bar.nToolBarId = kInboxMenuBarId;
    bar.hInstRes = instance_;
    if (!SHCreateMenuBar(&bar)) return 0;  // the window goes on without a list
    menuBar_ = bar.hwndMB;
    ShowWindow(menuBar_, SW_SHOW);

    list_ = std::make_unique<ListView>(
        this, kListViewId, client, kItemHeight,
        [this](const RECT& rect, BOOL erase) { InvalidateRect(this, &rect, erase); });
    list_->SetDrawItemHandler([this](const DRAWITEMSTRUCT& item) { DrawItem(item); });
    list_->DeleteAllItems();
    list_->SetItemCount(messages_.Count());
    list_->SetKeyFilter([this](UINT key) { FilterKey(key); });

    SetFocus(this);
    if (messages_.Count() > 0) SelectItem(0);
    SetTimer(this, kListTimer, kListTimerMs);
    return 0;
}

int InboxWindow::SelectedIndex() const {
    if (!list_) return -1;
    const int mark = list_->GetSelectionMark();
    return mark >= 0 && mark < messages_.Count() ? mark : -1;
}

void InboxWindow::SelectItem(int index) {
    // Callers select rows of the list only; an index past its end is refused and changes nothing.
    static_cast<void>(list_->SetItemState(index, kSelectState, kAllStates));
}

void InboxWindow::RedrawAll() {
    list_->RedrawItems(0, list_->GetItemCount() - 1);
    UpdateWindow(this);
}

void InboxWindow::ReloadList() {
    messages_.Reload();
    list_->DeleteAllItems();
    list_->SetItemCount(messages_.Count());
    list_->RedrawItems(0, messages_.Count() - 1);
    SetFocus(this);
}

void InboxWindow::DeleteRow(int index) {
    messages_.Delete(index);
    static_cast<void>(list_->DeleteItem(index));  // a row of the list, like the message deleted
    if (messages_.Count() > 0) {
        SelectItem(index);
        static_cast<void>(list_->EnsureVisible(index));
    }
}

LRESULT InboxWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
        case kCommandRead:
        case IDOK:
            OpenMessageForReading();
            return 1;
        case kCommandReload:
            if (!list_) return 1;
            ReloadList();
            if (messages_.Count() > 0) SelectItem(0);
            UpdateWindow(this);
            return 1;
        case kCommandDelete: {
            const int index = SelectedIndex();
            if (index >= 0) DeleteRow(index);
            return 1;
        }
        case kCommandToggleRead: {
            const int index = SelectedIndex();
            if (index < 0) return 1;
            messages_.SetRead(index, !messages_.Row(index).read);
            list_->RedrawItems(index, index);
            UpdateWindow(this);
            return 1;
        }
        case kCommandToggleDownload: {
            const int index = SelectedIndex();
            if (index < 0) return 1;
            const InboxRow row = messages_.Row(index);
            if (!row.hasAttachments) return 1;
            messages_.SetDownloadMark(index, !row.markedForDownload);
            list_->RedrawItems(index, index);
            UpdateWindow(this);
            return 1;
        }
        case kCommandSortBySender:
        case kCommandSortByRead:
        case kCommandSortByDate:
            messages_.Sort(wParam == kCommandSortBySender ? SortKey::Sender
                           : wParam == kCommandSortByRead ? SortKey::Read
                                                          : SortKey::Date);
            if (list_) RedrawAll();
            return 1;
        case kCommandAbout:
            if (reader_.stopPlayback) reader_.stopPlayback();
            if (about_) about_(this);
            return 1;
        case 0:
            InvalidateRect(this, nullptr, TRUE);
            return 1;
        case kCommandNothing:
            return 1;
        default:
            return DefWindowProc(WM_COMMAND, wParam, lParam);
    }
}

void InboxWindow::OpenMessageForReading() {
    const int index = SelectedIndex();
    if (index >= 0) {
        messages_.SetRead(index, true);
        messages_.LoadMessageDocument(index);
    } else {
        messages_.LoadDefaultDocument();
    }
    if (reader_.readerWindow != nullptr) {
        UpdateWindow(reader_.readerWindow);
        ShowWindow(reader_.readerWindow, SW_SHOW);
    }
}

void InboxWindow::MarkSelectedUnread() {
    const int index = SelectedIndex();
    if (index >= 0) messages_.SetRead(index, false);
    ShowWindow(this, SW_SHOW);
}

void InboxWindow::DeleteSelectedFromReader() {
    const int index = SelectedIndex();
    if (index >= 0) DeleteRow(index);
    ShowWindow(this, SW_SHOW);
}

void InboxWindow::FilterKey(UINT virtualKey) {
    if (virtualKey == VK_RETURN) {
        OpenMessageForReading();
    } else if (virtualKey == VK_LEFT || virtualKey == VK_RIGHT) {
        showDates_ = !showDates_;
        RedrawAll();
    }
}

LRESULT InboxWindow::OnActivate(WPARAM wParam) {
    if (reader_.hideKeyHelp) reader_.hideKeyHelp();
    if (LOWORD(wParam) == WA_INACTIVE) {
        if (reader_.requestBacklight) reader_.requestBacklight(0);
        if (reader_.stopPlayback) reader_.stopPlayback();
        *reader_.firstActivation = true;
        return 1;
    }
    if (reader_.optionsMode && reader_.optionsMode()) {
        SendMessage(this, WM_COMMAND, kCommandRead, 0);
        return 1;
    }
    SetFocus(this);
    if (*reader_.firstActivation) {
        std::int32_t reload = 0;
        services::ReadReloadFlag(reload);
        if (reload == 1 && list_) {
            services::WriteReloadFlag(0);
            ReloadList();
            if (messages_.Count() > 0) SelectItem(0);
        }
        if (reader_.showCurrentFrame) reader_.showCurrentFrame(reader_.readerWindow);
        *reader_.firstActivation = false;
    } else if (reader_.collectWordFontAgain) {
        reader_.collectWordFontAgain();
    }
    return 1;
}

void InboxWindow::OnPaint() {
    PAINTSTRUCT paint;
    Painter* painter = BeginPaint(this, &paint);
    if (painter != nullptr && list_) list_->Paint(*painter, paint.rcPaint);
    EndPaint(this, &paint);
}

void InboxWindow::DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID >= static_cast<UINT>(messages_.Count())) return;
    const InboxRow row = messages_.Row(static_cast<int>(item.itemID));
    Painter& list = *item.hDC;
    // The row is drawn whole into an image of its own, then copied onto the list.
    std::unique_ptr<Painter> image = list.CreateCompatiblePainter();
    image->SelectBitmap(list.CreateCompatibleBitmap(kItemWidth, kItemHeight));
    const COLORREF listText = list.GetTextColor();
    const COLORREF listBackground = list.GetBkColor();

    PaintRowBackground(*image, item.itemState);
    DrawRowIcons(list, *image, instance_, row);
    // Sender over subject, each after its date or time when dates are shown.
    DrawRowText(*image, row, showDates_ ? row.dateText + row.sender : row.sender,
                showDates_ ? row.timeText + row.subject : row.subject);
    list.SetTextColor(listText);
    list.SetBkColor(listBackground);

    list.BitBlt(item.rcItem.left, item.rcItem.top, item.rcItem.Width(), item.rcItem.Height(),
                image.get(), 0, 0, SRCCOPY);
    for (int y : kSeparatorRows) {
        list.MoveTo(0, y);
        list.LineTo(kItemWidth, y);
    }
}

}  // namespace velora::inbox
