#include "platform/maildir_headers.h"

#include <gmime/gmime.h>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/text_codec.h"

namespace velora::platform {
namespace {

void EnsureGmime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

struct GFreeDeleter {
    void operator()(char* text) const { g_free(text); }
};
struct GObjectDeleter {
    void operator()(void* object) const { g_object_unref(object); }
};
struct DateTimeDeleter {
    void operator()(GDateTime* time) const { g_date_time_unref(time); }
};

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
                             text.front() == '\n')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// The header fields the list needs; each the first occurrence, raw (still folded).
struct RawHeaders {
    std::optional<std::string_view> subject;
    std::optional<std::string_view> from;
    std::optional<std::string_view> date;
    std::optional<std::string_view> received;
    std::optional<std::string_view> contentType;
    std::optional<std::string_view> contentDisposition;
};

// Walks the header block starting at `text`; returns the offset just after it.
template <typename Visitor>
std::size_t WalkHeader(std::string_view text, Visitor&& visit) {
    std::size_t position = 0;
    std::string_view name;
    std::size_t valueStart = 0;
    bool inField = false;
    auto finish = [&](std::size_t end) {
        if (inField) visit(name, text.substr(valueStart, end - valueStart));
        inField = false;
    };
    while (position < text.size()) {
        std::size_t lineEnd = text.find('\n', position);
        const std::size_t next = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        std::string_view line = text.substr(position, lineEnd - position);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) {
            finish(position);
            return next;
        }
        if (line.front() == ' ' || line.front() == '\t') {
            position = next;  // a continuation of the current field
            continue;
        }
        finish(position);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && colon > 0) {
            name = Trim(line.substr(0, colon));
            valueStart = position + colon + 1;
            inField = true;
        }
        position = next;
    }
    finish(text.size());
    return text.size();
}

std::string Unfold(std::string_view raw) {
    std::string result;
    result.reserve(raw.size());
    for (char c : raw) {
        if (c == '\r' || c == '\n') continue;
        result += c;
    }
    return std::string(Trim(result));
}

std::string AsUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return EncodeUtf8(DecodeWindows1252(bytes));
}

struct MediaType {
    std::string type;     // lower case
    std::string subtype;  // lower case
    std::string boundary;
};

std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiLower(c);
    return result;
}

bool IsPlainTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '+' || c == '_';
}

// The usual "type/subtype" alone or before parameters, read without GMime (whose parser costs
// more than all the rest of a message's header). Anything unusual (comments, quoting, spaces
// around the slash) and multipart types, whose boundary parameter is needed, give nullopt.
std::optional<MediaType> ParsePlainMediaType(std::string_view value) {
    std::size_t slash = 0;
    while (slash < value.size() && IsPlainTokenChar(value[slash])) ++slash;
    if (slash == 0 || slash == value.size() || value[slash] != '/') return std::nullopt;
    std::size_t end = slash + 1;
    while (end < value.size() && IsPlainTokenChar(value[end])) ++end;
    if (end == slash + 1) return std::nullopt;
    std::size_t rest = end;
    while (rest < value.size() && (value[rest] == ' ' || value[rest] == '\t')) ++rest;
    if (rest < value.size() && value[rest] != ';') return std::nullopt;
    MediaType media;
    media.type.reserve(slash);
    for (char c : value.substr(0, slash)) media.type += AsciiLower(c);
    if (media.type == "multipart") return std::nullopt;
    for (char c : value.substr(slash + 1, end - slash - 1)) media.subtype += AsciiLower(c);
    return media;
}

MediaType ParseMediaType(std::optional<std::string_view> raw) {
    MediaType result{"text", "plain", {}};
    if (!raw) return result;
    const std::string value = Unfold(*raw);
    if (std::optional<MediaType> plain = ParsePlainMediaType(value)) return std::move(*plain);
    std::unique_ptr<GMimeContentType, GObjectDeleter> parsed(
        g_mime_content_type_parse(nullptr, value.c_str()));
    if (!parsed) return result;
    const char* type = g_mime_content_type_get_media_type(parsed.get());
    const char* subtype = g_mime_content_type_get_media_subtype(parsed.get());
    if (type != nullptr) result.type = Lower(type);
    if (subtype != nullptr) result.subtype = Lower(subtype);
    const char* boundary = g_mime_content_type_get_parameter(parsed.get(), "boundary");
    if (boundary != nullptr) result.boundary = boundary;
    return result;
}

bool IsAttachmentDisposition(std::optional<std::string_view> raw) {
    if (!raw) return false;
    const std::string value = Lower(Unfold(*raw));
    return value.starts_with("attachment");
}

bool IsAttachmentType(const MediaType& media) {
    if (media.type == "application") {
        return media.subtype != "pgp-signature" && media.subtype != "pkcs7-signature" &&
               media.subtype != "x-pkcs7-signature" && media.subtype != "pgp-encrypted";
    }
    return media.type == "image" || media.type == "audio" || media.type == "video" ||
           media.type == "message";
}

