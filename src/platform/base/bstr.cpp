#include "platform/base/bstr.h"

#include <algorithm>

namespace velora::platform {

Bstr::Bstr(const Bstr& other) : length_(other.length_) {
    if (other.data_) {
        data_ = std::make_unique_for_overwrite<char16_t[]>(std::size_t{length_} + 1);
        std::copy_n(other.data_.get(), std::size_t{length_} + 1, data_.get());
    }
}

Bstr& Bstr::operator=(const Bstr& other) {
    if (this != &other) {
        Bstr copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Bstr Bstr::ForOverwrite(std::uint32_t length) {
    Bstr result;
    result.data_ = std::make_unique_for_overwrite<char16_t[]>(std::size_t{length} + 1);
    result.data_[length] = u'\0';
    result.length_ = length;
    return result;
}

Bstr SysAllocStringLen(const char16_t* text, std::uint32_t length) {
    if (text == nullptr) {
        Bstr result;
        result.data_ = std::make_unique<char16_t[]>(std::size_t{length} + 1);  // zero-filled
        result.length_ = length;
        return result;
    }
    Bstr result = Bstr::ForOverwrite(length);
    std::copy_n(text, length, result.data_.get());
    return result;
}

Bstr SysAllocString(const char16_t* text) {
    if (text == nullptr) return Bstr();
    return SysAllocStringLen(text,
                             static_cast<std::uint32_t>(std::char_traits<char16_t>::length(text)));
}

std::uint32_t SysStringLen(const Bstr& text) {
    return text.Length();
}

void SysFreeString(Bstr& text) {
    text = Bstr();
}

}  // namespace velora::platform
