#pragma once
// Searching the Reading document: the find text, the three options of the Find Text dialog and
// the search itself. The Reader window's commands 314 (Find...) and 315 (Find Next) and the Find
// Text dialog drive it; see find_commands.h for that wiring.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velora::reader {

// The find text holds at most this many characters (the dialog's buffer is one more, for the
// terminator); longer input is cut.
inline constexpr std::size_t kFindTextCapacity = 259;

inline constexpr char16_t kEnterFindText[] = u"Enter the text you would like to find.";
inline constexpr char16_t kTextNotFound[] = u"Text not found.";
inline constexpr char16_t kFindCaption[] = u"Velora";

// Kept for the whole run: the text is filled into the dialog the next time it opens; the options
// are set from the dialog's check boxes each time its Find key is pressed.
struct FindState {
    std::u16string findText;
    bool findFromTop = false;     // "Start at Top": one search only, cleared by the search using it
    bool findBeginsWith = false;  // "Begins with": the match must follow a space
    bool findMatchCase = false;   // "Match case": UTF-16 values compared as they are
};

// The find text as the dialog stores it: cut to kFindTextCapacity characters.
void SetFindText(FindState& state, std::u16string_view text);

// The first occurrence of the pattern at or after `start` in `document` (the Reading document
// without its terminator). The pattern is `findText`, or with `findBeginsWith` one space followed
// by it, in which case the result points past that space at the word's first letter. Without
// `findMatchCase` both sides are upper-cased character by character. Marks are ordinary
// characters here. Returns nullptr when the pattern is empty, `start` is at or past the end, or
// there is no occurrence.
const char16_t* SearchText(std::u16string_view document, std::size_t start, const FindState& state);

// Where the next search finds the text, as a character index into the document. With
// `findFromTop` the search starts at index 0 and the flag is cleared; otherwise it starts one
// character after `cursor` (the reader's cursor stands just past the word shown), so the search
// begins inside the next token. An absent document starts at 0 and finds nothing.
[[nodiscard]] std::optional<std::size_t> FindInDocument(std::u16string_view document,
                                                        std::size_t cursor, FindState& state);

}  // namespace velora::reader
