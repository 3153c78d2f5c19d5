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
    MapiBuffer<SPropValue> value;
    if (FAILED(mail::MailStoreSession::GetOneProp(message, tag, value))) return 0;
    return value->Value.ul;
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

    ComPtr<IUnknown> object;
    if (FAILED(session.OpenEntry(entryIdSize, entryId, object))) return;
    reader.message = InterfaceCast<IMessage>(std::move(object));
    if (!reader.message) return;  // an entry ID of a folder or store: no message to read
    reader.messageFlags = ReadLong(reader.message.get(), PR_MESSAGE_FLAGS);
    reader.messageStatus = ReadLong(reader.message.get(), PR_MSG_STATUS);
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
    reader.message.reset();
}

const Bstr& ReadingText(const MessageReader& reader) {
    return reader.bodyText;
}

}  // namespace velora::content
