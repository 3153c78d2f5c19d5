#include "content/message_file_text.h"

#include "content/fetch_body.h"
#include "content/message_reader.h"
#include "content/mime_decoding.h"

namespace velora::content {

std::u16string ReadingTextOfMessageFile(std::string_view bytes) {
    // A received message in a store other than the default one: flags 0, MIME flag set, fully
    // downloaded.
    MessageReader reader;
    reader.mimeFlag = 1;
    DecodeMime(reader, bytes, MimeLevel::TopLevel);
    FinishBodyText(reader);
    return std::u16string(reader.bodyText.View());
}

}  // namespace velora::content
