#include "inbox/inbox_window_mail.h"

#include "inbox/inbox_sort.h"
#include "mail/inbox_list.h"
#include "mail/message_operations.h"

namespace velora::inbox {

MailInboxMessages::MailInboxMessages(mail::MailStoreSession& session, mail::InboxList& list,
                                     reader::Player& player, services::ReadingSettings& settings)
    : session_(session), list_(list), player_(player), settings_(settings) {}

mail::MessageSummary* MailInboxMessages::Summary(int index) const {
    std::unique_ptr<mail::MessageSummary>* element = list_.summaries.Find(index);
    return element != nullptr ? element->get() : nullptr;
}

int MailInboxMessages::Count() const {
    return list_.summaries.Count();
}

InboxRow MailInboxMessages::Row(int index) const {
    InboxRow row;
    const mail::MessageSummary* summary = Summary(index);
    if (summary == nullptr) return row;
    row.read = summary->read != 0;
    row.hasAttachments = summary->hasAttachments != 0;
    row.markedForDownload = summary->markedForDownload != 0;
    row.sender = summary->sender;
    row.subject = summary->subject;
    row.dateText = FormatDateText(*summary);
    row.timeText = FormatTimeText(*summary);
    return row;
}

void MailInboxMessages::Reload() {
    mail::ClearInboxList(list_);
    mail::LoadInboxList(session_, list_);
}

void MailInboxMessages::SetRead(int index, bool read) {
    mail::MessageSummary* summary = Summary(index);
    if (summary == nullptr) return;
    summary->read = read ? 1 : 0;
    // The row shows the change whether or not the store took it.
    static_cast<void>(mail::SetReadFlag(session_, summary->entryIdSize, summary->entryIdBytes.get(),
                                        read ? 1 : 0));
}

void MailInboxMessages::SetDownloadMark(int index, bool marked) {
    mail::MessageSummary* summary = Summary(index);
    if (summary == nullptr) return;
    summary->markedForDownload = marked ? 1 : 0;
    // The row shows the change whether or not the store took it.
    static_cast<void>(mail::SetDownloadMark(session_, summary->entryIdSize,
                                            summary->entryIdBytes.get(), marked ? 1 : 0));
}

void MailInboxMessages::Delete(int index) {
    mail::MessageSummary* summary = Summary(index);
    if (summary == nullptr) return;
    // The row goes whether or not the store could move the message.
    static_cast<void>(
        mail::DeleteMessage(session_, summary->entryIdSize, summary->entryIdBytes.get()));
    static_cast<void>(list_.summaries.RemoveAt(index));  // Summary(index) found it
}

void MailInboxMessages::Sort(SortKey key) {
    SortInboxList(list_,
                  key == SortKey::Sender ? InboxSortKey::Sender
                  : key == SortKey::Read ? InboxSortKey::Read
                                         : InboxSortKey::Date,
                  sortState_);
}

void MailInboxMessages::LoadMessageDocument(int index) {
    const mail::MessageSummary* summary = Summary(index);
    if (summary == nullptr) return;
    content::LoadMessageDocument(player_, settings_, session_, summary->entryIdSize,
                                 summary->entryIdBytes.get());
}

void MailInboxMessages::LoadDefaultDocument() {
    content::LoadDefaultDocument(player_, settings_, 0);
}

}  // namespace velora::inbox
