#include "mail/message_operations.h"

namespace velora::mail {
namespace {

using namespace velora::platform;

HRESULT ChangeBits(MailStoreSession& session, ULONG entryIdSize, const BYTE* entryId, ULONG tag,
                   ULONG bits, std::uint32_t value) {
    ComPtr<IUnknown> message;
    HRESULT result = session.OpenEntry(entryIdSize, entryId, message);
    if (FAILED(result)) return result;
    auto* properties = dynamic_cast<IMAPIProp*>(message.get());
    MapiBuffer<SPropValue> property;
    result = MailStoreSession::GetOneProp(properties, tag, property);
    if (FAILED(result)) return result;
    if (value != 0) {
        property->Value.ul |= bits;
    } else {
        property->Value.ul &= ~bits;
    }
    return MailStoreSession::SetOneProp(properties, *property);
}

}  // namespace

HRESULT SetReadFlag(MailStoreSession& session, ULONG entryIdSize, const BYTE* entryId,
                    std::uint32_t value) {
    return ChangeBits(session, entryIdSize, entryId, PR_MESSAGE_FLAGS, MSGFLAG_READ, value);
}

HRESULT SetDownloadMark(MailStoreSession& session, ULONG entryIdSize, const BYTE* entryId,
                        std::uint32_t value) {
    return ChangeBits(session, entryIdSize, entryId, PR_CE_MSG_DOWNLOAD_STATE,
                      kDownloadStateMarkBits, value);
}

HRESULT DeleteMessage(MailStoreSession& session, ULONG entryIdSize, const BYTE* entryId) {
    ComPtr<IUnknown> message;
    HRESULT result = session.OpenEntry(entryIdSize, entryId, message);
    if (FAILED(result)) return result;
    MapiBuffer<SPropValue> parent;
    result = MailStoreSession::GetOneProp(dynamic_cast<IMAPIProp*>(message.get()),
                                          PR_PARENT_ENTRYID, parent);
    if (FAILED(result)) return result;
    ComPtr<IUnknown> opened;
    result = session.OpenEntry(parent->Value.bin.cb, parent->Value.bin.lpb, opened);
    if (FAILED(result)) return result;
    message.reset();  // let go of the message object before its folder moves the file
    ComPtr<IMAPIFolder> folder = InterfaceCast<IMAPIFolder>(std::move(opened));
    if (!folder) return MAPI_E_INVALID_ENTRYID;
    SBinary id{entryIdSize, const_cast<BYTE*>(entryId)};
    const ENTRYLIST list{1, &id};
    return folder->DeleteMessages(&list, 0, nullptr, 0);
}

}  // namespace velora::mail
