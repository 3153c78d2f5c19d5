#include "services/dialog.h"

#include <cstdio>

#include "platform/base/program_services.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/message_box.h"
#include "platform/ui/screen.h"

namespace velora::services {

using namespace velora::platform;

namespace {

constexpr char16_t kAboutTitle[] = u"About BRK";
constexpr char16_t kFindTitle[] = u"Find Text";

std::u16string Hex(std::int32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(code));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

// HRESULT_FROM_WIN32 of the last error, or the last error itself when it is 0.
std::int32_t LastErrorCode() {
    const DWORD error = GetLastError();
    if (error > 0) return static_cast<std::int32_t>(0x80070000u | (error & 0xFFFF));
    return static_cast<std::int32_t>(error);
}

DialogContext& Context() {
    return platform::CurrentProgramServices().Get<DialogContext>();
}

std::int32_t OpenDialog(HWND owner, UINT templateId, DialogProcedure procedure) {
    DialogContext& context = Context();
    Screen* screen = context.screen != nullptr ? context.screen : Screen::Current();
    const DialogTemplate* dialogTemplate =
        context.instance != nullptr ? context.instance->Dialog(templateId) : nullptr;
    INT_PTR result = -1;
    if (screen == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    } else {
        SetLastError(0);
        result = DialogBoxIndirect(*screen, dialogTemplate, owner, std::move(procedure));
    }
    if (result >= 0) return static_cast<std::int32_t>(result);
    const std::int32_t code = result == -1 ? LastErrorCode() : static_cast<std::int32_t>(result);
    ReportDialogError(owner, context.instance, kDialogErrorCaption, kDialogErrorFormat, code);
    return code;
}

}  // namespace

std::int32_t ShowInboxDialog(HWND owner) {
    return OpenDialog(owner, kAboutDialogTemplate, AboutDialogProcedure);
}

std::int32_t ShowReaderDialog(HWND owner) {
    DialogProcedure procedure = Context().findProcedure;
    if (!procedure) {
        // Without the reader's search the dialog still edits and cancels.
        procedure = [](DialogWindow& dialog, UINT message, WPARAM wParam,
                       LPARAM lParam) -> INT_PTR {
            switch (message) {
                case WM_INITDIALOG:
                    return InitDialogWindow(dialog, DialogKind::Find);
                case WM_COMMAND:
                    if (wParam != IDCANCEL) return FALSE;
                    dialog.EndDialog(IDCANCEL);
                    return TRUE;
                default:
                    return HandleDialogShellMessage(message, wParam, lParam);
            }
        };
    }
    return OpenDialog(owner, kFindDialogTemplate, std::move(procedure));
}

INT_PTR HandleDialogShellMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITMENUPOPUP:
            return TRUE;
        case WM_HOTKEY:
            if (HIWORD(static_cast<std::uintptr_t>(lParam)) == VK_TBACK) {
                // Without a focus window the Back key has nowhere to go: nothing to do.
                static_cast<void>(SHSendBackToFocusWindow(message, wParam, lParam));
            }
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR InitDialogWindow(DialogWindow& dialog, DialogKind kind) {
    SHINITDLGINFO init;
    init.dwMask = SHIDIM_FLAGS;
    init.hDlg = &dialog;
    init.dwFlags = SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
    if (!SHInitDialog(&init)) {
        dialog.EndDialog(E_FAIL);
        return FALSE;
    }

    SHMENUBARINFO bar{};
    bar.cbSize = 36;
    bar.hwndParent = &dialog;
    bar.nToolBarId = kind == DialogKind::About ? kAboutMenuBar : kFindMenuBar;
    bar.hInstRes = Context().instance;
    if (!SHCreateMenuBar(&bar)) {
        dialog.EndDialog(LastErrorCode());
        return FALSE;
    }
    SendMessage(bar.hwndMB, SHCMBM_OVERRIDEKEY, VK_TBACK,
                MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY));

    const DialogContext& context = Context();
    if (kind == DialogKind::About) {
        // The dialog's own controls: setting their text cannot fail.
        static_cast<void>(
            dialog.SetItemText(kAboutTextControl, context.aboutText ? context.aboutText() : u""));
        SetWindowText(&dialog, kAboutTitle);
        dialog.FocusControl(kAboutTextControl);
    } else {
        static_cast<void>(dialog.SetItemText(kFindTextControl, u""));
        SetWindowText(&dialog, kFindTitle);
        dialog.FocusControl(kFindTextControl);
        const std::u16string last = context.lastFindText ? context.lastFindText() : u"";
        if (!last.empty()) {
            static_cast<void>(dialog.SetItemText(kFindTextControl, last));
            dialog.SelectText(kFindTextControl, -1, static_cast<int>(last.size()));
        }
    }
    return FALSE;
}

std::u16string FormatDialogError(std::u16string_view format, std::int32_t code) {
    const std::u16string hex = Hex(code);
    std::u16string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() &&
            (format[i + 1] == u'1' || format[i + 1] == u'2')) {
            text += hex;  // insert 1 is a copy of insert 2
            ++i;
        } else {
            text.push_back(format[i]);
        }
    }
    if (text.empty()) text = u"Error: " + hex;
    return text;
}

void ReportDialogError(HWND owner, HINSTANCE instance, UINT captionId, UINT formatId,
                       std::int32_t code) {
    const std::u16string caption = LoadStringText(instance, captionId).value_or(u"");
    const std::u16string format = LoadStringText(instance, formatId).value_or(u"");
    const std::u16string text = FormatDialogError(format, code);
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_ICONERROR | MB_OK);
}

INT_PTR AboutDialogProcedure(DialogWindow& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return InitDialogWindow(dialog, DialogKind::About);
        case WM_COMMAND:
            if (wParam == IDOK || wParam == IDCANCEL) {
                dialog.EndDialog(0);
                if (Context().showInboxFrame) Context().showInboxFrame();
                return TRUE;
            }
            return FALSE;
        default:
            return HandleDialogShellMessage(message, wParam, lParam);
    }
}

}  // namespace velora::services
