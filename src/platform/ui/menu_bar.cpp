#include "platform/ui/menu_bar.h"

#include "platform/base/program_services.h"
#include "platform/ui/screen.h"

namespace velora::platform {

namespace {

MenuBarServices& Services() {
    return CurrentProgramServices().Get<MenuBarServices>();
}

// A Back key pressed and not yet released.
struct BackKey {
    bool held = false;
};

constexpr std::size_t kWordsPerButton = 7;

}  // namespace

MenuBar::MenuBar(HWND parent, std::vector<SoftKeyButton> buttons, UINT id)
    : Window(parent->GetScreen(), u"", Kind::MenuBar, parent),
      id_(id),
      buttons_(std::move(buttons)) {}

MenuBar::~MenuBar() = default;

LRESULT MenuBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == SHCMBM_OVERRIDEKEY) {
        if (wParam != VK_TBACK) return FALSE;
        const WORD mask = LOWORD(static_cast<std::uintptr_t>(lParam));
        const WORD values = HIWORD(static_cast<std::uintptr_t>(lParam));
        backFlags_ = static_cast<WORD>((backFlags_ & ~mask) | (values & mask));
        return TRUE;
    }
    return DefWindowProc(message, wParam, lParam);
}

bool MenuBar::Press(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= buttons_.size()) return false;
    const SoftKeyButton button = buttons_[static_cast<std::size_t>(index)];
    const HWND owner = Parent();
    if (!button.dropDown) {
        SendMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button.command), 0), 0);
        return true;
    }
    SendMessage(owner, WM_ENTERMENULOOP, FALSE, 0);
    SendMessage(owner, WM_INITMENUPOPUP, 0, 0);
    std::optional<UINT> chosen;
    const PopupMenuChooser chooser = Services().popupMenuChooser;
    if (chooser) chosen = chooser(button.popup);
    SendMessage(owner, WM_EXITMENULOOP, FALSE, 0);
    if (chosen) SendMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(*chosen), 0), 0);
    return true;
}

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
    if (!info || !info->hwndParent) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    info->hwndMB = nullptr;
    const UINT id = info->nToolBarId;
    if (const auto& fails = Services().creationFails; fails && fails(id)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    const std::vector<std::uint16_t>* words =
        info->hInstRes ? info->hInstRes->MenuBarData(id) : nullptr;
    if (!words || words->size() < 2 || words->size() < 2 + (*words)[1] * kWordsPerButton) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return FALSE;
    }
    const MenuTemplate* menu = info->hInstRes->Menu(id);
    std::vector<SoftKeyButton> buttons;
    for (std::size_t b = 0; b < (*words)[1]; ++b) {
        const std::uint16_t* w = words->data() + 2 + b * kWordsPerButton;
        SoftKeyButton button;
        button.command = w[1];
        button.dropDown = (w[3] & TBSTYLE_DROPDOWN) != 0;
        if (const std::u16string* label = info->hInstRes->String(w[4])) button.label = *label;
        if (w[6] != kMenuBarNoSubMenu) {
            if (!menu || w[6] >= menu->popups.size()) {
                SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
                return FALSE;
            }
            button.popup = menu->popups[w[6]];
        }
        buttons.push_back(std::move(button));
    }
    auto bar = std::make_unique<MenuBar>(info->hwndParent, std::move(buttons), id);
    MenuBar* handle = bar.get();
    info->hwndParent->GetScreen().AdoptMenuBar(std::move(bar));
    ShowWindow(handle, SW_SHOW);
    info->hwndMB = handle;
    return TRUE;
}

BOOL SHSendBackToFocusWindow(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_HOTKEY || HIWORD(static_cast<std::uintptr_t>(lParam)) != VK_TBACK)
        return FALSE;
    const HWND focus = GetFocus();
    if (!focus) return FALSE;
    // A press that follows a press without a release in between is the key being held: it goes
    // on with the previous-state bit set, so that an edit control clears its whole text.
    bool& held = CurrentProgramServices().Get<BackKey>().held;
    const bool release = (LOWORD(static_cast<std::uintptr_t>(lParam)) & MOD_KEYUP) != 0;
    if (release) {
        held = false;
        SendMessage(focus, WM_KEYUP, VK_BACK, static_cast<LPARAM>(0xC0000001u));
    } else {
        SendMessage(focus, WM_KEYDOWN, VK_BACK, held ? 1 | (LPARAM{1} << 30) : 1);
        held = true;
    }
    return TRUE;
}

BOOL SHInitDialog(SHINITDLGINFO* info) {
    return info && info->hDlg ? TRUE : FALSE;
}

}  // namespace velora::platform
