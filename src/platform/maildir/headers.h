#pragma once
// What the message list needs from one message file, read from its header and MIME structure
// without decoding any body.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velora::platform {

struct MessageHeaderInfo {
    bool hasSubject = false;    // a Subject header is present (its text may still be empty)
    bool hasSender = false;     // a From header with a name or an address is present
    std::string subject;        // UTF-8, encoded words decoded, folding removed
    std::string senderName;     // UTF-8; the address when the From header gives no name
    std::string senderAddress;  // UTF-8, as written (may be empty)
    // Delivery time, 100-ns ticks since 1601 (FILETIME), from the first Received header's date,
    // else the Date header; 0 when neither gives a date (the caller then uses the file's time).
    std::uint64_t deliveryTime = 0;
    bool hasAttachment = false;

    bool operator==(const MessageHeaderInfo&) const = default;
};

// Parses the message bytes; never fails (a message without a header gives an empty record).
MessageHeaderInfo ReadMessageHeaderInfo(std::string_view message);

// The offset where the body starts (after the blank line ending the header); the size when the
// message has no blank line.
std::size_t FindBodyStart(std::string_view message);

// An RFC 5322 date as FILETIME ticks, nullopt when it cannot be read.
[[nodiscard]] std::optional<std::uint64_t> ParseMessageDate(std::string_view text);

namespace detail {
// The readers behind ReadMessageHeaderInfo, exposed so tests can hold the quick readers of the
// usual forms to GMime's general parsers. Each takes the raw (folded) header value.
[[nodiscard]] std::optional<std::uint64_t> ParseMessageDateWithGmime(std::string_view text);
void ReadSender(std::string_view raw, MessageHeaderInfo& info);  // quick reader, else GMime
void ReadSenderWithGmime(std::string_view raw, MessageHeaderInfo& info);
}  // namespace detail

}  // namespace velora::platform
