#include "platform/text_codec.h"

#include <array>
#include <cstdint>

namespace velora::platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80..0x9F; unassigned positions keep their C1 code point.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one UTF-8 sequence at bytes[i]; returns its length, or 0 when it is not valid.
std::size_t DecodeOne(std::string_view bytes, std::size_t i, char32_t& out) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
        out = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07u, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto continuation = static_cast<unsigned char>(bytes[i + k]);
        if ((continuation & 0xC0u) != 0x80u) return 0;
        value = (value << 6) | (continuation & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    out = value;
    return length;
}

void AppendCodePoint(std::u16string& text, char32_t value) {
    if (value < 0x10000) {
        text.push_back(static_cast<char16_t>(value));
    } else {
        value -= 0x10000;
        text.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
    }
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    char32_t value = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = DecodeOne(bytes, i, value);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    char32_t value = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = DecodeOne(bytes, i, value);
        if (length == 0) {
            text.push_back(kReplacement);
            ++i;
        } else {
            AppendCodePoint(text, value);
            i += length;
        }
    }
    return text;
}

std::u16string DecodeWindows1252(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 0x80 && value <= 0x9F) {
            text.push_back(kWindows1252High[value - 0x80]);
        } else {
            text.push_back(static_cast<char16_t>(value));
        }
    }
    return text;
}

std::u16string DecodeUtf8OrWindows1252(std::string_view bytes) {
    return IsValidUtf8(bytes) ? DecodeUtf8(bytes) : DecodeWindows1252(bytes);
}

std::string EncodeUtf8(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t value = text[i];
        if (value >= 0xD800 && value <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            value = 0x10000 + ((value - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (value >= 0xD800 && value <= 0xDFFF) {
            value = kReplacement;
        }
        if (value < 0x80) {
            bytes.push_back(static_cast<char>(value));
        } else if (value < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (value >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        } else if (value < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (value >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | (value >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        }
    }
    return bytes;
}

}  // namespace velora::platform
