#pragma once
// The context text: the part of the reading document around the current word, shown in the help
// and context area while the reader is stopped.

#include <cstddef>
#include <string>
#include <string_view>

namespace velora::reader {

// The context text holds at most this many characters (a replacement that would not fit is cut at
// the last of them).
inline constexpr std::size_t kContextTextCapacity = 250;

// The cursor stands this many characters after the point where the context text starts, so the
// words just read stay visible above the current one.
inline constexpr std::size_t kContextLeadCharacters = 40;

// Builds the context text of the reading document (positions are character indices; the end of
// the document reads as its terminator), copying from `start`:
// - a start that is neither a space nor the document's first character moves on to the next space
//   (or the NUL), so the text never begins inside a word;
// - a sentence-end mark is dropped (the space after it stays, two spaces part the sentences);
// - a line-break mark and its space become one carriage return, a paragraph mark and its space two;
// - with `bullet` set, a bullet U+2022 is written directly before the character at `markedWord`
//   (in the place of the mark when the reader stopped on a sentence-end frame).
// Copying stops at the NUL or after kContextTextCapacity characters.
enum class ContextBullet { Without, With };
std::u16string BuildContextText(std::u16string_view document, std::size_t start,
                                std::size_t markedWord, ContextBullet bullet);

// Where the context text starts for a cursor: the document's first character when the cursor is
// fewer than kContextLeadCharacters from it, otherwise that many characters before the cursor.
std::size_t ContextTextStart(std::size_t cursor);

}  // namespace velora::reader
