#pragma once
// Header texts (subjects, sender names) as UTF-8, with their RFC 2047 encoded words
// decoded. GMime's own decoder is not used: the version Debian ships joins the base64 of adjacent
// encoded words before decoding it and so loses everything after the first word's padding.

#include <string>
#include <string_view>

namespace velora::platform {

// What kind of header value is decoded, which decides how the decoded text is written.
enum class HeaderSyntax {
    // Subject and the like: the decoded text stands as it is.
    Unstructured,
    // From, To: the result is still address syntax, so an address parser reads the display name
    // it encodes ("=?utf-8?Q?Doe,_J?= <j@x>" becomes "\"Doe, J\" <j@x>"): a run of encoded words
    // becomes a quoted string, its escaped content within a quoted string or within a comment;
    // nothing is decoded within angle brackets.
    AddressList,
};

// The UTF-8 text of an unfolded header value:
// - an encoded word "=?charset[*language]?B|Q?text?=" (text without white space) is decoded to
//   bytes on its own: B is base64, padded or not, ending at its first "="; in Q "_" is a space,
//   "=XX" the byte XX and any other byte itself, an 8-bit byte included (it belongs to the word's
//   charset, so it is read before anything is widened to UTF-8);
// - encoded words separated by white space alone form a run: the space between them is dropped,
//   and the bytes of neighbours in the same charset are joined before conversion, so a character
//   split across two words survives;
// - bytes are converted as a text part's content is (DecodedTextToUtf8): an unknown charset is
//   read as UTF-8, else Windows-1252; bytes that do not convert become U+FFFD;
// - a malformed encoded word stays as written; the text outside encoded words is kept when it is
//   valid UTF-8, else read as Windows-1252.
// Values without "=?" take a path that only checks and copies them.
[[nodiscard]] std::string DecodeHeaderText(std::string_view value,
                                           HeaderSyntax syntax = HeaderSyntax::Unstructured);

}  // namespace velora::platform
