#pragma once
// The desktop's BSTR: an owned, length-carrying UTF-16 string. Null and empty differ, as on the
// phone: a null Bstr is no string at all, an empty one is a string of length 0.

#include <cstdint>
#include <memory>
#include <string_view>

namespace velora::platform {

class Bstr {
  public:
    Bstr() = default;  // the null BSTR
    Bstr(const Bstr& other);
    Bstr& operator=(const Bstr& other);
    Bstr(Bstr&&) noexcept = default;
    Bstr& operator=(Bstr&&) noexcept = default;
    ~Bstr() = default;

    bool IsNull() const { return data_ == nullptr; }
    std::uint32_t Length() const { return length_; }
    // NUL-terminated text, or nullptr for the null BSTR.
    const char16_t* Data() const { return data_.get(); }
    std::u16string_view View() const {
        return data_ ? std::u16string_view(data_.get(), length_) : std::u16string_view();
    }

    // A BSTR of `length` units, terminated, whose units the caller writes through MutableData
    // before anything reads them: for text decoded straight into its BSTR.
    static Bstr ForOverwrite(std::uint32_t length);
    char16_t* MutableData() { return data_.get(); }

    friend Bstr SysAllocString(const char16_t* text);
    friend Bstr SysAllocStringLen(const char16_t* text, std::uint32_t length);

  private:
    std::unique_ptr<char16_t[]> data_;
    std::uint32_t length_ = 0;
};

// Copies a NUL-terminated text; a null pointer gives the null BSTR.
Bstr SysAllocString(const char16_t* text);
// A BSTR of `length` units copied from `text`, or zero-filled when `text` is null.
Bstr SysAllocStringLen(const char16_t* text, std::uint32_t length);
// Units in the string; 0 for the null BSTR.
std::uint32_t SysStringLen(const Bstr& text);
// Releases the string and leaves the null BSTR behind.
void SysFreeString(Bstr& text);

}  // namespace velora::platform
