// Charset conversion of decoded text parts to UTF-8, with repair of what does not convert.

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/base/ascii_case.h"
#include "platform/base/text_codec.h"
#include "platform/mime/gobject.h"
#include "platform/mime/mime_component.h"
#include "platform/mime/text_part.h"

namespace velora::platform {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

bool IsUtf8Name(const std::string& name) {
    return name == "utf-8" || name == "utf8";
}

bool IsAsciiOrWindows1252Name(const std::string& name) {
    return name.empty() || name == "us-ascii" || name == "ascii" || name == "iso-8859-1" ||
           name == "iso8859-1" || name == "iso_8859-1" || name == "latin1" || name == "latin-1" ||
           name == "l1" || name == "windows-1252" || name == "cp1252";
}

// UTF-8 with every invalid byte replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes) {
    return EncodeUtf8(DecodeUtf8(bytes));
}

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// A converter from g_mime_iconv_open, closed when it goes.
class IconvConverter {
  public:
    explicit IconvConverter(iconv_t converter) : converter_(converter) {}
    ~IconvConverter() {
        if (converter_ != kNoConverter) g_mime_iconv_close(converter_);
    }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;
    iconv_t Get() const { return converter_; }

  private:
    iconv_t converter_;
};

// Converts with iconv; false when iconv does not know the charset.
bool ConvertWithIconv(std::string_view bytes, const std::string& charset, std::string& out) {
    EnsureGMimeInitialised();
    const IconvConverter owner(g_mime_iconv_open("UTF-8", charset.c_str()));
    const iconv_t converter = owner.Get();
    if (converter == kNoConverter) return false;
    out.clear();
    out.reserve(bytes.size() + bytes.size() / 2);
    char* input = const_cast<char*>(bytes.data());
    std::size_t inputLeft = bytes.size();
    char buffer[4096];
    while (inputLeft > 0) {
        char* output = buffer;
        std::size_t outputLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &input, &inputLeft, &output, &outputLeft);
        out.append(buffer, static_cast<std::size_t>(output - buffer));
        if (result != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ: a byte that does not convert; EINVAL: a sequence cut off at the end.
        out.append(kReplacementUtf8);
        if (errno == EINVAL) break;
        ++input;
        --inputLeft;
    }
    // Flush any shift state.
    char* output = buffer;
    std::size_t outputLeft = sizeof buffer;
    iconv(converter, nullptr, nullptr, &output, &outputLeft);
    out.append(buffer, static_cast<std::size_t>(output - buffer));
    return true;
}

}  // namespace

std::optional<std::string> ConvertedTextToUtf8(std::string_view bytes, std::string_view charset) {
    const std::string name = AsciiLowercase(charset);
    if (IsUtf8Name(name)) {
        if (IsValidUtf8(bytes)) return std::nullopt;
        return RepairUtf8(bytes);
    }
    if (IsAsciiOrWindows1252Name(name)) {
        if (name.empty() || name == "us-ascii" || name == "ascii") {
            if (IsValidUtf8(bytes)) return std::nullopt;
        }
        return EncodeUtf8(DecodeWindows1252(bytes));
    }
    std::string converted;
    if (!ConvertWithIconv(bytes, std::string(charset), converted)) {
        return EncodeUtf8(DecodeUtf8OrWindows1252(bytes));
    }
    return IsValidUtf8(converted) ? converted : RepairUtf8(converted);
}

std::string DecodedTextToUtf8(std::string_view bytes, std::string_view charset) {
    std::optional<std::string> converted = ConvertedTextToUtf8(bytes, charset);
    return converted ? *std::move(converted) : std::string(bytes);
}

std::optional<std::string> ConvertedTextOfPart(GMimeObject* part, std::string_view bytes) {
    const char* charset = g_mime_object_get_content_type_parameter(part, "charset");
    return ConvertedTextToUtf8(bytes, charset != nullptr ? charset : "");
}

std::string TextOfPart(GMimePart* part) {
    std::string_view bytes;
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
    if (GMimeDataWrapper* content = g_mime_part_get_content(part)) {
        g_mime_data_wrapper_write_to_stream(content, stream.get());
        if (const GByteArray* array =
                g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get())))
            bytes = std::string_view(reinterpret_cast<const char*>(array->data), array->len);
    }
    std::optional<std::string> converted = ConvertedTextOfPart(GMIME_OBJECT(part), bytes);
    return converted ? *std::move(converted) : std::string(bytes);
}

}  // namespace velora::platform
