#include "platform/maildir_plain_body.h"

#include <gmime/gmime.h>

#include <memory>
#include <mutex>

#include "platform/text_codec.h"

namespace velora::platform {
namespace {

struct GObjectDeleter {
    void operator()(void* object) const {
        if (object != nullptr) g_object_unref(object);
    }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

bool IsUtf8Name(std::string_view charset) {
    std::string lower;
    for (char c : charset) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower == "utf-8" || lower == "utf8" || lower == "us-ascii" || lower == "ascii";
}

std::u16string ConvertFromCharset(const std::string& bytes, const char* charset) {
    if (charset == nullptr || IsUtf8Name(charset)) return DecodeUtf8OrWindows1252(bytes);
    gsize written = 0;
    GError* error = nullptr;
    char* converted = g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8",
                                g_mime_charset_iconv_name(charset), nullptr, &written, &error);
    if (converted == nullptr) {
        if (error != nullptr) g_error_free(error);
        return DecodeUtf8OrWindows1252(bytes);
    }
    std::u16string text = DecodeUtf8(std::string_view(converted, written));
    g_free(converted);
    return text;
}

std::optional<std::u16string> FromPart(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    std::string bytes;
    if (content != nullptr) {
        GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
        g_mime_data_wrapper_write_to_stream(content, stream.get());
        GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
        if (array != nullptr) bytes.assign(reinterpret_cast<const char*>(array->data), array->len);
    }
    return ConvertFromCharset(bytes, g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset"));
}

std::optional<std::u16string> FindPlain(GMimeObject* object) {
    if (object == nullptr) return std::nullopt;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i) {
            if (auto text = FindPlain(g_mime_multipart_get_part(multipart, i))) return text;
        }
        return std::nullopt;
    }
    if (!GMIME_IS_PART(object)) return std::nullopt;  // embedded messages belong to attachments
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (type == nullptr || !g_mime_content_type_is_type(type, "text", "plain")) return std::nullopt;
    const char* disposition = g_mime_object_get_disposition(object);
    if (disposition != nullptr && g_ascii_strcasecmp(disposition, "attachment") == 0) return std::nullopt;
    return FromPart(GMIME_PART(object));
}

}  // namespace

std::optional<std::u16string> ExtractPlainBody(std::string_view message) {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
    GObjectPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(message.data(), message.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    GObjectPtr<GMimeMessage> parsed(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!parsed) return std::nullopt;
    return FindPlain(g_mime_message_get_mime_part(parsed.get()));
}

}  // namespace velora::platform
