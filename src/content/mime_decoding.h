#pragma once
// Decoding a message's MIME source into its body text, through the MIME component.

#include <cstdint>
#include <string_view>

#include "content/message_reader.h"

namespace velora::content {

// Content-type classes: the whole value compared with three names, ignoring case, and any
// "multipart/" type.
inline constexpr int kContentOther = -1;
inline constexpr int kContentPlainText = 0;
inline constexpr int kContentHtml = 1;
inline constexpr int kContentTnef = 2;
inline constexpr int kContentMultipart = 3;

int ClassifyContentType(std::string_view contentType);

// TopLevel: the message itself (may retry with a closing boundary added); Nested: the retried
// message (never retries again).
enum class MimeLevel { Nested = 0, TopLevel = 1 };

// Nested multiparts are followed this deep; deeper ones yield nothing. The message is parsed once
// (twice with the retry) whatever its depth: nested parts are walked in the parsed tree.
inline constexpr int kMaximumNestingDepth = 32;

// Decodes `bytes` as one message and fills reader.bodyText with the first plain part and
// reader.htmlText with the first HTML part, each only while still empty. Appends the partial-body
// marker to each text taken when reader.messageStatus says the message is partly downloaded.
void DecodeMime(MessageReader& reader, std::string_view bytes, MimeLevel level);

}  // namespace velora::content
