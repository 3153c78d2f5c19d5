#include "platform/maildir/plain_body.h"

#include <gmime/gmime.h>

#include <memory>

#include "platform/base/program_services.h"
#include "platform/base/text_codec.h"
#include "platform/mime/gobject.h"
#include "platform/mime/text_part.h"

namespace velora::platform {
namespace {

// The first text/`subtype` part that is not an attachment, depth first.
GMimePart* FindTextPart(GMimeObject* object, const char* subtype) {
    if (object == nullptr) return nullptr;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i) {
            if (GMimePart* part = FindTextPart(g_mime_multipart_get_part(multipart, i), subtype))
                return part;
        }
        return nullptr;
    }
    if (!GMIME_IS_PART(object)) return nullptr;  // embedded messages belong to attachments
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (type == nullptr || !g_mime_content_type_is_type(type, "text", subtype)) return nullptr;
    const char* disposition = g_mime_object_get_disposition(object);
    if (disposition != nullptr && g_ascii_strcasecmp(disposition, "attachment") == 0)
        return nullptr;
    return GMIME_PART(object);
}

}  // namespace

std::optional<std::u16string> ExtractPlainBody(std::string_view message) {
    EnsureGMimeInitialised();
    GObjectPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(message.data(), message.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    GObjectPtr<GMimeMessage> parsed(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!parsed) return std::nullopt;
    GMimeObject* body = g_mime_message_get_mime_part(parsed.get());
    if (GMimePart* plain = FindTextPart(body, "plain")) return DecodeUtf8(TextOfPart(plain));
    const HtmlToPlainText convert =
        CurrentProgramServices().Get<PlainBodyConversion>().htmlToPlainText;
    GMimePart* html = convert != nullptr ? FindTextPart(body, "html") : nullptr;
    if (html == nullptr) return std::nullopt;
    return convert(DecodeUtf8(TextOfPart(html)));
}

}  // namespace velora::platform
