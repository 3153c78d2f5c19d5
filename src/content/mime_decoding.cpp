#include "content/mime_decoding.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "platform/base/ascii_case.h"
#include "platform/base/text_codec.h"
#include "platform/mime/mime_component.h"

namespace velora::content {
namespace {

using platform::Bstr;

// The walk reads the content types of the parts one level below its deepest multipart; the MIME
// component keeps the structure down to there and cuts it further down.
static_assert(kMaximumNestingDepth + 1 < platform::kMimeMaximumNesting);

// Owns one instance of the MIME component for one DecodeMime run.
class MimeDecoder {
  public:
    MimeDecoder() : handle_(platform::MIME_Create(&MimeDecoder::OnEvent, this, nullptr)) {}
    MimeDecoder(const MimeDecoder&) = delete;
    MimeDecoder& operator=(const MimeDecoder&) = delete;
    virtual ~MimeDecoder() { platform::MIME_Destroy(handle_); }

    platform::MIMEHANDLE Handle() const { return handle_; }

    // Every event is answered with 0: decoding runs to its end.
    virtual int EventHook(std::uint16_t /*value*/) { return 0; }

  private:
    static int OnEvent(platform::MIMEHANDLE /*handle*/, void* context, int eventId, int paramCount,
                       void* params[], int /*paramLengths*/[]) {
        if (eventId == platform::kMimeEventProgress && paramCount > 0 && context != nullptr) {
            const auto value =
                static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(params[0]));
            static_cast<MimeDecoder*>(context)->EventHook(value);
        }
        return 0;
    }

    platform::MIMEHANDLE handle_;
};

bool IsEmpty(const Bstr& text) {
    return text.IsNull() || text.Length() == 0;
}

std::string_view GetText(const MimeDecoder& decoder, int property, int index) {
    int length = 0;
    const auto* value =
        static_cast<const char*>(platform::MIME_Get(decoder.Handle(), property, index, &length));
    if (value == nullptr || length <= 0) return {};
    return std::string_view(value, static_cast<std::size_t>(length));
}

// 8-bit text through the desktop's ANSI code page, with the marker of a partly downloaded message
// appended. The text ends at its first NUL, as a NUL-terminated copy would.
Bstr ConvertPart(const MessageReader& reader, std::string_view bytes) {
    return platform::DecodeUtf8OrWindows1252ToBstr(
        bytes, reader.PartlyDownloaded() ? std::u16string_view(reader.partialBodyMarker)
                                         : std::u16string_view());
}

void FillIfEmpty(Bstr& field, Bstr text) {
    if (IsEmpty(field)) field = std::move(text);
}

// What follows the message's first "\r\n\r\n", else its first "\n\n", else nothing.
std::string_view TextAfterHeaders(std::string_view message) {
    if (const auto at = message.find("\r\n\r\n"); at != std::string_view::npos) {
        return message.substr(at + 4);
    }
    if (const auto at = message.find("\n\n"); at != std::string_view::npos) {
        return message.substr(at + 2);
    }
    return {};
}

// Takes the texts of the message `decoder` holds (set, not yet decoded) and follows its nested
// multiparts. Returns the message's boundary.
std::string Walk(MessageReader& reader, const MimeDecoder& decoder, int depth) {
    const platform::MIMEHANDLE handle = decoder.Handle();
    const bool decoded = platform::MIME_Do(handle, platform::kMimeDecode, 0, nullptr, nullptr) == 0;
    std::string boundary(GetText(decoder, platform::kMimeBoundary, 0));

    int partCount = 0;
    if (decoded) {
        partCount = static_cast<int>(reinterpret_cast<std::uintptr_t>(platform::MIME_Get(
                                         handle, platform::kMimePartCount, 0, nullptr)) &
                                     0xFFFFu);
        for (int part = 0; part < partCount; ++part) {
            const int type =
                ClassifyContentType(GetText(decoder, platform::kMimePartContentType, part));
            if (type == kContentPlainText || type == kContentHtml) {
                Bstr text =
                    ConvertPart(reader, GetText(decoder, platform::kMimePartDecodedContent, part));
                FillIfEmpty(type == kContentPlainText ? reader.bodyText : reader.htmlText,
                            std::move(text));
            } else if (type == kContentMultipart && depth < kMaximumNestingDepth) {
                // Any multipart, not only alternative, is read as a message of its own (see
                // ClassifyContentType), in the tree already parsed: its texts come in their place
                // in the part order, so the first text found still wins. TNEF and every other
                // part yield nothing.
                MimeDecoder nested;
                if (platform::MIME_Set(nested.Handle(), platform::kMimeNestedPart, part, handle,
                                       0) == 0) {
                    Walk(reader, nested, depth + 1);
                }
            }
        }
    }

    if (!decoded || partCount == 0) {
        const int type = ClassifyContentType(GetText(decoder, platform::kMimeContentType, 0));
        if (type == kContentOther || type == kContentPlainText || type == kContentHtml) {
            Bstr text =
                ConvertPart(reader, TextAfterHeaders(GetText(decoder, platform::kMimeMessage, 0)));
            FillIfEmpty(type == kContentHtml ? reader.htmlText : reader.bodyText, std::move(text));
        }
    }
    return boundary;
}

void Decode(MessageReader& reader, std::string_view bytes, MimeLevel level) {
    // The component counts bytes in an int; no stored message comes near that.
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        bytes = bytes.substr(0, static_cast<std::size_t>(std::numeric_limits<int>::max()));
    }
    MimeDecoder decoder;
    // Setting the message fails for no bytes: MIME_Do then reports them as unparsed.
    static_cast<void>(platform::MIME_Set(decoder.Handle(), platform::kMimeMessage, 0, bytes.data(),
                                         static_cast<int>(bytes.size())));
    const std::string boundary = Walk(reader, decoder, 0);

    // The retry closes a multipart message whose closing delimiter was cut off; a message without
    // a boundary has nothing to close (retrying it would read the added delimiter as its text).
    if (level == MimeLevel::TopLevel && !boundary.empty() && IsEmpty(reader.bodyText) &&
        IsEmpty(reader.htmlText)) {
        std::string closed(bytes);
        closed += "\r\n\r\n--";
        closed += boundary;
        closed += "--";
        Decode(reader, closed, MimeLevel::Nested);
    }
}

}  // namespace

int ClassifyContentType(std::string_view contentType) {
    if (platform::EqualsIgnoringAsciiCase(contentType, "text/plain")) return kContentPlainText;
    if (platform::EqualsIgnoringAsciiCase(contentType, "text/html")) return kContentHtml;
    if (platform::EqualsIgnoringAsciiCase(contentType, "application/ms-tnef")) return kContentTnef;
    // Every multipart type, not only alternative, is followed as a nested message instead of
    // being an "other" part that yields nothing: a choice of this program, because signed mail,
    // mixed > related > alternative from desktop clients and forwarded bundles keep their text
    // there. Attachments inside them still yield nothing.
    constexpr std::string_view kMultipart = "multipart/";
    if (contentType.size() > kMultipart.size() &&
        platform::EqualsIgnoringAsciiCase(contentType.substr(0, kMultipart.size()), kMultipart)) {
        return kContentMultipart;
    }
    return kContentOther;
}

void DecodeMime(MessageReader& reader, std::string_view bytes, MimeLevel level) {
    Decode(reader, bytes, level);
}

}  // namespace velora::content
