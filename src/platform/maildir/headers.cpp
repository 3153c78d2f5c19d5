#include "platform/maildir/headers.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include "platform/base/ascii_case.h"
#include "platform/mime/gobject.h"
#include "platform/mime/header_text.h"

namespace velora::platform {
namespace {

struct DateTimeDeleter {
    void operator()(GDateTime* time) const { g_date_time_unref(time); }
};

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

struct MediaType {
    std::string type;     // lower case
    std::string subtype;  // lower case
    std::string boundary;
};

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
    media.type = AsciiLowercase(value.substr(0, slash));
    if (media.type == "multipart") return std::nullopt;
    media.subtype = AsciiLowercase(value.substr(slash + 1, end - slash - 1));
    return media;
}

MediaType ParseMediaType(std::optional<std::string_view> raw) {
    MediaType result{"text", "plain", {}};
    if (!raw) return result;
    const std::string value = Unfold(*raw);
    if (std::optional<MediaType> plain = ParsePlainMediaType(value)) return std::move(*plain);
    GObjectPtr<GMimeContentType> parsed(g_mime_content_type_parse(nullptr, value.c_str()));
    if (!parsed) return result;
    const char* type = g_mime_content_type_get_media_type(parsed.get());
    const char* subtype = g_mime_content_type_get_media_subtype(parsed.get());
    if (type != nullptr) result.type = AsciiLowercase(type);
    if (subtype != nullptr) result.subtype = AsciiLowercase(subtype);
    const char* boundary = g_mime_content_type_get_parameter(parsed.get(), "boundary");
    if (boundary != nullptr) result.boundary = boundary;
    return result;
}

bool IsAttachmentDisposition(std::optional<std::string_view> raw) {
    if (!raw) return false;
    const std::string value = AsciiLowercase(Unfold(*raw));
    return value.starts_with("attachment");
}

bool IsSignatureType(const MediaType& media) {
    return media.type == "application" &&
           (media.subtype == "pgp-signature" || media.subtype == "pkcs7-signature" ||
            media.subtype == "x-pkcs7-signature");
}

// A part that sets the attachment mark: one sent as an attachment, or one of a type that is no
// text, except the signature of a signed message (sent with the disposition "attachment" as often
// as not) and the control part of an encrypted one, which belong to the message, not to its
// attachments.
bool IsAttachmentPart(const MediaType& media, std::optional<std::string_view> disposition) {
    if (IsSignatureType(media)) return false;
    if (IsAttachmentDisposition(disposition)) return true;
    if (media.type == "application") return media.subtype != "pgp-encrypted";
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
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
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
        position +=
            WalkHeader(body.substr(position), [&](std::string_view name, std::string_view value) {
                if (!headers.contentType && EqualsIgnoringAsciiCase(name, "Content-Type"))
                    headers.contentType = value;
                if (!headers.contentDisposition &&
                    EqualsIgnoringAsciiCase(name, "Content-Disposition")) {
                    headers.contentDisposition = value;
                }
            });
        const MediaType media = ParseMediaType(headers.contentType);
        if (IsAttachmentPart(media, headers.contentDisposition)) return true;
        if (media.type == "multipart" && !media.boundary.empty())
            boundaries.push_back(media.boundary);
    }
    return false;
}

bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Atoms (runs of the allowed characters) joined by single dots, without a dot at either end.
bool IsDotAtom(std::string_view text, std::string_view allowed) {
    if (text.empty() || text.front() == '.' || text.back() == '.' ||
        text.find("..") != std::string_view::npos) {
        return false;
    }
    for (char c : text) {
        if (!IsAsciiLetterOrDigit(c) && c != '.' && allowed.find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

// A plain "local@domain" address: a dot-atom of atom characters, one '@', a dot-atom of letters,
// digits and hyphens (GMime refuses stray dots in either part, and drops a final dot of the
// domain, so those are left to it), without an "xn--" label (GMime decodes those to Unicode).
bool IsPlainAddress(std::string_view text) {
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos) return false;
    const std::string_view domain = text.substr(at + 1);
    for (std::size_t i = 0; i + 4 <= domain.size(); ++i) {
        if (AsciiLower(domain[i]) == 'x' && AsciiLower(domain[i + 1]) == 'n' &&
            domain[i + 2] == '-' && domain[i + 3] == '-') {
            return false;
        }
    }
    return IsDotAtom(text.substr(0, at), "!#$%&'*+/=?^_`{|}~-") && IsDotAtom(domain, "-");
}

// Words of printable ASCII separated by single spaces; `extra` lists the punctuation allowed
// besides letters and digits.
bool IsPlainPhrase(std::string_view text, std::string_view extra) {
    if (text.empty() || text.front() == ' ' || text.back() == ' ' ||
        text.find("  ") != std::string_view::npos || text.find("=?") != std::string_view::npos) {
        return false;
    }
    for (char c : text) {
        if (!IsAsciiLetterOrDigit(c) && c != ' ' && extra.find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

// The usual forms of a From header, read without GMime's address parser (which costs more than
// the rest of a message's header): "a@b", "<a@b>", "Name <a@b>" with a plain name, and
// "\"Any, Name\" <a@b>" without escapes. False for anything else (comments, groups, several
// addresses, encoded words, 8-bit text), which the general parser reads.
bool ReadUsualSender(std::string_view value, MessageHeaderInfo& info) {
    std::string_view name;
    std::string_view address = value;
    if (!value.empty() && value.back() == '>') {
        const std::size_t open = value.find('<');
        if (open == std::string_view::npos || value.find('<', open + 1) != std::string_view::npos ||
            value.find('>') != value.size() - 1) {
            return false;
        }
        address = value.substr(open + 1, value.size() - open - 2);
        name = Trim(value.substr(0, open));
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
            name = name.substr(1, name.size() - 2);
            if (!IsPlainPhrase(name, " !#$%&'()*+,-./:;<=>?@[]^_`{|}~")) return false;
        } else if (!name.empty() && !IsPlainPhrase(name, "-'")) {
            return false;
        }
    }
    if (!IsPlainAddress(address)) return false;
    info.senderAddress.assign(address);
    info.senderName.assign(name.empty() ? address : name);
    info.hasSender = true;
    return true;
}

// The sender as GMime's address parser reads `value`, the unfolded header value `unfolded` in
// UTF-8 with its encoded words decoded into address syntax (GMime's own decoding of them is
// not used).
void ReadSenderThroughGmime(const std::string& value, std::string_view unfolded,
                            MessageHeaderInfo& info) {
    EnsureGMimeInitialised();
    GObjectPtr<InternetAddressList> list(internet_address_list_parse(nullptr, value.c_str()));
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
        info.senderName = DecodeHeaderText(unfolded);
        return;
    }
    const char* name = internet_address_get_name(address);
    const char* mailbox = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
    info.senderAddress = mailbox != nullptr ? mailbox : "";
    info.senderName = (name != nullptr && *name != '\0') ? std::string(name) : info.senderAddress;
    info.hasSender = !info.senderName.empty() || !info.senderAddress.empty();
}

constexpr std::int64_t kDaysBeforeMonth[12] = {0,   31,  59,  90,  120, 151,
                                               181, 212, 243, 273, 304, 334};

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(std::int64_t year, int month) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
std::int64_t DaysSinceUnixEpoch(std::int64_t year, int month, int day) {
    const std::int64_t before = year - 1;
    std::int64_t days =
        before * 365 + before / 4 - before / 100 + before / 400 - 719162;  // to year-01-01
    days += kDaysBeforeMonth[month - 1] + (month > 2 && IsLeapYear(year) ? 1 : 0);
    return days + day - 1;
}

// Reads `count` decimal digits at `position`.
bool ReadDigits(std::string_view text, std::size_t& position, std::size_t count, int& value) {
    if (text.size() - position < count) return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[position + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    position += count;
    return true;
}

bool SkipSpaces(std::string_view text, std::size_t& position) {
    const std::size_t start = position;
    while (position < text.size() && (text[position] == ' ' || text[position] == '\t')) ++position;
    return position > start;
}

// The usual date form, "[Www, ]D Mmm YYYY HH:MM[:SS] +HHMM[ (comment)]", read without GMime
// (whose parser builds time-zone objects under a global lock) as seconds since 1970; nullopt for
// anything else or any field out of range, which the general parser decides.
std::optional<std::int64_t> ParseUsualDate(std::string_view text) {
    static constexpr std::string_view kDayNames[] = {"Mon", "Tue", "Wed", "Thu",
                                                     "Fri", "Sat", "Sun"};
    static constexpr std::string_view kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::size_t position = 0;
    if (text.size() >= 4 && text[3] == ',') {
        if (std::find(std::begin(kDayNames), std::end(kDayNames), text.substr(0, 3)) ==
            std::end(kDayNames)) {
            return std::nullopt;
        }
        position = 4;
        SkipSpaces(text, position);
    }
    int day = 0;
    if (!ReadDigits(text, position, 2, day)) {
        if (!ReadDigits(text, position, 1, day)) return std::nullopt;
    }
    if (!SkipSpaces(text, position) || text.size() - position < 3) return std::nullopt;
    const auto monthName =
        std::find(std::begin(kMonthNames), std::end(kMonthNames), text.substr(position, 3));
    if (monthName == std::end(kMonthNames)) return std::nullopt;
    const int month = static_cast<int>(monthName - std::begin(kMonthNames)) + 1;
    position += 3;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!SkipSpaces(text, position) || !ReadDigits(text, position, 4, year) ||
        !SkipSpaces(text, position) || !ReadDigits(text, position, 2, hour) ||
        position >= text.size() || text[position++] != ':' ||
        !ReadDigits(text, position, 2, minute)) {
        return std::nullopt;
    }
    if (position < text.size() && text[position] == ':') {
        ++position;
        if (!ReadDigits(text, position, 2, second)) return std::nullopt;
    }
    int zone = 0;
    if (!SkipSpaces(text, position) || position >= text.size() ||
        (text[position] != '+' && text[position] != '-')) {
        return std::nullopt;
    }
    const bool west = text[position++] == '-';
    if (!ReadDigits(text, position, 4, zone)) return std::nullopt;
    // A comment must stand apart: GMime reads "-0530(EST)" as one word that is no zone.
    if (!SkipSpaces(text, position) && position < text.size()) return std::nullopt;
    if (position < text.size()) {
        const std::string_view comment = text.substr(position);
        if (comment.front() != '(' || comment.back() != ')' ||
            comment.find_first_of("()", 1) != comment.size() - 1) {
            return std::nullopt;
        }
        for (char c : comment) {
            // GMime reads the value as a C string: a NUL ends it early; other control and 8-bit
            // bytes are its to judge too.
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
                return std::nullopt;
        }
    }
    // GMime gives no date for years before 1969; those, like impossible days and times, are its
    // to decide.
    if (year < 1969 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59 || zone / 100 > 23 || zone % 100 > 59) {
        return std::nullopt;
    }
    const std::int64_t offset = (zone / 100) * 3600 + (zone % 100) * 60;
    return DaysSinceUnixEpoch(year, month, day) * 86400 + hour * 3600 + minute * 60 + second +
           (west ? offset : -offset);
}

// The FILETIME of a Unix time. The constants are kFileTimeUnixEpochSeconds and
// kFileTimeTicksPerSecond of base/file_time.h, which cannot be included beside GLib (its TRUE and
// FALSE macros clash with the desktop types).
std::optional<std::uint64_t> FileTimeFromUnixTime(std::int64_t seconds, std::int64_t microseconds) {
    const std::int64_t sinceFileTimeEpoch = seconds + 11644473600LL;
    if (sinceFileTimeEpoch <= 0) return std::nullopt;
    return static_cast<std::uint64_t>(sinceFileTimeEpoch) * 10000000ULL +
           static_cast<std::uint64_t>(microseconds) * 10ULL;
}

}  // namespace

std::optional<std::uint64_t> ParseMessageDate(std::string_view text) {
    const std::string value = Unfold(text);
    if (value.empty()) return std::nullopt;
    if (const std::optional<std::int64_t> seconds = ParseUsualDate(value))
        return FileTimeFromUnixTime(*seconds, 0);
    return detail::ParseMessageDateWithGmime(text);
}

namespace detail {

std::optional<std::uint64_t> ParseMessageDateWithGmime(std::string_view text) {
    EnsureGMimeInitialised();
    const std::string value = Unfold(text);
    if (value.empty()) return std::nullopt;
    std::unique_ptr<GDateTime, DateTimeDeleter> time(
        g_mime_utils_header_decode_date(value.c_str()));
    if (!time) return std::nullopt;
    return FileTimeFromUnixTime(g_date_time_to_unix(time.get()),
                                g_date_time_get_microsecond(time.get()));
}

void ReadSender(std::string_view raw, MessageHeaderInfo& info) {
    const std::string unfolded = Unfold(raw);
    const std::string value = DecodeHeaderText(unfolded, HeaderSyntax::AddressList);
    if (value.empty() || ReadUsualSender(value, info)) return;
    ReadSenderThroughGmime(value, unfolded, info);
}

void ReadSenderWithGmime(std::string_view raw, MessageHeaderInfo& info) {
    const std::string unfolded = Unfold(raw);
    const std::string value = DecodeHeaderText(unfolded, HeaderSyntax::AddressList);
    if (value.empty()) return;
    ReadSenderThroughGmime(value, unfolded, info);
}

}  // namespace detail

std::size_t FindBodyStart(std::string_view message) {
    return WalkHeader(message, [](std::string_view, std::string_view) {});
}

MessageHeaderInfo ReadMessageHeaderInfo(std::string_view message) {
    EnsureGMimeInitialised();
    RawHeaders headers;
    const std::size_t bodyStart =
        WalkHeader(message, [&](std::string_view name, std::string_view value) {
            switch (AsciiLower(name.empty() ? '\0' : name.front())) {
                case 's':
                    if (!headers.subject && EqualsIgnoringAsciiCase(name, "Subject"))
                        headers.subject = value;
                    break;
                case 'f':
                    if (!headers.from && EqualsIgnoringAsciiCase(name, "From"))
                        headers.from = value;
                    break;
                case 'd':
                    if (!headers.date && EqualsIgnoringAsciiCase(name, "Date"))
                        headers.date = value;
                    break;
                case 'r':
                    if (!headers.received && EqualsIgnoringAsciiCase(name, "Received"))
                        headers.received = value;
                    break;
                case 'c':
                    if (!headers.contentType && EqualsIgnoringAsciiCase(name, "Content-Type")) {
                        headers.contentType = value;
                    } else if (!headers.contentDisposition &&
                               EqualsIgnoringAsciiCase(name, "Content-Disposition")) {
                        headers.contentDisposition = value;
                    }
                    break;
                default:
                    break;
            }
        });
    MessageHeaderInfo info;
    if (headers.subject) {
        info.hasSubject = true;
        info.subject = DecodeHeaderText(Unfold(*headers.subject));
    }
    if (headers.from) detail::ReadSender(*headers.from, info);
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
    info.hasAttachment = IsAttachmentPart(media, headers.contentDisposition) ||
                         (media.type == "multipart" && !media.boundary.empty() &&
                          MultipartHasAttachment(message.substr(bodyStart), media.boundary));
    return info;
}

}  // namespace velora::platform
