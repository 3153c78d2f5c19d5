#include "support/bstr_functions.h"

namespace velora::support {

platform::Bstr MakeBstr(const char16_t* text) {
    if (text == nullptr || *text == u'\0') return platform::SysAllocStringLen(nullptr, 0);
    return platform::SysAllocString(text);
}

std::uint32_t BstrLength(const platform::Bstr& text) {
    return text.IsNull() ? 0 : platform::SysStringLen(text);
}

}  // namespace velora::support
