#include "content/message_reader.h"

#include "content/fetch_body.h"
#include "mail/mail_store_session.h"

namespace velora::content {

using namespace velora::platform;

MessageReader::~MessageReader() {
    DestroyMessageReader(*this);
}

namespace {

// The property's 32-bit value, or 0 when it cannot be read.
ULONG ReadLong(IMessage* message, ULONG tag) {
    SPropValue* value = nullptr;
    if (FAILED(mail::MailStoreSession::GetOneProp(message, tag, &value))) return 0;
    const ULONG result = value->Value.ul;
    MAPIFreeBuffer(value);
    return result;
}

}  // namespace

void BuildMessageReader(MessageReader& reader, mail::MailStoreSession& session, ULONG entryIdSize,
                        const BYTE* entryId, std::int32_t storeIndex) {
    DestroyMessageReader(reader);
    reader.session = &session;
    reader.storeIndex = storeIndex;
    reader.messageFlags = 0;
    reader.messageStatus = 0;
    reader.mimeFlag = 0;
    reader.partialBodyMarker = std::u16string(session.PartialBodyMarker().View());

    IUnknown* object = nullptr;
    if (FAILED(session.OpenEntry(entryIdSize, entryId, &object)) || object == nullptr) return;
    reader.message = InterfaceCast<IMessage>(object);
    if (reader.message == nullptr) {  // an entry ID of a folder or store: no message to read
        object->Release();
        return;
    }
    reader.messageFlags = ReadLong(reader.message, PR_MESSAGE_FLAGS);
    reader.messageStatus = ReadLong(reader.message, PR_MSG_STATUS);
    reader.mimeFlag =
        (session.DefaultStoreIndex() != storeIndex && (reader.messageFlags & MSGFLAG_FROMME) == 0)
            ? 1
            : 0;
    // A body that cannot be read stays null, which the reader shows as an empty message.
    static_cast<void>(FetchBody(reader));
}

void DestroyMessageReader(MessageReader& reader) {
    SysFreeString(reader.bodyText);
    SysFreeString(reader.htmlText);
    if (reader.message != nullptr) {
        reader.message->Release();
        reader.message = nullptr;
    }
}

const Bstr& ReadingText(const MessageReader& reader) {
    return reader.bodyText;
}

}  // namespace velora::content
