#include "mail/inbox_list.h"

#include <cstring>
#include <new>

namespace velora::mail {
namespace {

using namespace velora::platform;

constexpr LONG kBatchRows = 10;

constexpr ULONG kContentsColumns[] = {PR_ENTRYID,
                                      PR_SUBJECT_W,
                                      PR_SENDER_NAME_W,
                                      PR_SENDER_EMAIL_ADDRESS_W,
                                      PR_MESSAGE_FLAGS,
                                      PR_MESSAGE_DELIVERY_TIME,
                                      PR_MESSAGE_SIZE,
                                      PR_MSG_STATUS,
                                      PR_CE_MSG_DOWNLOAD_STATE};
constexpr ULONG kHierarchyColumns[] = {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_SUBFOLDERS,
                                       PR_CONTENT_COUNT, PR_CONTENT_UNREAD};

const char16_t* TextOf(const SPropValue& value, ULONG tag) {
    if (value.ulPropTag != tag || value.Value.lpszW == nullptr || value.Value.lpszW[0] == u'\0')
        return nullptr;
    return value.Value.lpszW;
}

std::uint32_t NumberOf(const SPropValue& value, ULONG tag) {
    return value.ulPropTag == tag ? value.Value.ul : 0;
}

MessageRow RowOf(const SRow& row) {
    const SPropValue* values = row.lpProps;
    MessageRow message;
    if (values[0].ulPropTag == PR_ENTRYID) message.entryId = values[0].Value.bin;
    message.subject = TextOf(values[1], PR_SUBJECT_W);
    message.senderName = TextOf(values[2], PR_SENDER_NAME_W);
    message.senderAddress = TextOf(values[3], PR_SENDER_EMAIL_ADDRESS_W);
    message.messageFlags = NumberOf(values[4], PR_MESSAGE_FLAGS);
    if (values[5].ulPropTag == PR_MESSAGE_DELIVERY_TIME) message.deliveryTime = values[5].Value.ft;
    const LONG size = values[6].ulPropTag == PR_MESSAGE_SIZE ? values[6].Value.l : 0;
    message.size = size < 0 ? 0 : static_cast<std::uint32_t>(size);
    message.messageStatus = NumberOf(values[7], PR_MSG_STATUS);
    message.downloadState = NumberOf(values[8], PR_CE_MSG_DOWNLOAD_STATE);
    return message;
}

// The text rule: "..." for a missing text; "Error Encountered." when copying fails with an
// exception; "Intentionally Blank." when the copy is empty.
void ApplyTextRule(const char16_t* text, std::u16string& field, std::int32_t& length) {
    if (text == nullptr) text = u"...";
    std::u16string duplicate;
    try {
        duplicate = text;
    } catch (...) {
        try {
            duplicate = u"Error Encountered.";
        } catch (...) {
            duplicate.clear();
        }
    }
    try {
        field = duplicate.empty() ? std::u16string(u"Intentionally Blank.") : std::move(duplicate);
    } catch (...) {
        field.clear();
    }
    length = static_cast<std::int32_t>(field.size());
}

}  // namespace

bool AppendMessageSummary(InboxList& list, const MessageRow& row) {
    std::unique_ptr<MessageSummary> summary(new (std::nothrow) MessageSummary);
    if (!summary) return false;
    ++list.summaryCount;
    if (row.entryId.cb != 0 && row.entryId.lpb != nullptr) {
        summary->entryIdBytes = AllocateMapiBuffer<BYTE>(row.entryId.cb);
        if (summary->entryIdBytes) {
            std::memcpy(summary->entryIdBytes.get(), row.entryId.lpb, row.entryId.cb);
            summary->entryIdSize = row.entryId.cb;
        }
    }
    ApplyTextRule(row.senderName, summary->sender, summary->senderLength);
    ApplyTextRule(row.subject, summary->subject, summary->subjectLength);
    summary->read = (row.messageFlags & MSGFLAG_READ) != 0 ? 1 : 0;
    summary->hasAttachments = (row.messageFlags & MSGFLAG_HASATTACH) != 0 ? 1 : 0;
    summary->markedForDownload = (row.messageStatus & MSGSTATUS_REMOTE_DOWNLOAD) != 0 ? 1 : 0;
    summary->deliveryTime = row.deliveryTime;
    try {
        list.summaries.Append(std::move(summary));
    } catch (...) {
        --list.summaryCount;
        return false;
    }
    return true;
}

std::int32_t WalkFolderContents(IMAPIFolder* folder, const MessageRowHandler& handler) {
    if (folder == nullptr) return 0;
    std::int32_t count = 0;
    ComPtr<IMAPITable> table;
    if (FAILED(folder->GetContentsTable(0, table.put()))) return 0;
    const SPropTagArray columns{static_cast<ULONG>(std::size(kContentsColumns)), kContentsColumns};
    static constexpr SSortOrder kNewestFirst[] = {{PR_MESSAGE_DELIVERY_TIME, TABLE_SORT_DESCEND}};
    const SSortOrderSet order{1, 0, 0, kNewestFirst};
    RowSet rows;
    if (SUCCEEDED(table->SetColumns(&columns, 0)) && SUCCEEDED(table->SortTable(&order, 0)) &&
        SUCCEEDED(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr))) {
        while (true) {
            if (FAILED(table->QueryRows(kBatchRows, 0, rows.put()))) break;
            for (ULONG i = 0; i < rows->cRows; ++i) {
                handler(RowOf(rows->aRow[i]));
                ++count;
            }
            if (rows->cRows < static_cast<ULONG>(kBatchRows)) break;
        }
    }
    return count;
}

