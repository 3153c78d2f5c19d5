// Arbitrary bytes as a message file through the whole body path (the MIME component over GMime,
// DecodeMime with its nested alternatives and retry, HtmlToText): it must never crash and always
// give valid text (no unpaired surrogate, no NUL) that encodes to valid UTF-8. The codecs' fast
// paths are held to their plain forms on the same bytes: the BSTR decoding to the decoded text cut
// at its first NUL, the piecewise writer to the whole-text encoder.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "content/message_file_text.h"
#include "platform/base/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const velora::platform::Bstr body = velora::content::ReadingTextOfMessageFile(bytes);
    const std::u16string_view text = body.View();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == u'\0') std::abort();
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) std::abort();
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            std::abort();
        }
    }
    const std::string encoded = velora::platform::EncodeUtf8(text);
    if (!velora::platform::IsValidUtf8(encoded)) std::abort();
    std::ostringstream written;
    velora::platform::WriteUtf8(written, text);
    if (written.str() != encoded) std::abort();

    std::u16string decoded = velora::platform::DecodeUtf8OrWindows1252(bytes);
    decoded.resize(std::min(decoded.size(), decoded.find(u'\0')));
    if (velora::platform::DecodeUtf8OrWindows1252ToBstr(bytes, u"").View() != decoded) std::abort();
    return 0;
}
