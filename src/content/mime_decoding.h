#pragma once
// Decoding a message's MIME source into its body text, through the MIME component.

#include <cstdint>
#include <string_view>

#include "content/message_reader.h"

namespace velora::content {

// Content-type classes: the whole value compared with four names, ignoring case.
inline constexpr int kContentOther = -1;
inline constexpr int kContentPlainText = 0;
inline constexpr int kContentHtml = 1;
inline constexpr int kContentTnef = 2;
inline constexpr int kContentAlternative = 3;

int ClassifyContentType(std::string_view contentType);

// TopLevel: the message itself (may retry with a closing boundary added); Nested: a rebuilt
// alternative part or the retried message (never retries again).
enum class MimeLevel { Nested = 0, TopLevel = 1 };

// Nested alternatives are followed this deep; deeper ones yield nothing. Each level parses its
// part again, so the limit also bounds the work a hostile message can cause.
inline constexpr int kMaximumAlternativeDepth = 32;

// Decodes `bytes` as one message and fills reader.bodyText with the first plain part and
// reader.htmlText with the first HTML part, each only while still empty. Appends the partial-body
// marker to each text taken when reader.messageStatus says the message is partly downloaded.
void DecodeMime(MessageReader& reader, std::string_view bytes, MimeLevel level);

}  // namespace velora::content
