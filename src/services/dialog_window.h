#pragma once
// A modal dialog built from a dialog template (the phone's DialogBoxIndirectParamW): a full-screen
// window of the Dialog kind holding the template's controls, drawn by the window itself:
// - EDIT: one line of text with a caret at its end (typed characters arrive as WM_CHAR, the
//   backspace as WM_KEYDOWN VK_BACK; a repeated backspace, the key held, clears the text), or
//   with ES_MULTILINE a read-only text that Up and Down scroll;
// - STATIC: text broken at words;
// - BUTTON with BS_AUTOCHECKBOX: a check box that the Action key toggles.
// Up and Down move the focus between the controls with WS_TABSTOP. The dialog procedure sees
// every message first, as the phone's did; what it does not handle (returns FALSE for) the window
// handles itself.
//
// Positions in dialog units are turned into pixels with the device's "System" 8-point base units
// (7 pixels per 4 horizontal units, 15 pixels per 8 vertical units), so a 102 x 95 template fills
// the 176 x 180 client area.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/resource_module.h"
#include "platform/ui/window.h"

namespace velora::services {

using INT_PTR = std::intptr_t;

// Window styles of the dialog templates.
inline constexpr platform::DWORD WS_TABSTOP = 0x00010000;
inline constexpr platform::DWORD WS_GROUP = 0x00020000;
inline constexpr platform::DWORD WS_VSCROLL = 0x00200000;
inline constexpr platform::DWORD WS_BORDER = 0x00800000;
inline constexpr platform::DWORD ES_MULTILINE = 0x0004;
inline constexpr platform::DWORD ES_AUTOVSCROLL = 0x0040;
inline constexpr platform::DWORD ES_AUTOHSCROLL = 0x0080;
inline constexpr platform::DWORD BS_AUTOCHECKBOX = 0x0003;
inline constexpr platform::DWORD SS_LEFT = 0x0000;
inline constexpr platform::UINT BST_UNCHECKED = 0;
inline constexpr platform::UINT BST_CHECKED = 1;

class DialogWindow;
// The dialog procedure: returns non-zero when it handled the message.
using DialogProcedure = std::function<INT_PTR(DialogWindow& dialog, platform::UINT message,
                                              platform::WPARAM wParam, platform::LPARAM lParam)>;

class DialogWindow : public platform::Window {
  public:
    DialogWindow(platform::Screen& screen, const platform::DialogTemplate& dialogTemplate,
                 platform::HWND owner, DialogProcedure procedure);
    ~DialogWindow() override;

    platform::LRESULT WindowProc(platform::UINT message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

    // EndDialog: the modal loop returns `result` (at once when called during WM_INITDIALOG).
    void EndDialog(INT_PTR result);
    bool Ended() const { return ended_; }
    INT_PTR Result() const { return result_; }

    // SetDlgItemTextW / GetDlgItemTextW; false for an unknown control.
    [[nodiscard]] bool SetItemText(int id, std::u16string_view text);
    std::u16string ItemText(int id) const;
    // IsDlgButtonChecked / CheckDlgButton.
    platform::UINT IsButtonChecked(int id) const;
    void CheckButton(int id, platform::UINT check);
    // SetFocus on a control of the dialog.
    void FocusControl(int id);
    int FocusedControl() const;
    // EM_SETSEL on an edit control: the caret goes to `end` (the whole text is selected when
    // start is 0 and end -1; typing then replaces it).
    void SelectText(int id, int start, int end);

  private:
    struct Control {
        platform::DialogControl source;
        platform::RECT rect;
        std::u16string text;
        bool checked = false;
        bool selectedAll = false;
        int scrollLine = 0;  // first line shown, multi-line edit
    };

    Control* Find(int id);
    const Control* Find(int id) const;
    bool Focusable(const Control& control) const;
    void MoveFocus(int step);
    void EditKey(Control& control, platform::UINT key, platform::LPARAM lParam);
    void Paint();
    void InvalidateControl(const Control& control);

    DialogProcedure procedure_;
    std::vector<Control> controls_;
    int focus_ = -1;  // index into controls_
    bool ended_ = false;
    INT_PTR result_ = 0;
};

// DialogBoxIndirectParamW: builds the dialog, sends WM_INITDIALOG, runs it modally and returns
// the result given to EndDialog; -1 (GetLastError set) when the template is missing.
INT_PTR DialogBoxIndirect(platform::Screen& screen, const platform::DialogTemplate* dialogTemplate,
                          platform::HWND owner, DialogProcedure procedure);

}  // namespace velora::services
