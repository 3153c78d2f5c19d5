#pragma once
// Filling the Inbox list: for every store, the Inbox's messages (newest first), then each folder
// below it in hierarchy order, each folder's messages followed at once by those of its own
// subfolders.

#include <cstdint>
#include <functional>

#include "mail/mail_store_session.h"
#include "mail/message_summary.h"

namespace velora::mail {

// What one contents-table row becomes before it is handed on. Pointers point into the row set and
// are valid only during the hand-over; texts are null when absent or empty; absent numbers are 0.
struct MessageRow {
    platform::SBinary entryId{};
    const char16_t* subject = nullptr;
    const char16_t* senderName = nullptr;
    const char16_t* senderAddress = nullptr;
    std::uint32_t messageFlags = 0;
    platform::FILETIME deliveryTime{};
    std::uint32_t size = 0;  // a negative stored size becomes 0
    std::uint32_t messageStatus = 0;
    std::uint32_t downloadState = 0;
};

using MessageRowHandler = std::function<void(const MessageRow&)>;
using FolderHandler = std::function<void(const platform::SBinary& entryId)>;

// Appends one summary per message of the stores' Inbox folders and the folders below them, and
// sets listedCount. The caller empties the list first.
void LoadInboxList(MailStoreSession& session, InboxList& list);

// Hands every row of the folder's contents table (newest first, ten rows a batch) to the handler;
// returns the number of rows handed on. A failing table call ends the walk quietly.
std::int32_t WalkFolderContents(platform::IMAPIFolder* folder, const MessageRowHandler& handler);

// Depth-first walk below a folder: the handler gets each subfolder's entry ID, then the walk goes
// into that subfolder when it has subfolders of its own.
void WalkSubfolders(MailStoreSession& session, platform::IMAPIFolder* folder, std::int32_t depth,
                    const FolderHandler& handler);

// The summary builder: appends the row's summary to the list. False when no summary could be
// allocated (the row is skipped and not counted).
[[nodiscard]] bool AppendMessageSummary(InboxList& list, const MessageRow& row);

}  // namespace velora::mail
