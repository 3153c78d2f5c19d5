#include "platform/base/text_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>

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

// Writes one code point as UTF-16; returns the position after it.
char16_t* PutCodePoint(char16_t* out, char32_t value) {
    if (value < 0x10000) {
        *out++ = static_cast<char16_t>(value);
    } else {
        value -= 0x10000;
        *out++ = static_cast<char16_t>(0xD800 + (value >> 10));
        *out++ = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    }
    return out;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// True when the eight bytes at `bytes` are all ASCII. Mail text is mostly ASCII: the codecs
// below take such runs a word at a time.
bool IsAsciiWord(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return (word & kHighBits) == 0;
}

// Decodes UTF-8 into `out`, which has room for bytes.size() units (never fewer bytes than
// units); invalid sequences become U+FFFD. Returns the position after the text.
char16_t* DecodeUtf8Into(std::string_view bytes, char16_t* out) {
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    char32_t value = 0;
    for (std::size_t i = 0; i < size;) {
        if (i + 8 <= size && IsAsciiWord(data + i)) {
            for (std::size_t k = 0; k < 8; ++k) out[k] = static_cast<unsigned char>(data[i + k]);
            out += 8;
            i += 8;
            continue;
        }
        const std::size_t length = DecodeOne(bytes, i, value);
        if (length == 0) {
            *out++ = kReplacement;
            ++i;
        } else {
            out = PutCodePoint(out, value);
            i += length;
        }
    }
    return out;
}

char16_t* DecodeWindows1252Into(std::string_view bytes, char16_t* out) {
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = (value >= 0x80 && value <= 0x9F) ? kWindows1252High[value - 0x80]
                                                  : static_cast<char16_t>(value);
    }
    return out;
}

// UTF-16 units of valid UTF-8: one per lead byte, two for a four-byte sequence.
std::size_t Utf16LengthOfValidUtf8(std::string_view bytes) {
    std::size_t units = 0;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        units += static_cast<std::size_t>((value & 0xC0u) != 0x80u) +
                 static_cast<std::size_t>(value >= 0xF0u);
    }
    return units;
}

// Reads the code point at text[i] (a surrogate pair as one; an unpaired surrogate as U+FFFD);
// returns the units it took.
std::size_t ReadUtf16(std::u16string_view text, std::size_t i, char32_t& value) {
    value = text[i];
    if (value >= 0xD800 && value <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
        value = 0x10000 + ((value - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        return 2;
    }
    if (value >= 0xD800 && value <= 0xDFFF) value = kReplacement;
    return 1;
}

std::size_t Utf8LengthOf(std::u16string_view text) {
    std::size_t bytes = 0;
    char32_t value = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] < 0x80) {
            ++bytes;
            ++i;
            continue;
        }
        i += ReadUtf16(text, i, value);
        bytes += value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
    }
    return bytes;
}

char* EncodeUtf8Into(std::u16string_view text, char* out) {
    char32_t value = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] < 0x80) {
            *out++ = static_cast<char>(text[i++]);
            continue;
        }
        i += ReadUtf16(text, i, value);
        if (value < 0x800) {
            *out++ = static_cast<char>(0xC0 | (value >> 6));
            *out++ = static_cast<char>(0x80 | (value & 0x3F));
        } else if (value < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (value >> 12));
            *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (value & 0x3F));
        } else {
            *out++ = static_cast<char>(0xF0 | (value >> 18));
            *out++ = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (value & 0x3F));
        }
    }
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    char32_t value = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        if (i + 8 <= bytes.size() && IsAsciiWord(bytes.data() + i)) {
            i += 8;
            continue;
        }
        const std::size_t length = DecodeOne(bytes, i, value);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string text(bytes.size(), u'\0');
    text.resize(static_cast<std::size_t>(DecodeUtf8Into(bytes, text.data()) - text.data()));
    return text;
}

std::u16string DecodeWindows1252(std::string_view bytes) {
    std::u16string text(bytes.size(), u'\0');
    DecodeWindows1252Into(bytes, text.data());
    return text;
}

std::u16string DecodeUtf8OrWindows1252(std::string_view bytes) {
    return IsValidUtf8(bytes) ? DecodeUtf8(bytes) : DecodeWindows1252(bytes);
}

Bstr DecodeUtf8OrWindows1252ToBstr(std::string_view bytes, std::u16string_view suffix) {
    // The choice is made on all the bytes, as DecodeUtf8OrWindows1252 makes it; a NUL is one
    // character in both encodings, so the text before it decodes the same either way.
    const bool utf8 = IsValidUtf8(bytes);
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
        bytes = bytes.substr(0, nul);
        suffix = {};
    } else if (const std::size_t at = suffix.find(u'\0'); at != std::u16string_view::npos) {
        suffix = suffix.substr(0, at);
    }
    const std::size_t decoded = utf8 ? Utf16LengthOfValidUtf8(bytes) : bytes.size();
    Bstr text = Bstr::ForOverwrite(static_cast<std::uint32_t>(decoded + suffix.size()));
    char16_t* out = text.MutableData();
    out = utf8 ? DecodeUtf8Into(bytes, out) : DecodeWindows1252Into(bytes, out);
    std::copy(suffix.begin(), suffix.end(), out);
    return text;
}

std::string EncodeUtf8(std::u16string_view text) {
    std::string bytes(Utf8LengthOf(text), '\0');
    EncodeUtf8Into(text, bytes.data());
    return bytes;
}

void WriteUtf8(std::ostream& out, std::u16string_view text) {
    // A piece at a time through one buffer: a long text is never held twice.
    constexpr std::size_t kPieceUnits = 16384;
    std::string buffer(kPieceUnits * 3, '\0');
    while (!text.empty() && out) {
        std::size_t units = std::min(kPieceUnits, text.size());
        // A surrogate pair stays in one piece.
        if (units < text.size() && text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF) {
            --units;
        }
        const char* end = EncodeUtf8Into(text.substr(0, units), buffer.data());
        out.write(buffer.data(), end - buffer.data());
        text.remove_prefix(units);
    }
}

}  // namespace velora::platform
