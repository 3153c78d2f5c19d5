#include "services/dialog_window.h"

#include <algorithm>

#include "platform/gdi/painter.h"
#include "platform/ui/screen.h"

namespace velora::services {

using namespace velora::platform;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kCheckBoxSize = 11;
// A WM_KEYDOWN whose previous-state bit is set repeats a key being held.
constexpr LPARAM kKeyWasDown = LPARAM{1} << 30;

RECT ToPixels(const DialogControl& control) {
    const int left = control.x * 7 / 4;
    const int top = control.y * 15 / 8;
    return RECT{left, top, left + control.cx * 7 / 4, top + control.cy * 15 / 8};
}

bool IsEdit(const DialogControl& control) {
    return control.className == u"EDIT";
}
bool IsCheckBox(const DialogControl& control) {
    return control.className == u"BUTTON" && (control.style & 0xF) == BS_AUTOCHECKBOX;
}
bool IsMultiLine(const DialogControl& control) {
    return IsEdit(control) && (control.style & ES_MULTILINE) != 0;
}

}  // namespace

DialogWindow::DialogWindow(Screen& screen, const DialogTemplate& dialogTemplate, HWND owner,
                           DialogProcedure procedure)
    : Window(screen, dialogTemplate.title, Kind::Dialog, owner), procedure_(std::move(procedure)) {
    for (const DialogControl& source : dialogTemplate.controls) {
        Control control;
        control.source = source;
        control.rect = ToPixels(source);
        control.text = IsEdit(source) ? std::u16string() : source.text;
        controls_.push_back(std::move(control));
    }
    for (std::size_t i = 0; i < controls_.size() && focus_ < 0; ++i) {
        if (Focusable(controls_[i])) focus_ = static_cast<int>(i);
    }
}

DialogWindow::~DialogWindow() = default;

LRESULT DialogWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (procedure_ && message != WM_PAINT && procedure_(*this, message, wParam, lParam) != 0) {
        return TRUE;
    }
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) SetFocus(this);
            return 0;
        case WM_SETTEXT:
            return DefWindowProc(message, wParam, lParam);
        case WM_KEYDOWN: {
            Control* focused = focus_ >= 0 ? &controls_[focus_] : nullptr;
            const UINT key = static_cast<UINT>(wParam);
            if (key == VK_UP || key == VK_DOWN) {
                const int step = key == VK_UP ? -1 : 1;
                if (focused != nullptr && IsMultiLine(focused->source)) {
                    focused->scrollLine = std::max(0, focused->scrollLine + step);
                    InvalidateControl(*focused);
                } else {
                    MoveFocus(step);
                }
            } else if (key == VK_RETURN) {
                if (focused != nullptr && IsCheckBox(focused->source)) {
                    focused->checked = !focused->checked;
                    InvalidateControl(*focused);
                } else {
                    SendMessage(this, WM_COMMAND, IDOK, 0);
                }
            } else if (key == VK_BACK && focused != nullptr && IsEdit(focused->source)) {
                EditKey(*focused, key, lParam);
            }
            UpdateWindow(this);
            return 0;
        }
        case WM_CHAR: {
            Control* focused = focus_ >= 0 ? &controls_[focus_] : nullptr;
            const auto character = static_cast<char16_t>(wParam);
            if (focused == nullptr || !IsEdit(focused->source) || IsMultiLine(focused->source) ||
                character < u' ' || character == 0x7F) {
                return 0;
            }
            if (focused->selectedAll) focused->text.clear();
            focused->selectedAll = false;
            focused->text.push_back(character);
            InvalidateControl(*focused);
            UpdateWindow(this);
            return 0;
        }
        default:
            return DefWindowProc(message, wParam, lParam);
    }
}

void DialogWindow::EndDialog(INT_PTR result) {
    const bool running = !ended_ && IsWindowVisible(this);
    ended_ = true;
    result_ = result;
    if (running) GetScreen().EndModal(this, result);
}

DialogWindow::Control* DialogWindow::Find(int id) {
    for (Control& control : controls_) {
        if (control.source.id == id && id != -1) return &control;
    }
    return nullptr;
}

const DialogWindow::Control* DialogWindow::Find(int id) const {
    return const_cast<DialogWindow*>(this)->Find(id);
}

bool DialogWindow::SetItemText(int id, std::u16string_view text) {
    Control* control = Find(id);
    if (control == nullptr) return false;
    control->text = std::u16string(text);
    control->selectedAll = false;
    control->scrollLine = 0;
    InvalidateControl(*control);
    return true;
}

std::u16string DialogWindow::ItemText(int id) const {
    const Control* control = Find(id);
    return control != nullptr ? control->text : std::u16string();
}

UINT DialogWindow::IsButtonChecked(int id) const {
    const Control* control = Find(id);
    return control != nullptr && control->checked ? BST_CHECKED : BST_UNCHECKED;
}

void DialogWindow::CheckButton(int id, UINT check) {
    if (Control* control = Find(id)) {
        control->checked = check == BST_CHECKED;
        InvalidateControl(*control);
    }
}

void DialogWindow::FocusControl(int id) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].source.id == id && id != -1) {
            if (focus_ >= 0) InvalidateControl(controls_[focus_]);
            focus_ = static_cast<int>(i);
            InvalidateControl(controls_[i]);
        }
    }
}

int DialogWindow::FocusedControl() const {
    return focus_ >= 0 ? controls_[focus_].source.id : -1;
}

