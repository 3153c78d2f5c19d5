#pragma once
// The reading document: one UTF-16 string of tokens separated by single spaces. Words keep their
// punctuation and are at most kMaxWordUnits long (the last word of the text is kept whole). Marks
// stand alone between spaces:
//   U+007F sentence end (after the last word of every sentence; the document's last token),
//   U+008F line break, U+0090 paragraph (always right after a sentence-end mark),
//   a lone "-" for a hyphen that joined two words.
// A text shorter than three characters after trimming is kept trimmed and unmarked.

#include <cstddef>

namespace velora::reader {

inline constexpr char16_t kSentenceEndMark = u'\u007f';
inline constexpr char16_t kLineBreakMark = u'\u008f';
inline constexpr char16_t kParagraphMark = u'\u0090';

// Longest word token; a longer word is cut to this many units unless it is the text's last word.
inline constexpr std::size_t kMaxWordUnits = 190;

}  // namespace velora::reader
