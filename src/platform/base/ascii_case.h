#pragma once
// ASCII case for protocol names (header field names, media types, charsets, folder names): only
// A-Z and a-z are folded, whatever the locale; other bytes are compared as they are.

#include <string>
#include <string_view>

namespace velora::platform {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// UTF-16 code units (names read from settings and MAPI properties): only U+0041-U+005A and
// U+0061-U+007A are folded.
constexpr char16_t AsciiLower(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

constexpr char16_t AsciiUpper(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

template <typename Unit>
constexpr bool EqualsIgnoringAsciiCase(std::basic_string_view<Unit> a,
                                       std::basic_string_view<Unit> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return EqualsIgnoringAsciiCase<char>(a, b);
}

constexpr bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return EqualsIgnoringAsciiCase<char16_t>(a, b);
}

inline std::string AsciiLowercase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiLower(c);
    return result;
}

inline std::u16string AsciiUppercase(std::u16string_view text) {
    std::u16string result(text);
    for (char16_t& unit : result) unit = AsciiUpper(unit);
    return result;
}

}  // namespace velora::platform
