#pragma once
// The Smartphone shell's soft-key bars (SHCreateMenuBar, ordinal 34), the Back-key override and
// the back-key hand-over to the focused control (SHSendBackToFocusWindow, ordinal 97), and the
// full-screen dialog initialisation (SHInitDialog, ordinal 56).
//
// A bar is built from a menu-bar resource (two buttons; see ResourceModule::MenuBarData) and
// belongs to its parent window. Pressing a plain button sends the parent WM_COMMAND with the
// button's command id. Pressing a drop-down button opens the pop-up (of the menu resource of the
// bar's id): the parent receives WM_ENTERMENULOOP, WM_INITMENUPOPUP, then, after the menu closed,
// WM_EXITMENULOOP, and, when an item was chosen, WM_COMMAND with the item's id.
// ShowWindow(bar, SW_SHOW / SW_HIDE) shows or hides the bar; the screen shows the active window's
// visible bar (the one shown last when several are).

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/program_services.h"
#include "platform/ui/resource_module.h"
#include "platform/ui/window.h"

namespace velora::platform {

// The menu-bar record of ordinal 34 (nine 32-bit fields on the phone).
struct SHMENUBARINFO {
    DWORD cbSize = 0;
    HWND hwndParent = nullptr;
    DWORD dwFlags = 0;
    UINT nToolBarId = 0;
    HINSTANCE hInstRes = nullptr;
    int nBmpId = 0;
    int cBmpImages = 0;
    HWND hwndMB = nullptr;  // filled in: the bar
    COLORREF clrBk = 0;
};

// The Back-key override: SendMessage(bar, SHCMBM_OVERRIDEKEY, VK_TBACK,
// MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY)); the low word
// of the second parameter is the mask of flags changed, the high word their new values. With
// NOTIFY set the owner receives WM_HOTKEY (high word of the second parameter VK_TBACK; MOD_KEYUP
// in the low word for the release) for the press and the release.
inline constexpr UINT SHCMBM_OVERRIDEKEY = WM_USER + 403;  // 0x0593
inline constexpr WORD SHMBOF_NODEFAULT = 0x0001;
inline constexpr WORD SHMBOF_NOTIFY = 0x0002;

// Button styles and states of the menu-bar resource.
inline constexpr WORD kMenuBarNoImage = 0xFFFE;
inline constexpr WORD kMenuBarNoSubMenu = 0xFFFF;
inline constexpr WORD TBSTATE_ENABLED = 0x04;
inline constexpr WORD TBSTYLE_AUTOSIZE = 0x10;
inline constexpr WORD TBSTYLE_DROPDOWN = 0x08;

struct SoftKeyButton {
    UINT command = 0;
    std::u16string label;
    bool dropDown = false;
    std::vector<MenuItem> popup;  // the drop-down's items
};

class MenuBar : public Window {
  public:
    MenuBar(HWND parent, std::vector<SoftKeyButton> buttons, UINT id);
    ~MenuBar() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT Id() const { return id_; }
    const std::vector<SoftKeyButton>& Buttons() const { return buttons_; }
    bool OverridesBack() const { return (backFlags_ & SHMBOF_NODEFAULT) != 0; }
    bool NotifiesBack() const { return (backFlags_ & SHMBOF_NOTIFY) != 0; }
    // Presses button `index` (0 left, 1 right); false when there is no such button.
    [[nodiscard]] bool Press(int index);

  private:
    UINT id_;
    std::vector<SoftKeyButton> buttons_;
    WORD backFlags_ = 0;
};

// Creates the bar described by menu-bar resource `info->nToolBarId` of `info->hInstRes` for
// `info->hwndParent`, shown at once as the shell does, and returns TRUE with the bar in
// `info->hwndMB`; FALSE (GetLastError set) when the resource is missing or malformed or creation
// fails. The bar is owned by the screen and destroyed with its parent.
[[nodiscard]] BOOL SHCreateMenuBar(SHMENUBARINFO* info);

// How a drop-down pop-up is run. The chooser sees the items and returns the chosen item's id, or
// nullopt when the menu was dismissed.
using PopupMenuChooser = std::function<std::optional<UINT>(const std::vector<MenuItem>& items)>;

// A part of the program's services. The device screen widget sets a chooser that opens a QMenu
// over the soft-key bar; tests set one that picks or dismisses without a Qt menu loop. Without a
// chooser every pop-up is dismissed at once. While `creationFails` (seeing the menu-bar id)
// returns true, creating a bar fails with ERROR_NOT_ENOUGH_MEMORY; tests set it.
struct MenuBarServices {
    PopupMenuChooser popupMenuChooser;
    std::function<bool(UINT menuBarId)> creationFails;
};

// Ordinal 97: passes the Back key of a WM_HOTKEY on to the focus window as the backspace key
// (WM_KEYDOWN / WM_KEYUP with VK_BACK), so that an edit control deletes a character; while the
// key is held (presses without a release) the key-downs carry the previous-state bit (bit 30).
[[nodiscard]] BOOL SHSendBackToFocusWindow(UINT message, WPARAM wParam, LPARAM lParam);

// Ordinal 56: the dialog-initialisation record; the dialog covers the screen.
inline constexpr DWORD SHIDIM_FLAGS = 0x0001;
inline constexpr DWORD SHIDIF_FULLSCREENNOMENUBAR = 0x0010;
inline constexpr DWORD SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
inline constexpr DWORD SHIDIF_SIPDOWN = 0x0008;
struct SHINITDLGINFO {
    DWORD dwMask = 0;
    HWND hDlg = nullptr;
    DWORD dwFlags = 0;
};
// TRUE for a dialog window (every window is full screen already); FALSE for no window.
[[nodiscard]] BOOL SHInitDialog(SHINITDLGINFO* info);

}  // namespace velora::platform
