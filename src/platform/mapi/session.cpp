// The MAPI objects over Maildir stores: session, stores table, stores, folders, contents and
// hierarchy tables, messages and streams.

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "platform/base/file_io.h"
#include "platform/base/text_codec.h"
#include "platform/maildir/plain_body.h"
#include "platform/maildir/store.h"
#include "platform/mapi/entry_id.h"
#include "platform/mapi/mapi.h"

namespace velora::platform {
namespace {

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

namespace fs = std::filesystem;

int gInitializeCount = 0;
std::vector<MessageStoreDefinition>& StoreDefinitions() {
    static std::vector<MessageStoreDefinition> definitions;
    return definitions;
}

FolderIndexUse& IndexUse() {
    static FolderIndexUse use = FolderIndexUse::Kept;
    return use;
}

template <typename Interface>
class RefCounted : public Interface {
  public:
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

  protected:
    ~RefCounted() override = default;

  private:
    ULONG references_ = 1;
};

struct StoreContext {
    std::uint32_t index = 0;
    std::u16string displayName;
    MaildirStore store;
};
using StorePtr = std::shared_ptr<StoreContext>;

// ---- property values --------------------------------------------------------------------------

bool PutText(SPropValue& value, void* owner, std::u16string_view text) {
    void* block = nullptr;
    const ULONG bytes = static_cast<ULONG>((text.size() + 1) * sizeof(char16_t));
    if (FAILED(MAPIAllocateMore(bytes, owner, &block))) return false;
    auto* out = static_cast<char16_t*>(block);
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = u'\0';
    value.Value.lpszW = out;
    return true;
}

// UTF-8 text as a UTF-16 value; plain ASCII, the usual case, is widened straight into the buffer.
bool PutUtf8Text(SPropValue& value, void* owner, std::string_view utf8) {
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) return PutText(value, owner, DecodeUtf8(utf8));
    }
    void* block = nullptr;
    const ULONG bytes = static_cast<ULONG>((utf8.size() + 1) * sizeof(char16_t));
    if (FAILED(MAPIAllocateMore(bytes, owner, &block))) return false;
    auto* out = static_cast<char16_t*>(block);
    for (std::size_t i = 0; i < utf8.size(); ++i) out[i] = static_cast<char16_t>(utf8[i]);
    out[utf8.size()] = u'\0';
    value.Value.lpszW = out;
    return true;
}

// An entry ID written straight into the value's MAPI block.
bool PutEntryId(SPropValue& value, void* owner, EntryKind kind, std::uint32_t store,
                std::string_view folder, std::string_view unique = {}) {
    const std::size_t size = EncodedEntryIdSize(kind, store, folder, unique);
    void* block = nullptr;
    if (FAILED(MAPIAllocateMore(static_cast<ULONG>(size), owner, &block))) return false;
    WriteEntryId(kind, store, folder, unique, static_cast<std::uint8_t*>(block));
    value.Value.bin.cb = static_cast<ULONG>(size);
    value.Value.bin.lpb = static_cast<LPBYTE>(block);
    return true;
}

// Fills one value for `tag`; false when the object has no such property.
using Filler = std::function<bool(ULONG tag, SPropValue& value, void* owner)>;

// One MAPI buffer of values for the tags; *missing tells whether any came back as PT_ERROR.
HRESULT BuildValues(const std::vector<ULONG>& tags, const Filler& fill, SPropValue** out,
                    bool* missing) {
    void* block = nullptr;
    const ULONG count = static_cast<ULONG>(tags.size());
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * (count == 0 ? 1 : count)),
                                  &block))) {
        return E_OUTOFMEMORY;
    }
    auto* values = static_cast<SPropValue*>(block);
    for (ULONG i = 0; i < count; ++i) {
        values[i] = SPropValue{};
        values[i].ulPropTag = tags[i];
        if (!fill(tags[i], values[i], block)) {
            values[i] = SPropValue{};
            values[i].ulPropTag = CHANGE_PROP_TYPE(tags[i], PT_ERROR);
            values[i].Value.err = MAPI_E_NOT_FOUND;
            if (missing != nullptr) *missing = true;
        }
    }
    *out = values;
    return S_OK;
}

std::vector<ULONG> TagList(const SPropTagArray* tags) {
    if (tags == nullptr || tags->aulPropTag == nullptr) return {};
    return std::vector<ULONG>(tags->aulPropTag, tags->aulPropTag + tags->cValues);
}

