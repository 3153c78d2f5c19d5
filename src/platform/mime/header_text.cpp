#include "platform/mime/header_text.h"

#include <cstdint>
#include <optional>

#include "platform/base/ascii_case.h"
#include "platform/base/hex_digits.h"
#include "platform/base/text_codec.h"
#include "platform/mime/mime_component.h"

namespace velora::platform {
namespace {

struct EncodedWord {
    std::string_view charset;  // without a "*language" suffix
    std::string bytes;
    std::size_t end = 0;  // the offset just after its "?="
};

int Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Ends at the first "=": padding closes the word. Characters outside the alphabet are skipped;
// bits left over at the end (an unpadded or cut-off word) make no byte.
std::string DecodeBase64(std::string_view text) {
    std::string bytes;
    std::uint32_t accumulator = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        const int digit = Base64Digit(c);
        if (digit < 0) continue;
        accumulator = (accumulator << 6) | static_cast<std::uint32_t>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((accumulator >> bits) & 0xFF);
        }
    }
    return bytes;
}

// "=" not followed by two hexadecimal digits stands for itself.
std::string DecodeQ(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            bytes += ' ';
        } else if (c == '=' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
                   HexDigitValue(text[i + 2]) >= 0) {
            bytes +=
                static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            bytes += c;
        }
    }
    return bytes;
}

// The encoded word at `start` (which holds "=?"); nullopt when it is malformed.
std::optional<EncodedWord> ReadEncodedWord(std::string_view value, std::size_t start) {
    const std::size_t charsetStart = start + 2;
    const std::size_t charsetEnd = value.find('?', charsetStart);
    if (charsetEnd == std::string_view::npos || charsetEnd == charsetStart ||
        charsetEnd + 2 >= value.size() || value[charsetEnd + 2] != '?') {
        return std::nullopt;
    }
    // The text ends at its first "?", which must be that of the closing "?=": looking further
    // for a "?=" would make a value full of unclosed words cost time by the square of its length.
    const std::size_t textStart = charsetEnd + 3;
    const std::size_t textEnd = value.find('?', textStart);
    if (textEnd == std::string_view::npos || textEnd + 1 >= value.size() ||
        value[textEnd + 1] != '=') {
        return std::nullopt;
    }
    const std::string_view charset = value.substr(charsetStart, charsetEnd - charsetStart);
    const std::string_view text = value.substr(textStart, textEnd - textStart);
    if (charset.find_first_of(" \t") != std::string_view::npos ||
        text.find_first_of(" \t") != std::string_view::npos) {
        return std::nullopt;
    }
    EncodedWord word{charset.substr(0, charset.find('*')), {}, textEnd + 2};
    switch (value[charsetEnd + 1]) {
        case 'B':
        case 'b':
            word.bytes = DecodeBase64(text);
            return word;
        case 'Q':
        case 'q':
            word.bytes = DecodeQ(text);
            return word;
        default:
            return std::nullopt;
    }
}

std::string Widened(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return EncodeUtf8(DecodeWindows1252(bytes));
}

// Where the reader of an address header stands.
enum class AddressPlace { Outside, QuotedString, Comment, AngleAddress };

// Follows the places of address syntax through the literal text of an address header.
class AddressTracker {
  public:
    AddressPlace Place() const { return place_; }

    void Step(char c) {
        if (escaped_) {
            escaped_ = false;
            return;
        }
        switch (place_) {
            case AddressPlace::Outside:
                if (c == '"') place_ = AddressPlace::QuotedString;
                if (c == '<') place_ = AddressPlace::AngleAddress;
                if (c == '(') {
                    place_ = AddressPlace::Comment;
                    commentDepth_ = 1;
                }
                break;
            case AddressPlace::QuotedString:
                if (c == '\\') escaped_ = true;
                if (c == '"') place_ = AddressPlace::Outside;
                break;
            case AddressPlace::Comment:
                if (c == '\\') escaped_ = true;
                if (c == '(') ++commentDepth_;
                if (c == ')' && --commentDepth_ == 0) place_ = AddressPlace::Outside;
                break;
            case AddressPlace::AngleAddress:
                if (c == '>') place_ = AddressPlace::Outside;
                break;
        }
    }

  private:
    AddressPlace place_ = AddressPlace::Outside;
    int commentDepth_ = 0;
    bool escaped_ = false;
};

// Decoded text written where address syntax reads it back as that text.
std::string InAddressSyntax(std::string_view text, AddressPlace place) {
    const std::string_view special = place == AddressPlace::Comment ? "()\\" : "\"\\";
    std::string quoted;
    quoted.reserve(text.size() + 2);
    if (place == AddressPlace::Outside) quoted += '"';
    for (char c : text) {
        if (special.find(c) != std::string_view::npos) quoted += '\\';
        quoted += c;
    }
    if (place == AddressPlace::Outside) quoted += '"';
    return quoted;
}

}  // namespace

std::string DecodeHeaderText(std::string_view value, HeaderSyntax syntax) {
    if (value.find("=?") == std::string_view::npos) return Widened(value);
    std::string out;
    AddressTracker tracker;
    // The run of encoded words being read: its text converted so far, the place it stands in,
    // and the bytes of its last charset, not converted yet.
    bool inRun = false;
    AddressPlace runPlace = AddressPlace::Outside;
    std::string runText;
    std::string runCharset;
    std::string runBytes;
    auto finishRun = [&] {
        if (!inRun) return;
        runText += DecodedTextToUtf8(runBytes, runCharset);
        out += syntax == HeaderSyntax::AddressList ? InAddressSyntax(runText, runPlace) : runText;
        inRun = false;
        runText.clear();
        runBytes.clear();
    };
    std::size_t literalStart = 0;  // the start of the literal text not written yet
    std::size_t position = 0;
    while (position < value.size()) {
        const char c = value[position];
        if (c == '=' && position + 1 < value.size() && value[position + 1] == '?' &&
            tracker.Place() != AddressPlace::AngleAddress) {
            if (std::optional<EncodedWord> word = ReadEncodedWord(value, position)) {
                const std::string_view between =
                    value.substr(literalStart, position - literalStart);
                if (inRun && between.find_first_not_of(" \t") == std::string_view::npos) {
                    if (!EqualsIgnoringAsciiCase(word->charset, runCharset)) {
                        runText += DecodedTextToUtf8(runBytes, runCharset);
                        runBytes.clear();
                        runCharset = word->charset;
                    }
                } else {
                    finishRun();
                    out += Widened(between);
                    inRun = true;
                    runPlace = tracker.Place();
                    runCharset = word->charset;
                }
                runBytes += word->bytes;
                position = literalStart = word->end;
                continue;
            }
        }
        if (syntax == HeaderSyntax::AddressList) tracker.Step(c);
        ++position;
    }
    finishRun();
    out += Widened(value.substr(literalStart));
    return out;
}

}  // namespace velora::platform
