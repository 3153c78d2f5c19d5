#pragma once
// The MIME component: one instance decodes one message. The calls and property numbers are the
// ones the body code was written against; the decoding itself is done by GMime 3 (mime.cpp), whose
// headers never reach a file that includes this one.
//
// Meanings the body code relies on:
// - A message is set with MIME_Set(kMimeMessage) and decoded with MIME_Do(kMimeDecode).
//   MIME_Do returns 0 when the bytes parse as a message (header block, then body), non-zero
//   otherwise (no header block at all, or an unknown method).
// - A nested message is set with MIME_Set(kMimeNestedPart, part index, handle of a decoded
//   instance): the instance takes that part of the other one's parse as its message (it stays
//   valid when the other instance is destroyed) and MIME_Do reports its parts without parsing
//   anything again. It fails (non-zero) for an index out of range. Its message text is the part's
//   header lines followed by its content.
// - Parts: a multipart message's parts are its direct children, in order; a part counts only when
//   a delimiter line follows it, so the segment after the last delimiter of a multipart whose
//   closing delimiter "--boundary--" is missing (a cut-off message) is no part. A message that is
//   not multipart is one part: part 0 is its own body. At most kMimeMaximumParts parts are
//   reported. A multipart inside kMimeMaximumNesting others is read as a multipart without parts:
//   in the message text its boundary parameter is renamed "Xoundary", and the delimiter lines
//   inside it that an outer multipart would take are broken (see mime_nesting.h). Nothing that
//   deep is decoded, everything above it parses as it would, and parsing stays linear in size.
// - A part whose Content-Type is present but holds no "type/subtype" (`text`, `text/`, an empty
//   value) is text/plain; charset=us-ascii, as RFC 2045 section 5.2 has it.
// - Content types are "type/subtype", lower case, without parameters; an unparsed message has ""
//   as its content type.
// - The decoded content of a text/* part is transfer-decoded (base64, quoted-printable, uuencode)
//   and converted to UTF-8 from its declared charset; it is always valid UTF-8 (see
//   DecodedTextToUtf8). The decoded content of a multipart part is its body as MIME text
//   (delimiters included, closed), so that header lines + content form a message again. Any other
//   part gives its transfer-decoded bytes.
// - Header lines (property 17) are the part's header block, each line ending in CRLF, closed by
//   the empty line, ready to have the content appended.
// - Texts returned by MIME_Get are NUL-terminated and stay valid until MIME_Destroy or the next
//   MIME_Set / MIME_Do on the instance. The decoded content of a part that needs no decoding and
//   runs to the message's end (a single-part message's body) is given in place, not copied. Numbers
//   (property 12) are returned as the pointer value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velora::platform {

struct MimeInstance;
using MIMEHANDLE = MimeInstance*;

// The component's event callback. It receives the context given to MIME_Create, the event id,
// and the event's parameters (values and byte lengths). Event 1 (progress) carries one value, the
// percentage done (0 when decoding starts, 100 when it ends). The return value is ignored unless
// non-zero, which cancels nothing here: decoding always runs to its end.
using MimeEventCallback = int (*)(MIMEHANDLE handle, void* context, int eventId, int paramCount,
                                  void* params[], int paramLengths[]);

inline constexpr int kMimeBoundary = 2;     // index 0: the message's multipart boundary
inline constexpr int kMimeContentType = 3;  // index 0: the message's content type
inline constexpr int kMimeMessage = 5;      // index 0: the message text as set, deep parts cut
inline constexpr int kMimePartContentType = 10;
inline constexpr int kMimePartCount = 12;  // index 0: number of parts
inline constexpr int kMimePartDecodedContent = 14;
inline constexpr int kMimePartHeaders = 17;
inline constexpr int kMimeNestedPart = 20;  // settable only: a part of another instance

inline constexpr int kMimeDecode = 2;  // MIME_Do method: decode the message set

inline constexpr int kMimeEventProgress = 1;

inline constexpr int kMimeMaximumParts = 1000;
inline constexpr int kMimeMaximumNesting = 40;

// Creation parameters are ignored (pass nullptr). Never returns null.
MIMEHANDLE MIME_Create(MimeEventCallback callback, void* context, const char* parameters);
// Only kMimeMessage (index 0, `value` the bytes) and kMimeNestedPart (index the part, `value` the
// other instance's handle, `length` 0) are settable; returns 0, or non-zero for anything else.
[[nodiscard]] int MIME_Set(MIMEHANDLE handle, int property, int index, const void* value,
                           int length);
[[nodiscard]] int MIME_Do(MIMEHANDLE handle, int method, int paramCount, void* params[],
                          int paramLengths[]);
// A NUL-terminated text (its length in bytes stored through `length` when given), or the number
// for kMimePartCount; null for an unknown property or an index out of range.
void* MIME_Get(MIMEHANDLE handle, int property, int index, int* length);
int MIME_Destroy(MIMEHANDLE handle);

// Charset conversion of a text part's transfer-decoded bytes to UTF-8, with repair, exposed for
// tests:
// - charset empty, "us-ascii" or unknown: bytes that are valid UTF-8 stay; otherwise the whole
//   text is read as Windows-1252 (the desktop's ANSI code page);
// - "utf-8": each byte of an invalid sequence becomes U+FFFD;
// - "iso-8859-1" / "latin1": read as Windows-1252 (its superset, as mail clients write it);
// - any other charset iconv knows: converted; bytes that cannot be converted become U+FFFD.
std::string DecodedTextToUtf8(std::string_view bytes, std::string_view charset);
// The same, or nothing when the bytes are that text already (valid UTF-8 declared as UTF-8,
// ASCII or nothing).
[[nodiscard]] std::optional<std::string> ConvertedTextToUtf8(std::string_view bytes,
                                                             std::string_view charset);

}  // namespace velora::platform
