#pragma once
// The one charset rule for the text of a GMime text part, whichever body path reads it: the
// transfer-decoded content converted from the part's "charset" parameter (none when absent) by
// ConvertedTextToUtf8. Include only from translation units that do not include Qt (see
// gobject.h).

#include <gmime/gmime.h>

#include <optional>
#include <string>
#include <string_view>

namespace velora::platform {

// `bytes` (the part's content, transfer-decoded) as UTF-8, or nothing when they are that text
// already.
[[nodiscard]] std::optional<std::string> ConvertedTextOfPart(GMimeObject* part,
                                                             std::string_view bytes);

// The part's content, transfer-decoded and converted: always valid UTF-8.
std::string TextOfPart(GMimePart* part);

}  // namespace velora::platform
