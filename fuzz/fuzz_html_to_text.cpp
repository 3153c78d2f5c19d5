// HtmlToText on arbitrary text: it must never crash, never read out of bounds, never produce
// more units than it was given, and leave text without "<" or "&" exactly as it is.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "content/html_to_text.h"
#include "platform/base/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string html = velora::platform::DecodeUtf8OrWindows1252(bytes);
    const std::optional<std::u16string> text = velora::content::HtmlToText(html);
    if (!text) std::abort();
    const std::size_t end = html.find(u'\0');
    const std::u16string_view input = end == std::u16string::npos
                                          ? std::u16string_view(html)
                                          : std::u16string_view(html).substr(0, end);
    if (text->size() > input.size()) std::abort();
    if (input.find_first_of(u"<&") == std::u16string_view::npos && *text != input) std::abort();
    // Every candidate the converter might look up, taken straight from the input.
    for (std::size_t at = input.find(u'&'); at != std::u16string_view::npos;
         at = input.find(u'&', at + 1)) {
        (void)velora::content::EntityCode(input.substr(at, velora::content::kMaxEntityCandidate));
    }
    return 0;
}
