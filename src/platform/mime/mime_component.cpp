// The MIME component over GMime 3. See mime.h for the meaning of every property.

#include "platform/mime/mime_component.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/base/ascii_case.h"
#include "platform/mime/gobject.h"
#include "platform/mime/nesting.h"
#include "platform/mime/text_part.h"

namespace velora::platform {

void EnsureGMimeInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

// A value MIME_Get hands out: its own text, or a NUL-terminated window on the message.
struct MimeValue {
    std::string owned;
    std::string_view inPlace;
    bool IsInPlace() const { return inPlace.data() != nullptr; }
};

struct MimeInstance {
    MimeEventCallback callback = nullptr;
    void* context = nullptr;
    // The bytes set with kMimeMessage, in the memory stream the parser reads: the parsed parts
    // are windows on it, so a message is copied once, when it is set. Null until a message is
    // set. A nested message shares the stream and the parse of the instance it was taken from.
    GObjectPtr<GMimeStream> message;
    std::size_t messageLength = 0;
    GObjectPtr<GMimeMessage> parsed;
    GObjectPtr<GMimeObject> nested;   // the part set with kMimeNestedPart, or null
    std::vector<GMimeObject*> parts;  // borrowed from `parsed`
    std::string boundary;
    std::string contentType;
    // Values handed out by MIME_Get, kept alive until the next decode or the instance's end.
    std::map<std::pair<int, int>, MimeValue> values;

    void Reset() {
        values.clear();
        parts.clear();
        if (!nested) parsed.reset();
        boundary.clear();
        contentType.clear();
    }

    // The bytes set (NUL-terminated): for a nested message, those of the message it is part of.
    std::string_view StoredText() const {
        if (!message) return std::string_view("");
        const GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(message.get()));
        return std::string_view(reinterpret_cast<const char*>(array->data), messageLength);
    }
};

