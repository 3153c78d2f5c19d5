#pragma once
// Fetching a message's body into its Message reader object.

#include <string_view>

#include "content/message_reader.h"
#include "platform/mapi/types.h"

namespace velora::content {

inline constexpr platform::ULONG kPlainBodyChunkBytes = 8192;
inline constexpr platform::ULONG kMimeSourceChunkBytes = 4096;

// Fills reader.bodyText (and reader.htmlText) from the plain body stream, or from the MIME source
// when reader.mimeFlag is set and the message is not unsent. The body text stays null when the
// chosen property cannot be opened; otherwise it is never null afterwards. Returns S_OK, or the
// HRESULT of the failed OpenProperty.
[[nodiscard]] platform::HRESULT FetchBody(MessageReader& reader);

// The steps that end every body fetch: a null body or HTML text becomes empty, and an empty body
// text with an HTML text becomes HtmlToText of that HTML.
void FinishBodyText(MessageReader& reader);

}  // namespace velora::content
