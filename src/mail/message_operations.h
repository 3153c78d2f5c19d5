#pragma once
// The three changes the user makes to a message, each given only its entry ID. Each opens what it
// needs through the session, changes one thing and releases everything again; the callers update
// their own summary and list row whatever the result.

#include "mail/mail_store_session.h"

namespace velora::mail {

// PR_MESSAGE_FLAGS bit MSGFLAG_READ set (value non-zero) or cleared (0), other bits kept.
[[nodiscard]] HRESULT SetReadFlag(MailStoreSession& session, ULONG entryIdSize, const BYTE* entryId,
                                  std::uint32_t value);
// The download-state word's bits 0x01680000 set or cleared together, other bits kept.
[[nodiscard]] HRESULT SetDownloadMark(MailStoreSession& session, ULONG entryIdSize,
                                      const BYTE* entryId, std::uint32_t value);
// Removes the message from its parent folder (the store moves it to its Trash).
[[nodiscard]] HRESULT DeleteMessage(MailStoreSession& session, ULONG entryIdSize,
                                    const BYTE* entryId);

}  // namespace velora::mail
