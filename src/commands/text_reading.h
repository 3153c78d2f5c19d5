#pragma once
// The Reader window alone on one text, as `velora read` shows it: the settings loaded as at
// start-up (with the backlight snapshot), the text loaded as a message is (segmented, the reader
// at its start, the first frame prepared) and shown paused on its first word. Find and Find Next
// work as in the whole program; Mark as Unread and Delete Message, which need a message of the
// Inbox, say in a message box that there is none.

#include <memory>
#include <string>

#include "platform/ui/screen.h"
#include "reader/find.h"
#include "reader/find_commands.h"
#include "reader/player.h"
#include "reader/reader_window.h"
#include "services/reading_settings.h"

namespace velora::commands {

inline constexpr char16_t kNoMessageToMarkUnread[] =
    u"This text is not a message of the Inbox, so it cannot be marked as unread.";
inline constexpr char16_t kNoMessageToDelete[] =
    u"This text is not a message of the Inbox, so it cannot be deleted.";

class TextReading {
  public:
    // `soundPath`: the keep-awake sound (empty: none).
    TextReading(platform::Screen& screen, const std::u16string& text, std::u16string soundPath);
    // Gives the light back and stops the timers, as the end of the program does, and clears the
    // dialog context.
    ~TextReading();
    TextReading(const TextReading&) = delete;
    TextReading& operator=(const TextReading&) = delete;

    reader::ReaderWindow& Reader() { return window_; }
    reader::Player& GetPlayer() { return player_; }

  private:
    void SayThereIsNoMessage(const char16_t* text);

    reader::Player player_;
    services::ReadingSettings settings_;
    reader::ReaderWindow window_;
    reader::FindState findState_;
    std::unique_ptr<reader::FindCommands> find_;
};

}  // namespace velora::commands
