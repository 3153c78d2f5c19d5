#include "platform/mapi/objects.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/base/file_io.h"
#include "platform/base/text_codec.h"
#include "platform/maildir/plain_body.h"
#include "platform/mapi/property_values.h"
#include "platform/mapi/tables.h"

namespace velora::platform::mapi_objects {

namespace {

namespace fs = std::filesystem;

// The status of a change to a Maildir message as MAPI reports it.
HRESULT ToHresult(MaildirStatus status) {
    switch (status) {
        case MaildirStatus::Done:
            return S_OK;
        case MaildirStatus::NotFound:
            return MAPI_E_NOT_FOUND;
        case MaildirStatus::UnsafePath:
            return MAPI_E_INVALID_ENTRYID;
        case MaildirStatus::NoAccess:
            return MAPI_E_NO_ACCESS;
        case MaildirStatus::Collision:
            return MAPI_E_COLLISION;
        case MaildirStatus::DiskError:
            return MAPI_E_DISK_ERROR;
    }
    return E_FAIL;
}

// An object whose properties are read only and open no sub-objects (folders and stores).
template <class Interface>
class ReadOnlyProperties : public RefCounted<Interface> {
  public:
    HRESULT SetProps(ULONG cValues, const SPropValue* lpPropArray,
                     SPropProblemArray** lppProblems) override {
        return NoWrites(cValues, lpPropArray, lppProblems);
    }
    HRESULT OpenProperty(ULONG, const IID*, ULONG, ULONG, IUnknown** lppUnk) override {
        if (lppUnk != nullptr) *lppUnk = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
};

class MemoryStream final : public RefCounted<IStream> {
  public:
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (pv == nullptr && cb != 0) return E_INVALIDARG;
        const std::size_t count = std::min<std::size_t>(cb, bytes_.size() - position_);
        if (count != 0) std::memcpy(pv, bytes_.data() + position_, count);
        position_ += count;
        if (pcbRead != nullptr) *pcbRead = static_cast<ULONG>(count);
        return S_OK;
    }

  private:
    std::string bytes_;
    std::size_t position_ = 0;
};

class Folder final : public ReadOnlyProperties<IMAPIFolder> {
  public:
    Folder(StorePtr store, std::string path) : store_(std::move(store)), path_(std::move(path)) {}

    HRESULT GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** out) override {
        return GetPropsWith(
            tags,
            [this](ULONG tag, SPropValue& value, void* owner) {
                MaildirStore& store = store_->store;
                switch (tag) {
                    case PR_ENTRYID:
                        return PutEntryId(value, owner, EntryKind::Folder, store_->index, path_);
                    case PR_DISPLAY_NAME_W:
                        return PutText(value, owner,
                                       DecodeUtf8OrWindows1252(store.FolderDisplayName(path_)));
                    case PR_PARENT_ENTRYID: {
                        const std::optional<std::string> parent = store.ParentFolder(path_);
                        return parent &&
                               PutEntryId(value, owner, EntryKind::Folder, store_->index, *parent);
                    }
                    case PR_SUBFOLDERS:
                        value.Value.b = store.ChildFolders(path_).empty() ? 0 : 1;
                        return true;
                    case PR_CONTENT_COUNT:
                    case PR_CONTENT_UNREAD: {
                        std::uint32_t total = 0;
                        std::uint32_t unread = 0;
                        store.CountMessages(path_, total, unread);
                        value.Value.ul = tag == PR_CONTENT_COUNT ? total : unread;
                        return true;
                    }
                    default:
                        return false;
                }
            },
            count, out);
    }
    HRESULT GetContentsTable(ULONG, IMAPITable** lppTable) override {
        if (lppTable == nullptr) return E_INVALIDARG;
        *lppTable = NewContentsTable(store_, path_);
        return S_OK;
    }
    HRESULT GetHierarchyTable(ULONG, IMAPITable** lppTable) override {
        if (lppTable == nullptr) return E_INVALIDARG;
        *lppTable = NewHierarchyTable(store_, path_);
        return S_OK;
    }
    HRESULT DeleteMessages(const ENTRYLIST* lpMsgList, ULONG_PTR, void*, ULONG) override {
        if (lpMsgList == nullptr || (lpMsgList->cValues != 0 && lpMsgList->lpbin == nullptr))
            return E_INVALIDARG;
        bool problems = false;
        for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
            const SBinary& id = lpMsgList->lpbin[i];
            const std::optional<EntryIdParts> parts =
                id.lpb == nullptr ? std::nullopt : ParseEntryId({id.lpb, id.cb});
            if (!parts || parts->kind != EntryKind::Message || parts->storeIndex != store_->index ||
                parts->folder != path_ ||
                store_->store.MoveToTrash(path_, parts->unique) != MaildirStatus::Done) {
                problems = true;
            }
        }
        return problems ? MAPI_W_ERRORS_RETURNED : S_OK;
    }

