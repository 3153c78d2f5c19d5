#pragma once
// Sorting the Inbox list by read state, sender or date with the Inbox menu's direction rule:
// choosing the key of the last sort again reverses the order; choosing another key sorts it
// ascending, whatever its direction was before. The sort is the list's own (in place, not
// stable), so equal summaries end in the order its partitioning leaves them.
// The date and time texts of the list rows come with it (date_text.h).

#include <cstdint>

#include "inbox/date_text.h"
#include "mail/message_summary.h"

namespace velora::inbox {

enum class InboxSortKey { None, Read, Sender, Date };

// The sort state, kept by the Inbox for the whole run (not saved); a reload does not reset it.
struct InboxSortState {
    InboxSortKey key = InboxSortKey::None;
    std::int32_t senderAscending = 1;
    std::int32_t readAscending = 1;
    std::int32_t dateAscending = 1;
};

// Negative, zero or positive as a sorts before, with or after b under `key` (ascending):
// read: unread first; sender: the user's collation ignoring case (a failed comparison counts as
// smaller); date: oldest first; none: 0.
int CompareSummaries(InboxSortKey key, const mail::MessageSummary* a,
                     const mail::MessageSummary* b);

// Applies the direction rule for `key` to `state`, sorts the list and leaves its cursor at the
// first element.
void SortInboxList(mail::InboxList& list, InboxSortKey key, InboxSortState& state);

}  // namespace velora::inbox
