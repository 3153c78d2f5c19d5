#pragma once
// The Reader window's Find commands and the Find Text dialog's procedure:
// - Find (command 314, after the reader stopped playing): the Find Text dialog, owned by the
//   Reader window, through the dialog service (which reports a dialog that cannot be shown).
// - The dialog's Find key: the find text and the three options from the dialog, the search, and
//   on success the reader at the match in find mode; "Enter the text you would like to find." or
//   "Text not found." (caption "Velora") keep the dialog open.
// - Find Next (command 315): the search again with the options last set; "Text not found." keeps
//   the reader where it was.

#include <functional>

#include "platform/ui/window.h"
#include "reader/find.h"
#include "reader/player.h"
#include "services/dialog_window.h"
#include "services/reading_settings.h"

namespace velora::reader {

// What the Find commands need of the Reader window.
struct FindReaderHooks {
    platform::HWND readerWindow = nullptr;
    std::function<void()> stopPlayback;
    // Hides the Options and reader bars, shows the find bar, sets findMode.
    std::function<void()> enterFindMode;
    std::function<void()> showCurrentFrame;
};

class FindCommands {
  public:
    FindCommands(Player& player, services::ReadingSettings& settings, FindState& state,
                 FindReaderHooks hooks);

    // Command 314 (the reader has stopped playing): opens the Find dialog.
    void Find();
    // Command 315.
    void FindNext();
    // The Find Text dialog's procedure (handed to the dialog service).
    services::INT_PTR DialogProcedure(services::DialogWindow& dialog, platform::UINT message,
                                      platform::WPARAM wParam, platform::LPARAM lParam);

    FindState& State() { return state_; }

  private:
    void OnFindKey(services::DialogWindow& dialog);

    Player& player_;
    services::ReadingSettings& settings_;
    FindState& state_;
    FindReaderHooks hooks_;
};

}  // namespace velora::reader