HRESULT GetPropsWith(const SPropTagArray* tags, const Filler& fill, ULONG* count,
                     SPropValue** out) {
    if (tags == nullptr || count == nullptr || out == nullptr) return E_INVALIDARG;
    bool missing = false;
    const std::vector<ULONG> list = TagList(tags);
    const HRESULT result = BuildValues(list, fill, out, &missing);
    if (FAILED(result)) return result;
    *count = static_cast<ULONG>(list.size());
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

// Values of one message, shared by contents-table rows and message objects.
struct MessageFacts {
    const StoreContext* store = nullptr;  // null for a message outside any store
    const std::string* folder = nullptr;
    const MaildirMessage* message = nullptr;
    MessageSideState side;
};

ULONG MessageFlags(const MessageFacts& facts) {
    ULONG flags = 0;
    if (facts.message->read) flags |= MSGFLAG_READ;
    if (facts.message->header->hasAttachment) flags |= MSGFLAG_HASATTACH;
    if (facts.store != nullptr) {
        if (facts.store->store.IsFromMe(*facts.message->header)) flags |= MSGFLAG_FROMME;
        if (facts.store->store.IsUnsentFolder(*facts.folder)) flags |= MSGFLAG_UNSENT;
    }
    return flags;
}

ULONG MessageStatus(const MessageSideState& side) {
    ULONG status = side.status & (MSGSTATUS_PARTIAL_DOWNLOAD | MSGSTATUS_PARTIAL);
    if ((side.downloadState & kDownloadStateMarkBits) != 0) status |= MSGSTATUS_REMOTE_DOWNLOAD;
    return status;
}

bool FillMessageValue(const MessageFacts& facts, ULONG tag, SPropValue& value, void* owner) {
    const MessageHeaderInfo& header = *facts.message->header;
    switch (tag) {
        case PR_ENTRYID:
            return facts.store != nullptr &&
                   PutEntryId(value, owner, EntryKind::Message, facts.store->index, *facts.folder,
                              facts.message->unique);
        case PR_PARENT_ENTRYID:
            return facts.store != nullptr &&
                   PutEntryId(value, owner, EntryKind::Folder, facts.store->index, *facts.folder);
        case PR_SUBJECT_W:
            return header.hasSubject && PutUtf8Text(value, owner, header.subject);
        case PR_SENDER_NAME_W:
            return header.hasSender && !header.senderName.empty() &&
                   PutUtf8Text(value, owner, header.senderName);
        case PR_SENDER_EMAIL_ADDRESS_W:
            return !header.senderAddress.empty() && PutUtf8Text(value, owner, header.senderAddress);
        case PR_MESSAGE_FLAGS:
            value.Value.ul = MessageFlags(facts);
            return true;
        case PR_MESSAGE_DELIVERY_TIME:
            value.Value.ft = MakeFileTime(facts.message->deliveryTime);
            return true;
        case PR_MESSAGE_SIZE:
            value.Value.l =
                static_cast<LONG>(std::min<std::uint64_t>(facts.message->size, INT32_MAX));
            return true;
        case PR_MSG_STATUS:
            value.Value.ul = MessageStatus(facts.side);
            return true;
        case PR_CE_MSG_DOWNLOAD_STATE:
            value.Value.ul = facts.side.downloadState;
            return true;
        default:
            return false;
    }
}

// ---- streams ----------------------------------------------------------------------------------

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

// ---- tables -----------------------------------------------------------------------------------

class RowSource {
  public:
    virtual ~RowSource() = default;
    virtual std::size_t Count() const = 0;
    virtual bool Fill(std::size_t row, ULONG tag, SPropValue& value, void* owner) = 0;
    virtual std::vector<ULONG> DefaultColumns() const = 0;
    virtual HRESULT Sort(const SSortOrderSet*) { return MAPI_E_TOO_COMPLEX; }
};

class Table final : public RefCounted<IMAPITable> {
  public:
    explicit Table(std::unique_ptr<RowSource> source)
        : source_(std::move(source)), columns_(source_->DefaultColumns()) {}

    HRESULT SetColumns(const SPropTagArray* lpPropTagArray, ULONG) override {
        if (lpPropTagArray == nullptr || lpPropTagArray->cValues == 0) return E_INVALIDARG;
        columns_ = TagList(lpPropTagArray);
        return S_OK;
    }
    HRESULT SortTable(const SSortOrderSet* lpSortCriteria, ULONG) override {
        if (lpSortCriteria == nullptr) return E_INVALIDARG;
        const HRESULT result = source_->Sort(lpSortCriteria);
        if (SUCCEEDED(result)) position_ = 0;
        return result;
    }
    HRESULT SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) override {
        std::int64_t base = 0;
        if (bkOrigin == BOOKMARK_CURRENT)
            base = static_cast<std::int64_t>(position_);
        else if (bkOrigin == BOOKMARK_END)
            base = static_cast<std::int64_t>(source_->Count());
        else if (bkOrigin != BOOKMARK_BEGINNING)
            return E_INVALIDARG;
        const std::int64_t target = std::clamp<std::int64_t>(
            base + lRowCount, 0, static_cast<std::int64_t>(source_->Count()));
        if (lplRowsSought != nullptr) *lplRowsSought = static_cast<LONG>(target - base);
        position_ = static_cast<std::size_t>(target);
        return S_OK;
    }
    HRESULT QueryRows(LONG lRowCount, ULONG, SRowSet** lppRows) override {
        if (lppRows == nullptr || lRowCount < 0) return E_INVALIDARG;
        *lppRows = nullptr;
        const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(lRowCount),
                                                        source_->Count() - position_);
        void* block = nullptr;
        if (FAILED(MAPIAllocateBuffer(sizeof(SRowSet), &block))) return E_OUTOFMEMORY;
        auto* rows = new (block) SRowSet{};
        if (count != 0) {
            void* rowBlock = nullptr;
            if (FAILED(
                    MAPIAllocateMore(static_cast<ULONG>(sizeof(SRow) * count), block, &rowBlock))) {
                MAPIFreeBuffer(block);
                return E_OUTOFMEMORY;
            }
            rows->aRow = static_cast<SRow*>(rowBlock);
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t row = position_ + i;
            SPropValue* values = nullptr;
            const HRESULT result = BuildValues(
                columns_,
                [&](ULONG tag, SPropValue& value, void* owner) {
                    return source_->Fill(row, tag, value, owner);
                },
                &values, nullptr);
            if (FAILED(result)) {
                FreeProws(rows);
                return result;
            }
            rows->aRow[i] = SRow{0, static_cast<ULONG>(columns_.size()), values};
            rows->cRows = static_cast<ULONG>(i + 1);
        }
        position_ += count;
        *lppRows = rows;
        return S_OK;
    }
    HRESULT GetRowCount(ULONG, ULONG* lpulCount) override {
        if (lpulCount == nullptr) return E_INVALIDARG;
        *lpulCount = static_cast<ULONG>(source_->Count());
        return S_OK;
    }

  private:
    std::unique_ptr<RowSource> source_;
    std::vector<ULONG> columns_;
    std::size_t position_ = 0;
};

