#include "reader/find_commands.h"

#include "platform/ui/menu_bar.h"
#include "platform/ui/message_box.h"
#include "services/dialog.h"

namespace velora::reader {

using namespace velora::platform;

namespace {

constexpr UINT MB_ICONEXCLAMATION = MB_ICONWARNING;

void Tell(HWND owner, const char16_t* text) {
    MessageBoxW(owner, text, kFindCaption, MB_ICONEXCLAMATION | MB_OK);
}

}  // namespace

FindCommands::FindCommands(Player& player, services::ReadingSettings& settings, FindState& state,
                           FindReaderHooks hooks)
    : player_(player), settings_(settings), state_(state), hooks_(std::move(hooks)) {}

void FindCommands::Find() {
    services::ShowReaderDialog(hooks_.readerWindow);
}

void FindCommands::FindNext() {
    if (hooks_.stopPlayback) hooks_.stopPlayback();
    const std::optional<std::size_t> found =
        FindInDocument(player_.document, player_.cursor, state_);
    if (!found) {
        Tell(hooks_.readerWindow, kTextNotFound);
        return;
    }
    JumpToPosition(player_, settings_, *found);
    if (hooks_.showCurrentFrame) hooks_.showCurrentFrame();
}

void FindCommands::OnFindKey(services::DialogWindow& dialog) {
    SetFindText(state_, dialog.ItemText(services::kFindTextControl));
    if (state_.findText.empty()) {
        Tell(&dialog, kEnterFindText);
        return;
    }
    state_.findFromTop =
        dialog.IsButtonChecked(services::kStartAtTopControl) == services::BST_CHECKED;
    state_.findBeginsWith =
        dialog.IsButtonChecked(services::kBeginsWithControl) == services::BST_CHECKED;
    state_.findMatchCase =
        dialog.IsButtonChecked(services::kMatchCaseControl) == services::BST_CHECKED;
    const std::optional<std::size_t> found =
        FindInDocument(player_.document, player_.cursor, state_);
    if (!found) {
        Tell(&dialog, kTextNotFound);
        return;
    }
    JumpToPosition(player_, settings_, *found);
    if (hooks_.enterFindMode) hooks_.enterFindMode();
    dialog.EndDialog(IDOK);
    if (hooks_.showCurrentFrame) hooks_.showCurrentFrame();
}

services::INT_PTR FindCommands::DialogProcedure(services::DialogWindow& dialog, UINT message,
                                                WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return services::InitDialogWindow(dialog, services::DialogKind::Find);
        case WM_COMMAND:
            if (wParam == IDOK) {
                OnFindKey(dialog);
                return TRUE;
            }
            if (wParam == IDCANCEL) {
                dialog.EndDialog(IDCANCEL);
                if (hooks_.showCurrentFrame) hooks_.showCurrentFrame();
                return TRUE;
            }
            return FALSE;
        default:
            return services::HandleDialogShellMessage(message, wParam, lParam);
    }
}

}  // namespace velora::reader
