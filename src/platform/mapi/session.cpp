// The MAPI session over the program's Maildir stores, and the calls that start and end it.

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "platform/base/program_services.h"
#include "platform/mapi/entry_id.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/objects.h"
#include "platform/mapi/store_context.h"
#include "platform/mapi/tables.h"

namespace velora::platform {
namespace {

namespace fs = std::filesystem;
using namespace mapi_objects;

// How many MAPIInitialize calls have not been ended by MAPIUninitialize: a part of the program's
// services, so that no test's initialisation outlives it.
struct MapiInitialization {
    int count = 0;
};

class Session final : public RefCounted<IMAPISession> {
  public:
    explicit Session(const MessageStoreProfile& profile) {
        for (const MessageStoreDefinition& definition : profile.stores) {
            stores_.push_back(std::make_shared<StoreContext>(StoreContext{
                static_cast<std::uint32_t>(stores_.size()), definition.displayName,
                MaildirStore(definition.maildir, definition.ownAddress, profile.indexUse)}));
        }
    }
    HRESULT GetMsgStoresTable(ULONG, IMAPITable** lppTable) override {
        if (lppTable == nullptr) return E_INVALIDARG;
        *lppTable = NewStoresTable(stores_);
        return S_OK;
    }
    HRESULT OpenEntry(ULONG cbEntryID, const BYTE* lpEntryID, const IID* lpInterface, ULONG,
                      ULONG* lpulObjType, IUnknown** lppUnk) override {
        if (lppUnk == nullptr) return E_INVALIDARG;
        *lppUnk = nullptr;
        if (lpInterface != nullptr) return MAPI_E_NO_SUPPORT;
        if (lpEntryID == nullptr) return MAPI_E_INVALID_ENTRYID;
        const std::optional<EntryIdParts> parts = ParseEntryId({lpEntryID, cbEntryID});
        if (!parts || parts->storeIndex >= stores_.size()) return MAPI_E_INVALID_ENTRYID;
        const StorePtr& store = stores_[parts->storeIndex];
        ULONG type = 0;
        switch (parts->kind) {
            case EntryKind::Store:
                *lppUnk = NewStore(store);
                type = MAPI_STORE;
                break;
            case EntryKind::Folder:
                // A special folder always opens (empty when it is absent or unusable).
                if (!store->store.FolderDirectory(parts->folder) &&
                    !store->store.IsSpecialFolder(parts->folder)) {
                    return MAPI_E_INVALID_ENTRYID;
                }
                *lppUnk = NewFolder(store, parts->folder);
                type = MAPI_FOLDER;
                break;
            case EntryKind::Message:
                if (!store->store.FolderDirectory(parts->folder)) return MAPI_E_INVALID_ENTRYID;
                if (!store->store.MessagePath(parts->folder, parts->unique))
                    return MAPI_E_NOT_FOUND;
                *lppUnk = NewStoredMessage(store, parts->folder, parts->unique);
                type = MAPI_MESSAGE;
                break;
        }
        if (lpulObjType != nullptr) *lpulObjType = type;
        return S_OK;
    }
    HRESULT Logoff(ULONG_PTR, ULONG, ULONG) override { return S_OK; }

  private:
    std::vector<StorePtr> stores_;
};

}  // namespace

HRESULT MAPIInitialize(void*) {
    ++CurrentProgramServices().Get<MapiInitialization>().count;
    return S_OK;
}

void MAPIUninitialize() {
    int& count = CurrentProgramServices().Get<MapiInitialization>().count;
    if (count > 0) --count;
}

HRESULT MAPILogonEx(ULONG_PTR, const char16_t*, const char16_t*, ULONG, IMAPISession** lppSession) {
    if (lppSession == nullptr) return E_INVALIDARG;
    *lppSession = nullptr;
    ProgramServices& services = CurrentProgramServices();
    if (services.Get<MapiInitialization>().count == 0) return MAPI_E_NOT_INITIALIZED;
    *lppSession = new Session(services.Get<MessageStoreProfile>());
    return S_OK;
}

bool IsMaildirStoreRoot(const std::filesystem::path& path) {
    std::error_code error;
    auto isMaildir = [&](const fs::path& folder) {
        return fs::is_directory(folder / "cur", error) && fs::is_directory(folder / "new", error);
    };
    return isMaildir(path) || isMaildir(path / "INBOX") || isMaildir(path / "Inbox");
}

HRESULT OpenMessageFromBytes(std::string bytes, IMessage** lppMessage) {
    if (lppMessage == nullptr) return E_INVALIDARG;
    *lppMessage = NewLooseMessage(std::move(bytes));
    return S_OK;
}

}  // namespace velora::platform