  private:
    StorePtr store_;
    std::string path_;
};

class Message final : public RefCounted<IMessage> {
  public:
    Message(StorePtr store, std::string folder, std::string unique)
        : store_(std::move(store)), folder_(std::move(folder)), unique_(std::move(unique)) {}
    explicit Message(std::string bytes) : bytes_(std::move(bytes)) {
        loose_.header = std::make_shared<const MessageHeaderInfo>(ReadMessageHeaderInfo(bytes_));
        loose_.size = bytes_.size();
        loose_.deliveryTime = loose_.header->deliveryTime;
    }

    HRESULT GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** out) override {
        std::optional<MaildirMessage> found;
        MessageFacts facts;
        if (store_) {
            found = store_->store.FindMessageNow(folder_, unique_);
            if (found) {
                facts = MessageFacts{store_.get(), &folder_, &*found,
                                     store_->store.SideState(folder_, unique_)};
            }
        } else {
            facts.message = &loose_;
        }
        return GetPropsWith(
            tags,
            [&](ULONG tag, SPropValue& value, void* owner) {
                if (store_ && tag == PR_ENTRYID)
                    return PutEntryId(value, owner, EntryKind::Message, store_->index, folder_,
                                      unique_);
                if (store_ && tag == PR_PARENT_ENTRYID)
                    return PutEntryId(value, owner, EntryKind::Folder, store_->index, folder_);
                return facts.message != nullptr && FillMessageValue(facts, tag, value, owner);
            },
            count, out);
    }

    HRESULT SetProps(ULONG cValues, const SPropValue* lpPropArray,
                     SPropProblemArray** lppProblems) override {
        if (lppProblems != nullptr) *lppProblems = nullptr;
        if (cValues != 0 && lpPropArray == nullptr) return E_INVALIDARG;
        if (!store_) return MAPI_E_NO_ACCESS;
        std::vector<SPropProblem> problems;
        for (ULONG i = 0; i < cValues; ++i) {
            const SPropValue& value = lpPropArray[i];
            HRESULT result = S_OK;
            if (value.ulPropTag == PR_MESSAGE_FLAGS) {
                result = ToHresult(
                    store_->store.SetSeen(folder_, unique_, (value.Value.ul & MSGFLAG_READ) != 0));
            } else if (value.ulPropTag == PR_CE_MSG_DOWNLOAD_STATE ||
                       value.ulPropTag == PR_MSG_STATUS) {
                if (!store_->store.MessagePath(folder_, unique_)) {
                    result = MAPI_E_NOT_FOUND;
                } else {
                    MessageSideState side = store_->store.SideState(folder_, unique_);
                    if (value.ulPropTag == PR_CE_MSG_DOWNLOAD_STATE) {
                        side.downloadState = value.Value.ul;
                    } else {
                        side.status =
                            value.Value.ul & (MSGSTATUS_PARTIAL_DOWNLOAD | MSGSTATUS_PARTIAL);
                    }
                    result = ToHresult(store_->store.SetSideState(folder_, unique_, side));
                }
            } else {
                problems.push_back({i, value.ulPropTag, MAPI_E_NO_ACCESS});
                continue;
            }
            if (FAILED(result)) return result;
        }
        if (lppProblems != nullptr && !problems.empty()) {
            void* block = nullptr;
            void* list = nullptr;
            if (SUCCEEDED(MAPIAllocateBuffer(sizeof(SPropProblemArray), &block)) &&
                SUCCEEDED(MAPIAllocateMore(
                    static_cast<ULONG>(sizeof(SPropProblem) * problems.size()), block, &list))) {
                auto* array = new (block) SPropProblemArray{};
                array->cProblem = static_cast<ULONG>(problems.size());
                array->aProblem = static_cast<SPropProblem*>(list);
                std::copy(problems.begin(), problems.end(), array->aProblem);
                *lppProblems = array;
            } else {
                MAPIFreeBuffer(block);
            }
        }
        return S_OK;
    }

    HRESULT OpenProperty(ULONG ulPropTag, const IID* lpiid, ULONG, ULONG,
                         IUnknown** lppUnk) override {
        if (lppUnk == nullptr) return E_INVALIDARG;
        *lppUnk = nullptr;
        if (lpiid == nullptr || !(*lpiid == IID_IStream)) return E_NOINTERFACE;
        if (ulPropTag != PR_BODY_W && ulPropTag != PR_CE_MIME_TEXT) return MAPI_E_NOT_FOUND;
        std::string bytes;
        if (store_) {
            // A file renamed by another program between its lookup and its opening is looked
            // up again by its unique name.
            FileStatus read(FileError::NotFound);
            for (int attempt = 0; attempt < 2 && read.Error() == FileError::NotFound; ++attempt) {
                const std::optional<fs::path> file = store_->store.MessagePath(folder_, unique_);
                if (!file) return MAPI_E_NOT_FOUND;
                read = ReadFile(*file, {.limit = kMaxMessageFileSize}, bytes);
            }
            if (read.Error() == FileError::TooLarge) return MAPI_E_NOT_ENOUGH_MEMORY;
            if (!read) return MAPI_E_NOT_FOUND;
        } else {
            bytes = bytes_;
        }
        if (ulPropTag == PR_BODY_W) {
            const std::optional<std::u16string> body = ExtractPlainBody(bytes);
            if (!body) return MAPI_E_NOT_FOUND;
            bytes.assign(reinterpret_cast<const char*>(body->data()),
                         body->size() * sizeof(char16_t));
        }
        *lppUnk = new MemoryStream(std::move(bytes));
        return S_OK;
    }

  private:
    StorePtr store_;
    std::string folder_;
    std::string unique_;
    std::string bytes_;     // a message outside any store
    MaildirMessage loose_;  // its facts
};

