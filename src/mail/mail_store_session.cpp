#include "mail/mail_store_session.h"

#include "platform/base/ascii_case.h"
#include "platform/mapi/mapi.h"

namespace velora::mail {
namespace {

using namespace velora::platform;

constexpr ULONG kStoreBatchRows = 10;

// The five folders of a store record, in record order, with their store properties.
constexpr ULONG kSpecialFolderTags[5] = {PR_CE_IPM_INBOX_ENTRYID, PR_IPM_OUTBOX_ENTRYID,
                                         PR_CE_IPM_DRAFTS_ENTRYID, PR_IPM_WASTEBASKET_ENTRYID,
                                         PR_IPM_SENTMAIL_ENTRYID};

bool ContainsDefaultMark(const char16_t* name) {
    if (name == nullptr) return false;
    return AsciiUppercase(name).find(u".DEFAULT") != std::u16string::npos;
}

}  // namespace

MapiRuntime::MapiRuntime() : result_(CoInitializeEx(nullptr, 0)) {
    if (SUCCEEDED(result_)) {
        result_ = MAPIInitialize(nullptr);
        mapiStarted_ = true;
    }
}

MapiRuntime::~MapiRuntime() {
    if (mapiStarted_) MAPIUninitialize();
    CoUninitialize();
}

MailStoreSession::MailStoreSession() : partialBodyMarker_(SysAllocString(kPartialBodyMarker)) {}

MailStoreSession::~MailStoreSession() {
    if (session_) {
        // Nothing is left to do about a failed logoff: the session goes either way.
        static_cast<void>(session_->Logoff(0, 0, 0));
        session_.reset();
    }
    stores_.clear();  // after the session, as they were opened through it
}

HRESULT MailStoreSession::Logon() {
    HRESULT result = MAPILogonEx(0, nullptr, nullptr, 0, session_.put());
    if (FAILED(result)) return result;
    result = WalkStores();
    if (FAILED(result)) return result;
    loggedOn_ = 1;
    return result;
}

HRESULT MailStoreSession::WalkStores() {
    ComPtr<IMAPITable> table;
    HRESULT result = session_->GetMsgStoresTable(MAPI_UNICODE, table.put());
    if (FAILED(result)) return result;
    static constexpr ULONG kColumns[] = {PR_ENTRYID, PR_DISPLAY_NAME_W};
    const SPropTagArray columns{2, kColumns};
    result = table->SetColumns(&columns, 0);
    RowSet rows;
    while (SUCCEEDED(result)) {
        result = table->QueryRows(kStoreBatchRows, 0, rows.put());
        if (FAILED(result)) break;
        for (ULONG i = 0; i < rows->cRows && SUCCEEDED(result); ++i) {
            const SRow& row = rows->aRow[i];
            const SPropValue& idValue = row.lpProps[0];
            const SPropValue& nameValue = row.lpProps[1];
            const SBinary entryId = idValue.ulPropTag == PR_ENTRYID ? idValue.Value.bin : SBinary{};
            const char16_t* name =
                nameValue.ulPropTag == PR_DISPLAY_NAME_W ? nameValue.Value.lpszW : nullptr;

            StoreRecord record;
            ComPtr<IUnknown> opened;
            result = OpenEntry(entryId.cb, entryId.lpb, opened);
            if (FAILED(result)) break;
            record.store = InterfaceCast<IMsgStore>(std::move(opened));
            if (!record.store) {
                result = MAPI_E_INVALID_ENTRYID;
                break;
            }
            if (defaultStoreIndex_ == -1 && ContainsDefaultMark(name)) {
                defaultStoreIndex_ = static_cast<std::int32_t>(stores_.size());
            }
            ComPtr<IMAPIFolder>* folders[5] = {&record.inbox, &record.outbox, &record.drafts,
                                               &record.deletedItems, &record.sentItems};
            for (int f = 0; f < 5 && SUCCEEDED(result); ++f) {
                MapiBuffer<SPropValue> value;
                result = GetOneProp(record.store.get(), kSpecialFolderTags[f], value);
                if (FAILED(result)) break;
                ComPtr<IUnknown> folder;
                result = OpenEntry(value->Value.bin.cb, value->Value.bin.lpb, folder);
                if (FAILED(result)) break;
                *folders[f] = InterfaceCast<IMAPIFolder>(std::move(folder));
                if (!*folders[f]) result = MAPI_E_INVALID_ENTRYID;
            }
            if (FAILED(result)) break;  // the current store is not added
            record.displayName = (name != nullptr && *name != u'\0')
                                     ? SysAllocString(name)
                                     : SysAllocStringLen(nullptr, 0);
            stores_.push_back(std::move(record));
        }
        if (FAILED(result) || rows->cRows < kStoreBatchRows) break;
    }
    return result;
}

const StoreRecord& MailStoreSession::GetStore(std::int32_t index) const {
    static const StoreRecord kNoStore;
    if (index < 0 || index >= StoreCount()) return kNoStore;
    return stores_[static_cast<std::size_t>(index)];
}

HRESULT MailStoreSession::OpenEntry(ULONG entryIdSize, const BYTE* entryId,
                                    ComPtr<IUnknown>& object) {
    object.reset();
    if (!session_) return MAPI_E_NOT_INITIALIZED;
    return session_->OpenEntry(entryIdSize, entryId, nullptr, MAPI_MODIFY, nullptr, object.put());
}

HRESULT MailStoreSession::GetOneProp(IMAPIProp* object, ULONG tag, MapiBuffer<SPropValue>& value) {
    value.reset();
    if (object == nullptr) return E_INVALIDARG;
    const ULONG tags[] = {tag};
    const SPropTagArray tagArray{1, tags};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    const HRESULT result = object->GetProps(&tagArray, MAPI_UNICODE, &count, values.put());
    if (SUCCEEDED(result) && values && count >= 1 && values->ulPropTag == tag) {
        value = std::move(values);
        return S_OK;
    }
    return E_FAIL;
}

HRESULT MailStoreSession::SetOneProp(IMAPIProp* object, const SPropValue& value) {
    if (object == nullptr) return E_INVALIDARG;
    const HRESULT result = object->SetProps(1, &value, nullptr);
    return FAILED(result) ? result : S_OK;
}

}  // namespace velora::mail