class StoresRows final : public RowSource {
  public:
    explicit StoresRows(std::vector<StorePtr> stores) : stores_(std::move(stores)) {}
    std::size_t Count() const override { return stores_.size(); }
    std::vector<ULONG> DefaultColumns() const override { return {PR_ENTRYID, PR_DISPLAY_NAME_W}; }
    bool Fill(std::size_t row, ULONG tag, SPropValue& value, void* owner) override {
        if (tag == PR_ENTRYID)
            return PutEntryId(value, owner, EntryKind::Store, stores_[row]->index, {});
        if (tag == PR_DISPLAY_NAME_W) return PutText(value, owner, stores_[row]->displayName);
        return false;
    }

  private:
    std::vector<StorePtr> stores_;
};

class ContentsRows final : public RowSource {
  public:
    ContentsRows(StorePtr store, std::string folder)
        : store_(std::move(store)), folder_(std::move(folder)) {
        messages_ = store_->store.ListMessages(folder_);
        // Rows are ordered through an index, so sorting moves four-byte numbers, not messages.
        order_.resize(messages_.size());
        for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
        if (const auto directory = store_->store.FolderDirectory(folder_))
            sides_ = LoadSideFile(*directory);
    }
    std::size_t Count() const override { return messages_.size(); }
    std::vector<ULONG> DefaultColumns() const override {
        return {PR_ENTRYID,
                PR_SUBJECT_W,
                PR_SENDER_NAME_W,
                PR_MESSAGE_FLAGS,
                PR_MESSAGE_DELIVERY_TIME,
                PR_MESSAGE_SIZE,
                PR_MSG_STATUS};
    }
    bool Fill(std::size_t row, ULONG tag, SPropValue& value, void* owner) override {
        if (!ordered_) SortByUniqueName();
        const MaildirMessage& message = messages_[order_[row]];
        MessageFacts facts{store_.get(), &folder_, &message, {}};
        if (tag == PR_MSG_STATUS || tag == PR_CE_MSG_DOWNLOAD_STATE) {
            auto side = sides_.find(message.unique);
            if (side != sides_.end()) facts.side = side->second;
        }
        return FillMessageValue(facts, tag, value, owner);
    }
    HRESULT Sort(const SSortOrderSet* order) override {
        if (order->cSorts == 0) return S_OK;
        if (order->cSorts != 1 || order->cCategories != 0 || order->aSort == nullptr ||
            order->aSort[0].ulPropTag != PR_MESSAGE_DELIVERY_TIME) {
            return MAPI_E_TOO_COMPLEX;
        }
        const bool descending = order->aSort[0].ulOrder == TABLE_SORT_DESCEND;
        const std::vector<MaildirMessage>& messages = messages_;
        std::sort(order_.begin(), order_.end(),
                  [descending, &messages](std::uint32_t left, std::uint32_t right) {
                      const MaildirMessage& a = messages[left];
                      const MaildirMessage& b = messages[right];
                      if (a.deliveryTime != b.deliveryTime) {
                          return descending ? a.deliveryTime > b.deliveryTime
                                            : a.deliveryTime < b.deliveryTime;
                      }
                      return a.unique < b.unique;
                  });
        ordered_ = true;  // unique names break ties, so the order is total
        return S_OK;
    }

