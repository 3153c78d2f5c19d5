#pragma once
// The plain body the store offers as PR_BODY_W: the message's first text/plain part that is not
// an attachment, transfer-decoded and converted from its declared charset (undeclared or unknown
// charsets: UTF-8, else Windows-1252).

#include <optional>
#include <string>
#include <string_view>

namespace velora::platform {

// nullopt when the message has no such part.
std::optional<std::u16string> ExtractPlainBody(std::string_view message);

}  // namespace velora::platform
