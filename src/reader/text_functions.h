#pragma once
// The string functions of segmentation. Each returns a new string; inputs are not changed.
// Where the contract tells a missing string (NULL) from an empty one, the parameter is a
// std::optional and std::nullopt stands for NULL.
//
// Whitespace is the wide-character space class of the phone's wide-character run-time
// (IsWhitespace): U+0009-U+000D, U+0020, U+0085, U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029,
// U+202F, U+205F and U+3000 (Unicode's White_Space property). So a no-break space, as HTML's
// &nbsp; gives, counts like a tab: between two words it gives a line-break mark.

#include <optional>
#include <string>
#include <string_view>

namespace velora::reader {

inline bool IsWhitespace(char16_t c) {
    if (c > 0x20 && c < 0x85) return false;  // the common case: printable ASCII
    if (c <= 0x00ff) return c == 0x20 || (c >= 0x09 && c <= 0x0d) || c == 0x85 || c == 0xa0;
    return c == 0x1680 || (c >= 0x2000 && c <= 0x200a) || c == 0x2028 || c == 0x2029 ||
           c == 0x202f || c == 0x205f || c == 0x3000;
}

// Decimal digit as the C run-time's digit class has it: '0' to '9' only.
inline bool IsDecimalDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Letters and digits for the punctuation clean-up (a run of identical characters is cut only when
// they are neither): Unicode letters and decimal digits of any script, judged per UTF-16 unit.
bool IsLetterOrDigit(char16_t c);

// Whether the unit changes under the platform's towupper (simple Unicode upper-case mapping of a
// single UTF-16 unit; surrogates never change).
bool StartsLowercase(std::u16string_view word);

// The value of the decimal number at the start of `text`: leading whitespace, an optional sign,
// digits with an optional fractional part (at least one digit in all), and an optional exponent
// ("e" or "E", an optional sign, at least one digit). 0.0 when no such number starts the text; an
// underflow reads as 0.0 and an overflow as infinity. Words such as "information" or "nanny" and
// hexadecimal forms ("0x1p3" reads as 0) are not numbers, although C's wcstod would take them.
double ParseLeadingNumber(std::u16string_view text);

std::u16string TrimLeft(std::u16string_view s);
std::u16string TrimRight(std::u16string_view s);
std::u16string Trim(std::u16string_view s);
// The view of `s` without leading and trailing whitespace (no copy).
std::u16string_view TrimView(std::u16string_view s);

// The last n characters of s; n below 0 or above the length gives the whole string; NULL s or
// n = 0 gives an empty string.
std::u16string RightPart(std::optional<std::u16string_view> s, long long n);

// s without any apostrophe (U+0027) or double quote (U+0022); NULL gives an empty string.
std::u16string StripQuotes(std::optional<std::u16string_view> s);

// s with every occurrence of `find` replaced, the search starting again from the start of the
// result after each replacement (so a replacement can complete a new occurrence to its left,
// which is replaced in turn). Runs in time linear in the length of s and of the replacements made.
// NULL find or replacement gives a plain copy, NULL s an empty string, and so does an empty
// `find`. A replacement that itself holds `find` (where searching again from the start would never
// end) gives one left-to-right pass of non-overlapping replacements instead.
std::u16string ReplaceAll(std::optional<std::u16string_view> s,
                          std::optional<std::u16string_view> find,
                          std::optional<std::u16string_view> replacement);

std::u16string Concat(std::u16string_view a, std::u16string_view b);

}  // namespace velora::reader
