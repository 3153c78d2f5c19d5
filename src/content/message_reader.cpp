#include "content/message_reader.h"

namespace velora::content {

MessageReader::~MessageReader() {
    DestroyMessageReader(*this);
}

void DestroyMessageReader(MessageReader& reader) {
    platform::SysFreeString(reader.bodyText);
    platform::SysFreeString(reader.htmlText);
    if (reader.message != nullptr) {
        reader.message->Release();
        reader.message = nullptr;
    }
}

const platform::Bstr& ReadingText(const MessageReader& reader) {
    return reader.bodyText;
}

}  // namespace velora::content
