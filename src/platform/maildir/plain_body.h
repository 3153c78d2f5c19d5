#pragma once
// The plain body the store offers as PR_BODY_W: the message's first text/plain part that is not
// an attachment, transfer-decoded and converted from its declared charset as text parts are
// (DecodedTextToUtf8). A message whose only text is HTML has a plain body too: its first text/html
// part that is not an attachment, turned into text.

#include <optional>
#include <string>
#include <string_view>

namespace velora::platform {

// Turns HTML into plain text; nullopt when it cannot.
using HtmlToPlainText = std::optional<std::u16string> (*)(std::u16string_view html);

// The program's HTML to text, which lives in a layer above the store: a part of the program's
// services (CurrentProgramServices().Get<PlainBodyConversion>()) that the program fills at
// start-up. Without one (nullptr, the default) an HTML-only message has no plain body.
struct PlainBodyConversion {
    HtmlToPlainText htmlToPlainText = nullptr;
};

// nullopt when the message has no such part (or its HTML cannot be turned into text).
[[nodiscard]] std::optional<std::u16string> ExtractPlainBody(std::string_view message);

}  // namespace velora::platform
