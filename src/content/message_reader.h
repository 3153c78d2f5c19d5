#pragma once
// The Message reader object: one per message being loaded; yields the message's reading text (its
// body alone, no header lines).

#include <cstdint>
#include <string>

#include "platform/base/bstr.h"
#include "platform/mapi/com_ptr.h"

namespace velora::mail {
class MailStoreSession;
}

namespace velora::content {

// PR_MSG_STATUS bits that mean the message is only partly downloaded.
inline constexpr std::uint32_t kPartlyDownloadedStatus = 0x00010000u | 0x00100000u;

struct MessageReader {
    MessageReader() = default;
    MessageReader(const MessageReader&) = delete;
    MessageReader& operator=(const MessageReader&) = delete;
    ~MessageReader();

    mail::MailStoreSession* session = nullptr;  // null for a message read from bytes
    // The opened message (released by DestroyMessageReader or the destructor); empty when it
    // cannot be opened, or for a message read from bytes.
    platform::ComPtr<platform::IMessage> message;
    std::int32_t storeIndex = 0;
    std::uint32_t messageFlags = 0;   // PR_MESSAGE_FLAGS, 0 when it cannot be read
    std::uint32_t messageStatus = 0;  // PR_MSG_STATUS, 0 when it cannot be read
    std::uint32_t mimeFlag = 0;       // 1: the body comes from the MIME source
    platform::Bstr bodyText;          // the reading text; never null once built
    platform::Bstr htmlText;          // the first HTML text found; empty when none
    // The Mail store session's partial-body marker, copied when the object is built.
    std::u16string partialBodyMarker;

    bool PartlyDownloaded() const { return (messageStatus & kPartlyDownloadedStatus) != 0; }
};

// Builds the object for one message, body included. The message is opened through the session by
// entry ID; its flags and status decide between the plain body and the MIME source: the MIME
// source when the session's default-store index differs from `storeIndex` and the user did not
// send the message (MSGFLAG_FROMME clear), and the message is not unsent.
// The body text is null when the message cannot be opened (it went away since it was listed) or
// its body property cannot be opened; the loader reads that as "...". Otherwise it is never null.
// May throw (allocation); the loader's guard catches.
void BuildMessageReader(MessageReader& reader, mail::MailStoreSession& session,
                        platform::ULONG entryIdSize, const platform::BYTE* entryId,
                        std::int32_t storeIndex);

// Frees the two texts and releases the message object.
void DestroyMessageReader(MessageReader& reader);

// The object's body text.
const platform::Bstr& ReadingText(const MessageReader& reader);

}  // namespace velora::content