namespace {

// True when `value` holds "type/subtype": two tokens around a slash, blanks allowed around each.
bool HoldsTypeAndSubtype(std::string_view value) {
    constexpr std::string_view kSpecials = "()<>@,;:\\\"/[]?=";
    const auto isTokenCharacter = [&](char c) {
        return c > ' ' && c < 127 && kSpecials.find(c) == std::string_view::npos;
    };
    std::size_t at = 0;
    const auto skipBlanks = [&] {
        while (at < value.size() && (value[at] == ' ' || value[at] == '\t')) ++at;
    };
    const auto readToken = [&] {
        const std::size_t start = at;
        while (at < value.size() && isTokenCharacter(value[at])) ++at;
        return at > start;
    };
    skipBlanks();
    if (!readToken()) return false;
    skipBlanks();
    if (at >= value.size() || value[at] != '/') return false;
    ++at;
    skipBlanks();
    return readToken();
}

// A Content-Type that is there but holds no type and subtype reads as text/plain; charset=us-ascii
// (RFC 2045 section 5.2), where GMime would make it application/octet-stream.
void RepairContentType(GMimeObject* object) {
    const char* value = g_mime_object_get_header(object, "Content-Type");
    if (value == nullptr || HoldsTypeAndSubtype(value)) return;
    g_mime_object_set_header(object, "Content-Type", "text/plain; charset=us-ascii", nullptr);
}

std::string MimeTypeOf(GMimeObject* object) {
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (type == nullptr) return {};
    GCharPtr text(g_mime_content_type_get_mime_type(type));
    return text ? AsciiLowercase(text.get()) : std::string();
}

// What a memory stream holds, in place.
std::string_view BytesOf(GMimeStream* stream) {
    const GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    if (array == nullptr || array->len == 0) return {};
    return std::string_view(reinterpret_cast<const char*>(array->data), array->len);
}

// True when a line of `message` starts with "--boundary--": the multipart was closed.
bool HasClosingDelimiter(std::string_view message, std::string_view boundary) {
    const std::string delimiter = "--" + std::string(boundary) + "--";
    for (std::size_t at = message.find(delimiter); at != std::string_view::npos;
         at = message.find(delimiter, at + 1)) {
        if (at == 0 || message[at - 1] == '\n') return true;
    }
    return false;
}

// The bytes of content stored without a transfer encoding, read in place: what writing it out
// would copy. Nothing when the content is encoded or not in memory.
std::optional<std::string_view> UnencodedBytes(GMimeDataWrapper* content) {
    switch (g_mime_data_wrapper_get_encoding(content)) {
        case GMIME_CONTENT_ENCODING_BASE64:
        case GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE:
        case GMIME_CONTENT_ENCODING_UUENCODE:
            return std::nullopt;
        default:
            break;
    }
    GMimeStream* stream = content->stream;
    if (stream == nullptr || !GMIME_IS_STREAM_MEM(stream)) return std::nullopt;
    const GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    if (array == nullptr) return std::nullopt;
    // The window [bound_start, bound_end) of the array, as the stream reads it.
    const auto size = static_cast<gint64>(array->len);
    const gint64 end =
        stream->bound_end == -1 ? size : std::clamp<gint64>(stream->bound_end, 0, size);
    const gint64 start = std::clamp<gint64>(stream->bound_start, 0, end);
    return std::string_view(reinterpret_cast<const char*>(array->data) + start,
                            static_cast<std::size_t>(end - start));
}

// The decoded content of a leaf part. `message` is the instance's message text: content that
// needs no decoding and is its tail is handed out in place.
MimeValue PartContent(GMimePart* part, std::string_view message) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content == nullptr) return {};
    std::optional<std::string_view> bytes = UnencodedBytes(content);
    const bool messageTail =
        bytes && bytes->data() + bytes->size() == message.data() + message.size();
    GObjectPtr<GMimeStream> decoded;  // only for content that has to be decoded
    if (!bytes) {
        decoded.reset(g_mime_stream_mem_new());
        g_mime_data_wrapper_write_to_stream(content, decoded.get());
        bytes = BytesOf(decoded.get());
    }
    std::optional<std::string> converted;
    GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(part));
    if (type != nullptr && g_mime_content_type_is_type(type, "text", "*")) {
        converted = ConvertedTextOfPart(GMIME_OBJECT(part), *bytes);
    }
    if (converted) return {*std::move(converted), {}};
    if (messageTail) return {{}, *bytes};
    return {std::string(*bytes), {}};
}

MimeValue DecodedContent(GMimeObject* object, std::string_view message) {
    if (GMIME_IS_PART(object)) return PartContent(GMIME_PART(object), message);
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
    if (GMIME_IS_MULTIPART(object)) {
        g_mime_object_write_content_to_stream(object, nullptr, stream.get());
        return {std::string(BytesOf(stream.get())), {}};
    }
    if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        if (inner == nullptr) return {};
        g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.get());
        return {std::string(BytesOf(stream.get())), {}};
    }
    return {};
}

std::string HeaderLines(GMimeObject* object) {
    FormatOptionsPtr options(g_mime_format_options_new());
    g_mime_format_options_set_newline_format(options.get(), GMIME_NEWLINE_FORMAT_DOS);
    GCharPtr headers(g_mime_object_get_headers(object, options.get()));
    std::string text = headers ? std::string(headers.get()) : std::string();
    if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
    return text + "\r\n";
}

std::string_view SkipLeadingBlankLines(std::string_view message) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = message.find('\n', start);
        if (end == std::string_view::npos) return message.substr(start);
        const std::string_view line = message.substr(start, end - start);
        if (line.find_first_not_of(" \t\r") != std::string_view::npos) return message.substr(start);
        start = end + 1;
    }
}

void RaiseProgress(MimeInstance& instance, int percent) {
    if (instance.callback == nullptr) return;
    void* params[1] = {reinterpret_cast<void*>(static_cast<std::intptr_t>(percent))};
    int lengths[1] = {0};
    instance.callback(&instance, instance.context, kMimeEventProgress, 1, params, lengths);
}