  private:
    // The order of an unsorted table: by unique name, made when a row is first read.
    void SortByUniqueName() {
        const std::vector<MaildirMessage>& messages = messages_;
        std::sort(order_.begin(), order_.end(),
                  [&messages](std::uint32_t left, std::uint32_t right) {
                      return messages[left].unique < messages[right].unique;
                  });
        ordered_ = true;
    }

    StorePtr store_;
    std::string folder_;
    std::vector<MaildirMessage> messages_;
    std::vector<std::uint32_t> order_;  // row number to index in messages_
    bool ordered_ = false;
    SideStates sides_;
};

class HierarchyRows final : public RowSource {
  public:
    HierarchyRows(StorePtr store, std::string folder)
        : store_(std::move(store)), folder_(std::move(folder)) {
        children_ = store_->store.ChildFolders(folder_);
        counts_.resize(children_.size());
    }
    std::size_t Count() const override { return children_.size(); }
    std::vector<ULONG> DefaultColumns() const override {
        return {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_SUBFOLDERS, PR_CONTENT_COUNT, PR_CONTENT_UNREAD};
    }
    bool Fill(std::size_t row, ULONG tag, SPropValue& value, void* owner) override {
        const MaildirFolderNode& node = children_[row];
        switch (tag) {
            case PR_ENTRYID:
                return PutEntryId(value, owner, EntryKind::Folder, store_->index, node.path);
            case PR_PARENT_ENTRYID:
                return PutEntryId(value, owner, EntryKind::Folder, store_->index, folder_);
            case PR_DISPLAY_NAME_W:
                return PutText(value, owner, DecodeUtf8OrWindows1252(node.name));
            case PR_SUBFOLDERS:
                value.Value.b = node.children.empty() ? 0 : 1;
                return true;
            case PR_CONTENT_COUNT:
            case PR_CONTENT_UNREAD: {
                if (!counts_[row]) {
                    std::pair<std::uint32_t, std::uint32_t> counted;
                    store_->store.CountMessages(node.path, counted.first, counted.second);
                    counts_[row] = counted;
                }
                value.Value.ul =
                    tag == PR_CONTENT_COUNT ? counts_[row]->first : counts_[row]->second;
                return true;
            }
            default:
                return false;
        }
    }

  private:
    StorePtr store_;
    std::string folder_;
    std::vector<MaildirFolderNode> children_;
    std::vector<std::optional<std::pair<std::uint32_t, std::uint32_t>>> counts_;  // total, unread
};

// ---- objects ----------------------------------------------------------------------------------

