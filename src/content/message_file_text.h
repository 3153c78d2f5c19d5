#pragma once
// The reading text of one message file, as the reader takes it for a received message: from its
// MIME source (the file's bytes), decoded and, when only HTML was found, turned into plain text.
// No header lines; not yet segmented. Used by `velora body`, `document --message`,
// `frames --message` and `read --message`.

#include <string_view>

#include "platform/base/bstr.h"

namespace velora::content {

// Any bytes give a text (possibly empty, never null); never throws for bad input. The BSTR the
// reader object holds is handed over as it is.
platform::Bstr ReadingTextOfMessageFile(std::string_view bytes);

}  // namespace velora::content