// Follows the boundaries of a multipart body; true at the first part that is an attachment.
bool MultipartHasAttachment(std::string_view body, std::string rootBoundary) {
    constexpr std::size_t kMaxParts = 10000;
    std::vector<std::string> boundaries{std::move(rootBoundary)};
    std::size_t parts = 0;
    std::size_t position = 0;
    while (position < body.size()) {
        std::size_t lineEnd = body.find('\n', position);
        if (lineEnd == std::string_view::npos) lineEnd = body.size();
        std::string_view line = body.substr(position, lineEnd - position);
        position = lineEnd + 1;
        if (line.size() < 3 || line[0] != '-' || line[1] != '-') continue;
        line.remove_prefix(2);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        bool opening = false;
        for (const std::string& boundary : boundaries) {
            if (line == boundary) {
                opening = true;
                break;
            }
        }
        if (!opening || position >= body.size()) continue;
        if (++parts > kMaxParts) return false;
        RawHeaders headers;
        position += WalkHeader(body.substr(position), [&](std::string_view name, std::string_view value) {
            if (!headers.contentType && EqualsIgnoringCase(name, "Content-Type")) headers.contentType = value;
            if (!headers.contentDisposition && EqualsIgnoringCase(name, "Content-Disposition")) {
                headers.contentDisposition = value;
            }
        });
        const MediaType media = ParseMediaType(headers.contentType);
        if (IsAttachmentDisposition(headers.contentDisposition)) return true;
        if (media.type == "multipart") {
            if (!media.boundary.empty()) boundaries.push_back(media.boundary);
            continue;
        }
        if (IsAttachmentType(media)) return true;
    }
    return false;
}

void ReadSender(std::string_view raw, MessageHeaderInfo& info) {
    const std::string value = AsUtf8(Unfold(raw));
    if (value.empty()) return;
    std::unique_ptr<InternetAddressList, GObjectDeleter> list(
        internet_address_list_parse(nullptr, value.c_str()));
    InternetAddress* address = nullptr;
    if (list && internet_address_list_length(list.get()) > 0) {
        address = internet_address_list_get_address(list.get(), 0);
        if (INTERNET_ADDRESS_IS_GROUP(address)) {
            InternetAddressList* members =
                internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address));
            address = (members != nullptr && internet_address_list_length(members) > 0)
                          ? internet_address_list_get_address(members, 0)
                          : nullptr;
        }
    }
    if (address == nullptr || !INTERNET_ADDRESS_IS_MAILBOX(address)) {
        info.hasSender = true;
        info.senderName = DecodeHeaderText(value);
        return;
    }
    const char* name = internet_address_get_name(address);
    const char* mailbox = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
    info.senderAddress = mailbox != nullptr ? mailbox : "";
    info.senderName = (name != nullptr && *name != '\0') ? std::string(name) : info.senderAddress;
    info.hasSender = !info.senderName.empty() || !info.senderAddress.empty();
}

}  // namespace

std::string DecodeHeaderText(std::string_view raw) {
    std::string value = AsUtf8(Unfold(raw));
    if (value.find("=?") == std::string::npos) return value;
    EnsureGmime();
    std::unique_ptr<char, GFreeDeleter> decoded(g_mime_utils_header_decode_text(nullptr, value.c_str()));
    if (!decoded) return value;
    return AsUtf8(decoded.get());
}

std::optional<std::uint64_t> ParseMessageDate(std::string_view text) {
    EnsureGmime();
    const std::string value = Unfold(text);
    if (value.empty()) return std::nullopt;
    std::unique_ptr<GDateTime, DateTimeDeleter> time(g_mime_utils_header_decode_date(value.c_str()));
    if (!time) return std::nullopt;
    const std::int64_t seconds = g_date_time_to_unix(time.get());
    const std::int64_t sinceFileTimeEpoch = seconds + 11644473600LL;
    if (sinceFileTimeEpoch <= 0) return std::nullopt;
    return static_cast<std::uint64_t>(sinceFileTimeEpoch) * 10000000ULL +
           static_cast<std::uint64_t>(g_date_time_get_microsecond(time.get())) * 10ULL;
}

std::size_t FindBodyStart(std::string_view message) {
    return WalkHeader(message, [](std::string_view, std::string_view) {});
}

MessageHeaderInfo ReadMessageHeaderInfo(std::string_view message) {
    EnsureGmime();
    RawHeaders headers;
    const std::size_t bodyStart = WalkHeader(message, [&](std::string_view name, std::string_view value) {
        switch (AsciiLower(name.empty() ? '\0' : name.front())) {
            case 's':
                if (!headers.subject && EqualsIgnoringCase(name, "Subject")) headers.subject = value;
                break;
            case 'f':
                if (!headers.from && EqualsIgnoringCase(name, "From")) headers.from = value;
                break;
            case 'd':
                if (!headers.date && EqualsIgnoringCase(name, "Date")) headers.date = value;
                break;
            case 'r':
                if (!headers.received && EqualsIgnoringCase(name, "Received")) headers.received = value;
                break;
            case 'c':
                if (!headers.contentType && EqualsIgnoringCase(name, "Content-Type")) {
                    headers.contentType = value;
                } else if (!headers.contentDisposition &&
                           EqualsIgnoringCase(name, "Content-Disposition")) {
                    headers.contentDisposition = value;
                }
                break;
            default: break;
        }
    });
    MessageHeaderInfo info;
    if (headers.subject) {
        info.hasSubject = true;
        info.subject = DecodeHeaderText(*headers.subject);
    }
    if (headers.from) ReadSender(*headers.from, info);
    if (headers.received) {
        const std::size_t semicolon = headers.received->rfind(';');
        if (semicolon != std::string_view::npos) {
            if (auto time = ParseMessageDate(headers.received->substr(semicolon + 1))) {
                info.deliveryTime = *time;
            }
        }
    }
    if (info.deliveryTime == 0 && headers.date) {
        if (auto time = ParseMessageDate(*headers.date)) info.deliveryTime = *time;
    }
    const MediaType media = ParseMediaType(headers.contentType);
    if (IsAttachmentDisposition(headers.contentDisposition)) {
        info.hasAttachment = true;
    } else if (media.type == "multipart") {
        info.hasAttachment = !media.boundary.empty() &&
                             MultipartHasAttachment(message.substr(bodyStart), media.boundary);
    } else {
        info.hasAttachment = IsAttachmentType(media);
    }
    return info;
}

}  // namespace velora::platform
