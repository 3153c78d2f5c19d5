// Arbitrary bytes as a message file through the whole body path (the MIME component over GMime,
// DecodeMime with its nested alternatives and retry, HtmlToText): it must never crash and always
// give valid text (no unpaired surrogate, no NUL) that encodes to valid UTF-8.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "content/message_file_text.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string text = velora::content::ReadingTextOfMessageFile(bytes);
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
    if (!velora::platform::IsValidUtf8(velora::platform::EncodeUtf8(text))) std::abort();
    return 0;
}