class Store final : public ReadOnlyProperties<IMsgStore> {
  public:
    explicit Store(StorePtr store) : store_(std::move(store)) {}
    HRESULT GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** out) override {
        return GetPropsWith(
            tags,
            [this](ULONG tag, SPropValue& value, void* owner) {
                const MaildirStore& store = store_->store;
                auto folder = [&](SpecialFolder which) {
                    return PutEntryId(value, owner, EntryKind::Folder, store_->index,
                                      store.SpecialFolderPath(which));
                };
                switch (tag) {
                    case PR_ENTRYID:
                        return PutEntryId(value, owner, EntryKind::Store, store_->index, {});
                    case PR_DISPLAY_NAME_W:
                        return PutText(value, owner, store_->displayName);
                    case PR_CE_IPM_INBOX_ENTRYID:
                        return folder(SpecialFolder::Inbox);
                    case PR_IPM_OUTBOX_ENTRYID:
                        return folder(SpecialFolder::Outbox);
                    case PR_CE_IPM_DRAFTS_ENTRYID:
                        return folder(SpecialFolder::Drafts);
                    case PR_IPM_WASTEBASKET_ENTRYID:
                        return folder(SpecialFolder::DeletedItems);
                    case PR_IPM_SENTMAIL_ENTRYID:
                        return folder(SpecialFolder::SentItems);
                    default:
                        return false;
                }
            },
            count, out);
    }

  private:
    StorePtr store_;
};

}  // namespace

IMsgStore* NewStore(StorePtr store) {
    return new Store(std::move(store));
}

IMAPIFolder* NewFolder(StorePtr store, std::string path) {
    return new Folder(std::move(store), std::move(path));
}

IMessage* NewStoredMessage(StorePtr store, std::string folder, std::string unique) {
    return new Message(std::move(store), std::move(folder), std::move(unique));
}

IMessage* NewLooseMessage(std::string bytes) {
    return new Message(std::move(bytes));
}

}  // namespace velora::platform::mapi_objects
