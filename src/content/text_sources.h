#pragma once
// What the reader reads: the default document after start-up, a message from the Inbox, and the
// About text shown in the About dialog. Each load replaces the reader's document whole and puts
// the reader at its start.

#include <cstddef>
#include <string>

#include "platform/mapi/types.h"
#include "reader/player.h"
#include "services/reading_settings.h"

namespace velora::mail {
class MailStoreSession;
}

namespace velora::content {

inline constexpr char16_t kLoadFailureCaption[] = u"Brisken";
inline constexpr char16_t kOutOfMemoryText[] = u"Unable to load text. possibly out of memory.";
// The text read when a message has no body text (it went away, or its body cannot be opened).
inline constexpr char16_t kMissingBodyText[] = u"...";
// The text read when building the message's reader raised an exception.
inline constexpr char16_t kLoadErrorText[] = u"Error.";

// The default document, already in reading-document form: four sentences, the first three each
// followed by a paragraph mark.
std::u16string DefaultDocument();

// Replaces the document with the default document and puts the reader at `position` (always 0 in
// the program). Without memory for it: the message box, and no document.
void LoadDefaultDocument(reader::Player& player, services::ReadingSettings& settings,
                         std::size_t position);

// Replaces the document with the segmented body text of the message (store index 0), then puts the
// reader at its first word with the Tintline starting from green. "..." when the message has no
// body text; "Error." when building its reader throws; without memory for the copy: the message
// box, and no document.
void LoadMessageDocument(reader::Player& player, services::ReadingSettings& settings,
                         mail::MailStoreSession& session, platform::ULONG entryIdSize,
                         const platform::BYTE* entryId);

// Appends the About text (lines end in CR LF, blank lines between blocks) to `aboutBuffer`.
// Called once at start-up; the buffer then holds exactly one copy.
void LoadAboutText(std::u16string& aboutBuffer);

}  // namespace velora::content
