#pragma once
// HTML to plain text for messages that carry only HTML: every tag is deleted, the character
// entities of the HTML 4 Latin-1 set (and quot, amp, lt, gt) are decoded, and every other
// character, whitespace included, stays exactly where it is. Line breaks come from the source's
// own whitespace, not from tags.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velora::content {

// The plain text of `html`, which ends at its first NUL unit if it holds one. Never longer than
// the input. Nothing when the working buffer cannot be allocated.
//  - "<" deletes everything up to and including the next ">", or to the end without one.
//  - "&" starts an entity candidate: the "&" and the characters after it, one at a time, up to
//    and including a ";", or up to and including a space, CR or LF, or 255 characters, or the
//    end. A candidate that EntityCode knows is replaced by its character; otherwise the "&" is
//    written as it is and the text after it is read on as ordinary text.
[[nodiscard]] std::optional<std::u16string> HtmlToText(std::u16string_view html);

// The code point of a complete candidate ("&amp;", "&#233;"), or 0 when it is no entity of the
// table. Names compare without regard to case (ASCII letters), except that of two names differing
// only in case (Eacute, eacute) the one matching exactly wins, and the capital one when neither
// does. Numeric forms are the table's decimal numbers only: no hexadecimal, no leading zeros.
char16_t EntityCode(std::u16string_view candidate);

// Longest entity candidate, in UTF-16 units.
inline constexpr std::size_t kMaxEntityCandidate = 255;

}  // namespace velora::content
