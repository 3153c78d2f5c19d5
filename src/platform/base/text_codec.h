#pragma once
// Conversions at the program's edges: UTF-16 inside, UTF-8 in files and on the terminal.

#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/base/bstr.h"

namespace velora::platform {

// Decodes bytes as UTF-8. When the bytes are not valid UTF-8 as a whole they are read as
// Windows-1252 instead (the desktop's stand-in for the phone's ANSI code page), so any input
// yields text and nothing is dropped.
std::u16string DecodeUtf8OrWindows1252(std::string_view bytes);

// Strict UTF-8 validity check (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Windows-1252 to UTF-16; the five unassigned bytes map to their C1 control code points.
std::u16string DecodeWindows1252(std::string_view bytes);

// DecodeUtf8OrWindows1252(bytes) + suffix as a BSTR made from it as a NUL-terminated string:
// the text ends at its first NUL (a NUL in the bytes leaves the suffix out too). Decoded straight
// into the BSTR: a message body is not copied once more on its way in.
Bstr DecodeUtf8OrWindows1252ToBstr(std::string_view bytes, std::u16string_view suffix);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);
// EncodeUtf8(text) written to `out` a piece at a time.
void WriteUtf8(std::ostream& out, std::u16string_view text);

// UTF-8 to UTF-16 where the input is known to be valid UTF-8 (invalid sequences become U+FFFD).
std::u16string DecodeUtf8(std::string_view bytes);

}  // namespace velora::platform