void DialogWindow::SelectText(int id, int start, int end) {
    if (Control* control = Find(id)) {
        control->selectedAll = start == 0 && end == -1 && !control->text.empty();
        InvalidateControl(*control);
    }
}

bool DialogWindow::Focusable(const Control& control) const {
    return (control.source.style & WS_TABSTOP) != 0 || IsMultiLine(control.source);
}

void DialogWindow::MoveFocus(int step) {
    if (focus_ < 0) return;
    for (int i = focus_ + step; i >= 0 && i < static_cast<int>(controls_.size()); i += step) {
        if (Focusable(controls_[i])) {
            InvalidateControl(controls_[focus_]);
            focus_ = i;
            InvalidateControl(controls_[i]);
            return;
        }
    }
}

void DialogWindow::EditKey(Control& control, UINT key, LPARAM lParam) {
    if (key != VK_BACK || IsMultiLine(control.source)) return;
    if ((lParam & kKeyWasDown) != 0 || control.selectedAll) {
        control.text.clear();  // held: the whole text goes
    } else if (!control.text.empty()) {
        control.text.pop_back();
    }
    control.selectedAll = false;
    InvalidateControl(control);
}

void DialogWindow::InvalidateControl(const Control& control) {
    RECT rect = control.rect;
    if (IsMultiLine(control.source)) GetClientRect(this, &rect);
    InvalidateRect(this, &rect, TRUE);
}

void DialogWindow::Paint() {
    PAINTSTRUCT paint;
    Painter* painter = BeginPaint(this, &paint);
    if (painter == nullptr) {
        EndPaint(this, &paint);
        return;
    }
    RECT client;
    GetClientRect(this, &client);
    if (paint.fErase) painter->FillRect(client, kWhite);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    painter->SetBkMode(TRANSPARENT);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const Control& control = controls_[i];
        const bool focused = static_cast<int>(i) == focus_;
        RECT rect = control.rect;
        painter->SetTextColor(kBlack);
        if (IsMultiLine(control.source)) {
            // The text scrolled by whole lines; the client area clips it.
            const int lineHeight = std::max(1, painter->GetTextMetrics().height);
            RECT measure{rect.left + 2, 0, rect.right - 2, 0};
            painter->DrawText(control.text, &measure,
                              DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_CALCRECT);
            const int lines = measure.bottom / lineHeight;
            const int shown = std::max(1, rect.Height() / lineHeight);
            auto& scroll = const_cast<int&>(control.scrollLine);
            scroll = std::clamp(scroll, 0, std::max(0, lines - shown));
            RECT text{rect.left + 2, rect.top - scroll * lineHeight, rect.right - 2, client.bottom};
            painter->DrawText(control.text, &text,
                              DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_NOCLIP);
        } else if (IsEdit(control.source)) {
            painter->SelectPen(CreatePen(1, focused ? highlight : RGB(128, 128, 128)));
            painter->SelectBrush(WhiteBrush());
            painter->Rectangle(rect.left, rect.top, rect.right, rect.bottom);
            RECT inner{rect.left + 3, rect.top + 1, rect.right - 3, rect.bottom - 1};
            // Keep the end of a long text in view, as the horizontal scrolling does.
            std::u16string_view shown = control.text;
            while (!shown.empty() && painter->GetTextExtent(shown).cx > inner.Width() - 2) {
                shown.remove_prefix(1);
            }
            const SIZE extent = painter->GetTextExtent(shown);
            if (control.selectedAll) {
                painter->FillRect(RECT{inner.left, inner.top, inner.left + extent.cx, inner.bottom},
                                  highlight);
                painter->SetTextColor(highlightText);
            }
            painter->DrawText(shown, &inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            if (focused) {
                painter->SelectPen(CreatePen(1, kBlack));
                const int x = inner.left + extent.cx + 1;
                painter->MoveTo(x, inner.top + 2);
                painter->LineTo(x, inner.bottom - 2);
            }
        } else if (IsCheckBox(control.source)) {
            if (focused) {
                painter->FillRect(rect, highlight);
                painter->SetTextColor(highlightText);
            }
            const int top = rect.top + (rect.Height() - kCheckBoxSize) / 2;
            painter->SelectPen(CreatePen(1, kBlack));
            painter->SelectBrush(WhiteBrush());
            painter->Rectangle(rect.left + 1, top, rect.left + 1 + kCheckBoxSize,
                               top + kCheckBoxSize);
            if (control.checked) {
                // A tick.
                painter->MoveTo(rect.left + 3, top + 5);
                painter->LineTo(rect.left + 5, top + 8);
                painter->LineTo(rect.left + 10, top + 2);
            }
            RECT label{rect.left + kCheckBoxSize + 5, rect.top, rect.right, rect.bottom};
            painter->DrawText(control.text, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        } else {
            painter->DrawText(control.text, &rect, DT_WORDBREAK | DT_NOPREFIX);
        }
    }
    EndPaint(this, &paint);
}

INT_PTR DialogBoxIndirect(Screen& screen, const DialogTemplate* dialogTemplate, HWND owner,
                          DialogProcedure procedure) {
    if (dialogTemplate == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    DialogWindow dialog(screen, *dialogTemplate, owner, std::move(procedure));
    SendMessage(&dialog, WM_INITDIALOG, 0, 0);
    if (dialog.Ended()) return dialog.Result();
    const INT_PTR result = screen.RunModal(&dialog);
    return dialog.Ended() ? dialog.Result() : result;
}

}  // namespace velora::services