// The message's body: its own top part, parsed here, or the part set with kMimeNestedPart. False
// when the bytes do not parse as a message; a null body is a header block alone.
std::pair<bool, GMimeObject*> ParseBody(MimeInstance& instance) {
    if (instance.nested) return {true, instance.nested.get()};
    if (!instance.message) return {false, nullptr};
    // Lines of only blanks in front of the header block (left by some mail stores and archives)
    // are skipped; the message text (kMimeMessage) stays as it was set.
    const std::string_view message = instance.StoredText();
    const std::string_view text = SkipLeadingBlankLines(message);
    GMimeStream* stream = instance.message.get();
    g_mime_stream_set_bounds(stream, static_cast<gint64>(text.data() - message.data()),
                             static_cast<gint64>(message.size()));
    g_mime_stream_reset(stream);
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    instance.parsed.reset(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!instance.parsed) return {false, nullptr};
    return {true, g_mime_message_get_mime_part(instance.parsed.get())};
}

// Whether the multipart was closed by its "--boundary--" line: searched in the message text for
// the message's own multipart; a nested one knows it from its parse (GMime clears the flag when
// the end is missing).
bool IsClosed(const MimeInstance& instance, GMimeMultipart* multipart) {
    if (instance.nested) return multipart->write_end_boundary != FALSE;
    return HasClosingDelimiter(instance.StoredText(), instance.boundary);
}

int Decode(MimeInstance& instance) {
    instance.Reset();
    EnsureGMimeInitialised();
    const auto [parsed, body] = ParseBody(instance);
    if (!parsed) return 1;
    if (body == nullptr) return 0;  // a header block and nothing else: no parts
    RepairContentType(body);
    instance.contentType = MimeTypeOf(body);
    if (GMIME_IS_MULTIPART(body)) {
        GMimeContentType* type = g_mime_object_get_content_type(body);
        const char* boundary =
            type != nullptr ? g_mime_content_type_get_parameter(type, "boundary") : nullptr;
        if (boundary != nullptr) instance.boundary = boundary;
        int count = g_mime_multipart_get_count(GMIME_MULTIPART(body));
        // The segment after the last delimiter of an unclosed multipart was cut off: no part.
        if (count > 0 && !IsClosed(instance, GMIME_MULTIPART(body))) --count;
        count = std::min(count, kMimeMaximumParts);
        for (int i = 0; i < count; ++i) {
            GMimeObject* part = g_mime_multipart_get_part(GMIME_MULTIPART(body), i);
            RepairContentType(part);
            instance.parts.push_back(part);
        }
    } else {
        instance.parts.push_back(body);
    }
    return 0;
}

void* Remember(MimeInstance& instance, int property, int index, MimeValue value, int* length) {
    MimeValue& kept = instance.values[{property, index}] = std::move(value);
    const std::string_view text = kept.IsInPlace() ? kept.inPlace : std::string_view(kept.owned);
    if (length != nullptr) *length = static_cast<int>(text.size());
    return const_cast<char*>(text.data());
}

void* Remember(MimeInstance& instance, int property, int index, std::string value, int* length) {
    return Remember(instance, property, index, MimeValue{std::move(value), {}}, length);
}

}  // namespace

MIMEHANDLE MIME_Create(MimeEventCallback callback, void* context, const char* /*parameters*/) {
    auto* instance = new MimeInstance;
    instance->callback = callback;
    instance->context = context;
    return instance;
}

