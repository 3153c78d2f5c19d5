#include "mail/message_operations.h"

namespace velora::mail {
namespace {

using namespace velora::platform;

HRESULT ChangeBits(MailStoreSession& session, ULONG entryIdSize, const BYTE* entryId, ULONG tag,
                   ULONG bits, std::uint32_t value) {
    IUnknown* message = nullptr;
    HRESULT result = session.OpenEntry(entryIdSize, entryId, &message);
    if (FAILED(result)) return result;
    SPropValue* property = nullptr;
    result = MailStoreSession::GetOneProp(dynamic_cast<IMAPIProp*>(message), tag, &property);
    if (SUCCEEDED(result)) {
        if (value != 0) {
            property->Value.ul |= bits;
        } else {
            property->Value.ul &= ~bits;
        }
        result = MailStoreSession::SetOneProp(dynamic_cast<IMAPIProp*>(message), *property);
        MAPIFreeBuffer(property);
    }
    MailStoreSession::Release(message);
    return result;
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
    IUnknown* message = nullptr;
    HRESULT result = session.OpenEntry(entryIdSize, entryId, &message);
    if (FAILED(result)) return result;
    SPropValue* parent = nullptr;
    result =
        MailStoreSession::GetOneProp(dynamic_cast<IMAPIProp*>(message), PR_PARENT_ENTRYID, &parent);
    if (FAILED(result)) {
        MailStoreSession::Release(message);
        return result;
    }
    IUnknown* opened = nullptr;
    result = session.OpenEntry(parent->Value.bin.cb, parent->Value.bin.lpb, &opened);
    if (FAILED(result)) {
        MAPIFreeBuffer(parent);
        MailStoreSession::Release(message);
        return result;
    }
    MailStoreSession::Release(message);
    IMAPIFolder* folder = InterfaceCast<IMAPIFolder>(opened);
    if (folder == nullptr) {
        result = MAPI_E_INVALID_ENTRYID;
    } else {
        SBinary id{entryIdSize, const_cast<BYTE*>(entryId)};
        const ENTRYLIST list{1, &id};
        result = folder->DeleteMessages(&list, 0, nullptr, 0);
    }
    MailStoreSession::Release(opened);
    MAPIFreeBuffer(parent);
    return result;
}

}  // namespace velora::mail
