#include "platform/mapi/tables.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "platform/base/text_codec.h"
#include "platform/mapi/property_values.h"

namespace velora::platform::mapi_objects {

namespace {

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

}  // namespace

IMAPITable* NewStoresTable(std::vector<StorePtr> stores) {
    return new Table(std::make_unique<StoresRows>(std::move(stores)));
}

IMAPITable* NewContentsTable(StorePtr store, std::string folder) {
    return new Table(std::make_unique<ContentsRows>(std::move(store), std::move(folder)));
}

IMAPITable* NewHierarchyTable(StorePtr store, std::string folder) {
    return new Table(std::make_unique<HierarchyRows>(std::move(store), std::move(folder)));
}

}  // namespace velora::platform::mapi_objects
