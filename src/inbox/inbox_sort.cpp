#include "inbox/inbox_sort.h"

#include "platform/desktop/locale_format.h"

namespace velora::inbox {
namespace {

using namespace velora::platform;

std::int32_t& DirectionOf(InboxSortState& state, InboxSortKey key) {
    switch (key) {
        case InboxSortKey::Read:
            return state.readAscending;
        case InboxSortKey::Sender:
            return state.senderAscending;
        default:
            return state.dateAscending;
    }
}

}  // namespace

int CompareSummaries(InboxSortKey key, const mail::MessageSummary* a,
                     const mail::MessageSummary* b) {
    switch (key) {
        case InboxSortKey::Read:
            return a->read > b->read ? 1 : (a->read < b->read ? -1 : 0);
        case InboxSortKey::Sender:
            // CompareStringW's 1, 2, 3 become -1, 0, 1; a failure (0) becomes -2.
            return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT,
                                  a->sender.c_str(), -1, b->sender.c_str(), -1) -
                   2;
        case InboxSortKey::Date:
            return CompareFileTime(&a->deliveryTime, &b->deliveryTime);
        case InboxSortKey::None:
            return 0;
    }
    return 0;
}

void SortInboxList(mail::InboxList& list, InboxSortKey key, InboxSortState& state) {
    if (key == InboxSortKey::None) return;
    std::int32_t& ascending = DirectionOf(state, key);
    ascending = state.key == key ? 1 - ascending : 1;
    state.key = key;
    list.summaries.SetCompare([key](const mail::MessageSummary* a, const mail::MessageSummary* b) {
        return CompareSummaries(key, a, b);
    });
    list.summaries.Sort(ascending == 1 ? support::SortDirection::Ascending
                                       : support::SortDirection::Descending);
}

}  // namespace velora::inbox
