#pragma once
// A Message summary: one entry of the Inbox list, keeping only what the list shows and the entry
// ID that the message operations need.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/mapi/com_ptr.h"
#include "support/positional_list.h"

namespace velora::mail {

struct MessageSummary {
    std::int32_t read = 0;  // MSGFLAG_READ; changed in place when the store's flag is changed
    std::u16string sender;  // display name after the text rule
    std::u16string subject;
    std::int32_t senderLength = 0;
    std::int32_t subjectLength = 0;
    platform::FILETIME deliveryTime{};   // UTC, as stored
    std::int32_t hasAttachments = 0;     // MSGFLAG_HASATTACH
    std::int32_t markedForDownload = 0;  // MSGSTATUS_REMOTE_DOWNLOAD; changed in place
    // A copy of the row's entry ID; empty (size 0) when the row had none or there was no memory.
    platform::MapiBuffer<platform::BYTE> entryIdBytes;
    platform::ULONG entryIdSize = 0;

    platform::SBinary EntryId() const { return {entryIdSize, entryIdBytes.get()}; }
};

// The summaries in list order; item i of the Inbox list view is summary i (zero-based).
struct InboxList {
    support::PositionalList<std::unique_ptr<MessageSummary>> summaries;
    std::int32_t summaryCount = 0;  // summaries made by the last load
    std::int32_t listedCount = 0;   // rows the last load reported (the list view's item count)
};

// Destroys every summary (texts, entry ID copy, the summary itself).
inline void ClearInboxList(InboxList& list) {
    list.summaries.Clear();
}

}  // namespace velora::mail
