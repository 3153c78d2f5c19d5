#pragma once
// The Reader window's commands that reach above the reader: Find and Find Next (the Find Text
// dialog and the search) and the Inbox's Mark as Unread and Delete Message, with the dialog
// context that the dialogs need. Wired the same way for the whole program and for `velora read`.

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/window.h"
#include "reader/find.h"
#include "reader/find_commands.h"
#include "reader/player.h"
#include "reader/reader_window.h"
#include "services/reading_settings.h"

namespace velora::platform {
class Screen;
}

namespace velora::commands {

struct ReaderWiring {
    platform::Screen& screen;
    platform::HINSTANCE instance;
    reader::ReaderWindow& reader;
    reader::Player& player;
    services::ReadingSettings& settings;
    reader::FindState& findState;
    std::function<void()> markAsUnread;
    std::function<void()> deleteMessage;
    // The About text and what is shown when About closes; empty where About cannot be opened.
    std::function<std::u16string()> aboutText;
    std::function<void()> showInboxFrame;
};

// Sets the reader's commands and the dialog context of the program's services. The returned
// Find commands serve both, so they must outlive the reader's use of them; empty the dialog
// context before they go.
[[nodiscard]] std::unique_ptr<reader::FindCommands> WireReaderCommands(ReaderWiring wiring);

}  // namespace velora::commands
