#pragma once
// The Inbox window's InboxMessages over the real Inbox list: the summaries of the Mail store
// session's stores, the store operations on their entry IDs, the Inbox sorting and date texts,
// and the text sources that load a message (or the default document) into the reader.

#include "content/text_sources.h"
#include "inbox/inbox_sort.h"
#include "inbox/inbox_window.h"
#include "mail/mail_store_session.h"
#include "mail/message_summary.h"
#include "reader/player.h"
#include "services/reading_settings.h"

namespace velora::inbox {

class MailInboxMessages : public InboxMessages {
  public:
    MailInboxMessages(mail::MailStoreSession& session, mail::InboxList& list,
                      reader::Player& player, services::ReadingSettings& settings);

    int Count() const override;
    InboxRow Row(int index) const override;
    void Reload() override;
    void SetRead(int index, bool read) override;
    void SetDownloadMark(int index, bool marked) override;
    void Delete(int index) override;
    void Sort(SortKey key) override;
    void LoadMessageDocument(int index) override;
    void LoadDefaultDocument() override;

    mail::InboxList& List() { return list_; }

  private:
    mail::MessageSummary* Summary(int index) const;

    mail::MailStoreSession& session_;
    mail::InboxList& list_;
    reader::Player& player_;
    services::ReadingSettings& settings_;
    InboxSortState sortState_;
};

}  // namespace velora::inbox
