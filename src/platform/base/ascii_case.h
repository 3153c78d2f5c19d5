#pragma once
// ASCII case for protocol names (header field names, media types, charsets, folder names): only
// A-Z and a-z are folded, whatever the locale; other bytes are compared as they are.

#include <string>
#include <string_view>

namespace velora::platform {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

inline std::string AsciiLowercase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiLower(c);
    return result;
}

}  // namespace velora::platform
