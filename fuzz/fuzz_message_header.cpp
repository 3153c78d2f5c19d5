// The list's header reader on arbitrary bytes: never crash, header texts always decode to valid
// UTF-8, and the quick readers of the usual Date and From forms give exactly what GMime's general
// parsers give.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/base/text_codec.h"
#include "platform/maildir/headers.h"
#include "platform/mime/header_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velora::platform;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadMessageHeaderInfo(bytes);
    if (!IsValidUtf8(DecodeHeaderText(bytes)) ||
        !IsValidUtf8(DecodeHeaderText(bytes, HeaderSyntax::AddressList))) {
        std::abort();
    }

    // The input as one header value, read both ways.
    if (ParseMessageDate(bytes) != detail::ParseMessageDateWithGmime(bytes)) std::abort();
    MessageHeaderInfo quick;
    MessageHeaderInfo general;
    detail::ReadSender(bytes, quick);
    detail::ReadSenderWithGmime(bytes, general);
    if (quick.hasSender != general.hasSender || quick.senderName != general.senderName ||
        quick.senderAddress != general.senderAddress) {
        std::abort();
    }
    return 0;
}