void WalkSubfolders(MailStoreSession& session, IMAPIFolder* folder, std::int32_t depth,
                    const FolderHandler& handler) {
    if (folder == nullptr) return;
    ComPtr<IMAPITable> table;
    if (FAILED(folder->GetHierarchyTable(0, table.put()))) return;
    const SPropTagArray columns{static_cast<ULONG>(std::size(kHierarchyColumns)),
                                kHierarchyColumns};
    RowSet rows;
    if (SUCCEEDED(table->SetColumns(&columns, 0))) {
        while (true) {
            if (FAILED(table->QueryRows(kBatchRows, 0, rows.put()))) break;
            for (ULONG i = 0; i < rows->cRows; ++i) {
                const SPropValue* values = rows->aRow[i].lpProps;
                const SBinary entryId =
                    values[0].ulPropTag == PR_ENTRYID ? values[0].Value.bin : SBinary{};
                handler(entryId);
                if (values[2].ulPropTag == PR_SUBFOLDERS && values[2].Value.b != 0) {
                    ComPtr<IUnknown> opened;
                    if (SUCCEEDED(session.OpenEntry(entryId.cb, entryId.lpb, opened))) {
                        WalkSubfolders(session, InterfaceCast<IMAPIFolder>(opened.get()), depth + 1,
                                       handler);
                    }
                }
            }
            if (rows->cRows < static_cast<ULONG>(kBatchRows)) break;
        }
    }
}

void LoadInboxList(MailStoreSession& session, InboxList& list) {
    list.summaryCount = 0;
    std::int32_t total = 0;
    std::int32_t skipped = 0;
    const MessageRowHandler builder = [&](const MessageRow& row) {
        if (!AppendMessageSummary(list, row)) ++skipped;
    };
    for (std::int32_t index = 0; index < session.StoreCount(); ++index) {
        IMAPIFolder* inbox = session.GetStore(index).inbox.get();
        total += WalkFolderContents(inbox, builder);
        WalkSubfolders(session, inbox, 1, [&](const SBinary& entryId) {
            ComPtr<IUnknown> opened;
            if (FAILED(session.OpenEntry(entryId.cb, entryId.lpb, opened))) return;
            total += WalkFolderContents(InterfaceCast<IMAPIFolder>(opened.get()), builder);
        });
    }
    list.listedCount = total - skipped;
}

}  // namespace velora::mail
