// The MIME component over GMime 3. See mime.h for the meaning of every property.

#include "platform/mime.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/mime_gobject.h"

namespace velora::platform {

void EnsureGMimeInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

struct MimeInstance {
    MimeEventCallback callback = nullptr;
    void* context = nullptr;
    std::string message;  // the bytes set with kMimeMessage
    GObjectPtr<GMimeMessage> parsed;
    std::vector<GMimeObject*> parts;  // borrowed from `parsed`
    std::string boundary;
    std::string contentType;
    // Values handed out by MIME_Get, kept alive until the next decode or the instance's end.
    std::map<std::pair<int, int>, std::string> values;

    void Reset() {
        values.clear();
        parts.clear();
        parsed.reset();
        boundary.clear();
        contentType.clear();
    }
};

namespace {

std::string Lowercase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string MimeTypeOf(GMimeObject* object) {
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (type == nullptr) return {};
    GCharPtr text(g_mime_content_type_get_mime_type(type));
    return text ? Lowercase(text.get()) : std::string();
}

std::string BytesOf(GMimeStream* stream) {
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    if (array == nullptr || array->len == 0) return {};
    return std::string(reinterpret_cast<const char*>(array->data), array->len);
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

std::string DecodedContent(GMimeObject* object) {
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
    if (GMIME_IS_PART(object)) {
        GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object));
        if (content == nullptr) return {};
        g_mime_data_wrapper_write_to_stream(content, stream.get());
        std::string bytes = BytesOf(stream.get());
        GMimeContentType* type = g_mime_object_get_content_type(object);
        if (type != nullptr && g_mime_content_type_is_type(type, "text", "*")) {
            const char* charset = g_mime_content_type_get_parameter(type, "charset");
            return DecodedTextToUtf8(bytes, charset != nullptr ? charset : "");
        }
        return bytes;
    }
    if (GMIME_IS_MULTIPART(object)) {
        g_mime_object_write_content_to_stream(object, nullptr, stream.get());
        return BytesOf(stream.get());
    }
    if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        if (inner == nullptr) return {};
        g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.get());
        return BytesOf(stream.get());
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

int Decode(MimeInstance& instance) {
    instance.Reset();
    EnsureGMimeInitialised();
    // Lines of only blanks in front of the header block (left by some mail stores and archives)
    // are skipped; the message text (kMimeMessage) stays as it was set.
    const std::string_view text = SkipLeadingBlankLines(instance.message);
    // The memory stream holds its own copy of the bytes; the parsed parts keep it alive.
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    instance.parsed.reset(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!instance.parsed) return 1;

    GMimeObject* body = g_mime_message_get_mime_part(instance.parsed.get());
    if (body == nullptr) return 0;  // a header block and nothing else: no parts
    instance.contentType = MimeTypeOf(body);
    if (GMIME_IS_MULTIPART(body)) {
        GMimeContentType* type = g_mime_object_get_content_type(body);
        const char* boundary =
            type != nullptr ? g_mime_content_type_get_parameter(type, "boundary") : nullptr;
        if (boundary != nullptr) instance.boundary = boundary;
        int count = g_mime_multipart_get_count(GMIME_MULTIPART(body));
        // The segment after the last delimiter of an unclosed multipart was cut off: no part.
        if (count > 0 && !HasClosingDelimiter(instance.message, instance.boundary)) --count;
        count = std::min(count, kMimeMaximumParts);
        for (int i = 0; i < count; ++i) {
            instance.parts.push_back(g_mime_multipart_get_part(GMIME_MULTIPART(body), i));
        }
    } else {
        instance.parts.push_back(body);
    }
    return 0;
}

void* Remember(MimeInstance& instance, int property, int index, std::string value, int* length) {
    std::string& kept = instance.values[{property, index}] = std::move(value);
    if (length != nullptr) *length = static_cast<int>(kept.size());
    return kept.data();
}

}  // namespace

MIMEHANDLE MIME_Create(MimeEventCallback callback, void* context, const char* /*parameters*/) {
    auto* instance = new MimeInstance;
    instance->callback = callback;
    instance->context = context;
    return instance;
}

int MIME_Set(MIMEHANDLE handle, int property, int index, const void* value, int length) {
    if (handle == nullptr || property != kMimeMessage || index != 0 || length < 0) return 1;
    handle->Reset();
    handle->message.assign(static_cast<const char*>(value), value != nullptr ? length : 0);
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
        case kMimeMessage:
            if (index != 0) return nullptr;
            if (length != nullptr) *length = static_cast<int>(instance.message.size());
            return instance.message.data();
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
            return Remember(instance, property, index, DecodedContent(part), length);
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