namespace {

int SetNestedPart(MimeInstance& instance, int index, const MimeInstance* from) {
    if (from == nullptr || from == &instance || index < 0 ||
        static_cast<std::size_t>(index) >= from->parts.size()) {
        return 1;
    }
    GMimeObject* part = from->parts[static_cast<std::size_t>(index)];
    instance.Reset();  // before the values handed out lose the text they point into
    instance.nested.reset(GMIME_OBJECT(g_object_ref(part)));
    instance.parsed.reset(GMIME_MESSAGE(g_object_ref(from->parsed.get())));
    instance.message.reset(GMIME_STREAM(g_object_ref(from->message.get())));
    instance.messageLength = from->messageLength;
    return 0;
}

}  // namespace

int MIME_Set(MIMEHANDLE handle, int property, int index, const void* value, int length) {
    if (handle == nullptr) return 1;
    if (property == kMimeNestedPart && length == 0) {
        return SetNestedPart(*handle, index, static_cast<const MimeInstance*>(value));
    }
    if (property != kMimeMessage || index != 0 || length < 0) return 1;
    handle->nested.reset();
    handle->Reset();
    const auto size = static_cast<guint>(value != nullptr ? length : 0);
    GByteArray* array = g_byte_array_sized_new(size + 1);
    if (size > 0) g_byte_array_append(array, static_cast<const guint8*>(value), size);
    // A NUL after the text, outside the array's length (which nothing reading it goes past): the
    // message, and a single-part body, are handed out in place as NUL-terminated text.
    const guint8 terminator = 0;
    g_byte_array_append(array, &terminator, 1);
    array->len = size;
    const std::string_view text(reinterpret_cast<const char*>(array->data), size);
    const std::size_t skipped = text.size() - SkipLeadingBlankLines(text).size();
    CutDeepMultiparts(
        std::span<char>(reinterpret_cast<char*>(array->data) + skipped, size - skipped),
        kMimeMaximumNesting);
    handle->message.reset(g_mime_stream_mem_new_with_byte_array(array));  // owns the array
    handle->messageLength = size;
    return 0;
}

int MIME_Do(MIMEHANDLE handle, int method, int /*paramCount*/, void* /*params*/[],
            int /*paramLengths*/[]) {
    if (handle == nullptr || method != kMimeDecode) return 1;
    RaiseProgress(*handle, 0);
    const int result = Decode(*handle);
    RaiseProgress(*handle, 100);
    return result;
}

void* MIME_Get(MIMEHANDLE handle, int property, int index, int* length) {
    if (handle == nullptr) return nullptr;
    MimeInstance& instance = *handle;
    switch (property) {
        case kMimeBoundary:
            return index == 0 ? Remember(instance, property, index, instance.boundary, length)
                              : nullptr;
        case kMimeContentType:
            return index == 0 ? Remember(instance, property, index, instance.contentType, length)
                              : nullptr;
        case kMimeMessage: {
            if (index != 0) return nullptr;
            if (instance.nested) {
                GMimeObject* part = instance.nested.get();
                const MimeValue content = DecodedContent(part, instance.StoredText());
                std::string text = HeaderLines(part);
                text += content.IsInPlace() ? content.inPlace : std::string_view(content.owned);
                return Remember(instance, property, index, std::move(text), length);
            }
            const std::string_view text = instance.StoredText();
            if (length != nullptr) *length = static_cast<int>(text.size());
            return const_cast<char*>(text.data());
        }
        case kMimePartCount:
            if (length != nullptr) *length = 0;
            return reinterpret_cast<void*>(static_cast<std::intptr_t>(instance.parts.size()));
        default:
            break;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= instance.parts.size()) return nullptr;
    GMimeObject* part = instance.parts[static_cast<std::size_t>(index)];
    switch (property) {
        case kMimePartContentType:
            return Remember(instance, property, index, MimeTypeOf(part), length);
        case kMimePartDecodedContent:
            return Remember(instance, property, index, DecodedContent(part, instance.StoredText()),
                            length);
        case kMimePartHeaders:
            return Remember(instance, property, index, HeaderLines(part), length);
        default:
            return nullptr;
    }
}

int MIME_Destroy(MIMEHANDLE handle) {
    delete handle;
    return 0;
}

}  // namespace velora::platform