HRESULT NoWrites(ULONG cValues, const SPropValue* lpPropArray, SPropProblemArray** lppProblems) {
    if (lppProblems != nullptr) *lppProblems = nullptr;
    return (cValues != 0 && lpPropArray == nullptr) ? E_INVALIDARG : MAPI_E_NO_ACCESS;
}

class Folder final : public RefCounted<IMAPIFolder> {
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
    HRESULT SetProps(ULONG cValues, const SPropValue* lpPropArray,
                     SPropProblemArray** lppProblems) override {
        return NoWrites(cValues, lpPropArray, lppProblems);
    }
    HRESULT OpenProperty(ULONG, const IID*, ULONG, ULONG, IUnknown** lppUnk) override {
        if (lppUnk != nullptr) *lppUnk = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetContentsTable(ULONG, IMAPITable** lppTable) override {
        if (lppTable == nullptr) return E_INVALIDARG;
        *lppTable = new Table(std::make_unique<ContentsRows>(store_, path_));
        return S_OK;
    }
    HRESULT GetHierarchyTable(ULONG, IMAPITable** lppTable) override {
        if (lppTable == nullptr) return E_INVALIDARG;
        *lppTable = new Table(std::make_unique<HierarchyRows>(store_, path_));
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
            found = store_->store.FindMessage(folder_, unique_);
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
                if (!store_->store.MessageFile(folder_, unique_)) {
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
                const std::optional<fs::path> file = store_->store.MessageFile(folder_, unique_);
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

class Store final : public RefCounted<IMsgStore> {
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
    HRESULT SetProps(ULONG cValues, const SPropValue* lpPropArray,
                     SPropProblemArray** lppProblems) override {
        return NoWrites(cValues, lpPropArray, lppProblems);
    }
    HRESULT OpenProperty(ULONG, const IID*, ULONG, ULONG, IUnknown** lppUnk) override {
        if (lppUnk != nullptr) *lppUnk = nullptr;
        return MAPI_E_NO_SUPPORT;
    }

  private:
    StorePtr store_;
};

class Session final : public RefCounted<IMAPISession> {
  public:
    explicit Session(const std::vector<MessageStoreDefinition>& definitions) {
        for (const MessageStoreDefinition& definition : definitions) {
            stores_.push_back(std::make_shared<StoreContext>(
                StoreContext{static_cast<std::uint32_t>(stores_.size()), definition.displayName,
                             MaildirStore(definition.maildir, definition.ownAddress, IndexUse())}));
        }
    }
    HRESULT GetMsgStoresTable(ULONG, IMAPITable** lppTable) override {
        if (lppTable == nullptr) return E_INVALIDARG;
        *lppTable = new Table(std::make_unique<StoresRows>(stores_));
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
                *lppUnk = new Store(store);
                type = MAPI_STORE;
                break;
            case EntryKind::Folder:
                // A special folder always opens (empty when it is absent or unusable).
                if (!store->store.FolderDirectory(parts->folder) &&
                    !store->store.IsSpecialFolder(parts->folder)) {
                    return MAPI_E_INVALID_ENTRYID;
                }
                *lppUnk = new Folder(store, parts->folder);
                type = MAPI_FOLDER;
                break;
            case EntryKind::Message:
                if (!store->store.FolderDirectory(parts->folder)) return MAPI_E_INVALID_ENTRYID;
                if (!store->store.MessageFile(parts->folder, parts->unique))
                    return MAPI_E_NOT_FOUND;
                *lppUnk = new Message(store, parts->folder, parts->unique);
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
    ++gInitializeCount;
    return S_OK;
}

void MAPIUninitialize() {
    if (gInitializeCount > 0) --gInitializeCount;
}

HRESULT MAPILogonEx(ULONG_PTR, const char16_t*, const char16_t*, ULONG, IMAPISession** lppSession) {
    if (lppSession == nullptr) return E_INVALIDARG;
    *lppSession = nullptr;
    if (gInitializeCount == 0) return MAPI_E_NOT_INITIALIZED;
    *lppSession = new Session(StoreDefinitions());
    return S_OK;
}

void SetMessageStores(std::vector<MessageStoreDefinition> stores) {
    StoreDefinitions() = std::move(stores);
}

void SetFolderIndexUse(FolderIndexUse use) {
    IndexUse() = use;
}

const std::vector<MessageStoreDefinition>& MessageStores() {
    return StoreDefinitions();
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
    *lppMessage = new Message(std::move(bytes));
    return S_OK;
}

}  // namespace velora::platform
