#pragma once
// SegmentText turns a plain text into the reading document (see reading_document.h) in three
// passes: whitespace normalisation (line-break and paragraph marks), punctuation clean-up (runs of
// three or more identical non-alphanumeric characters cut to three, lone hyphens set apart) and
// sentence marking. Time and memory are linear in the length of the text.

#include <string>
#include <string_view>

namespace velora::reader {

// The reading document of `text`. Empty text gives an empty document; a text shorter than three
// characters after trimming is returned trimmed and unmarked. The marks' own code points in the
// text never become marks: U+007F is dropped, U+008F and U+0090 become U+FFFD.
std::u16string SegmentText(std::u16string_view text);

// Whether a word reads as a number: its leading part, with the first decimal digit taken as 1,
// parses as a decimal number (ParseLeadingNumber) to a value other than 0.0, and every full stop in
// it is followed by a decimal digit (3.5 and 1.25 are numbers; 2003. and 1.2. are not).
bool IsNumberWord(std::u16string_view word);

// Whether `word`, between `previous` and `next`, is an abbreviation or an address and so does not
// end its sentence: a word of up to 4 units holding a full stop (or beside a word that holds one)
// that does not start lowercase, unless both neighbours start lowercase; never a word that starts
// lowercase or a number that ends with a full stop; an e-mail or web address unless its last
// character (quotes removed) is a full stop.
bool IsAbbreviationOrAddress(std::u16string_view previous, std::u16string_view word,
                             std::u16string_view next);

// Whether `word` ends its sentence, given its neighbours: it holds ".", "!" or "?" and is neither
// a number nor an abbreviation or address, or the next token is a paragraph mark.
bool EndsSentence(std::u16string_view previous, std::u16string_view word, std::u16string_view next);

}  // namespace velora::reader
