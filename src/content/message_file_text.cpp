#include "content/message_file_text.h"

#include <utility>

#include "content/fetch_body.h"
#include "content/message_reader.h"
#include "content/mime_decoding.h"

namespace velora::content {

platform::Bstr ReadingTextOfMessageFile(std::string_view bytes) {
    // A received message in a store other than the default one: flags 0, MIME flag set, fully
    // downloaded.
    MessageReader reader;
    reader.mimeFlag = 1;
    DecodeMime(reader, bytes, MimeLevel::TopLevel);
    FinishBodyText(reader);
    if (reader.bodyText.IsNull()) return platform::SysAllocStringLen(nullptr, 0);
    return std::move(reader.bodyText);
}

}  // namespace velora::content
