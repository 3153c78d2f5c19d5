#pragma once
// Hexadecimal digits as protocols (quoted-printable, encoded words) and the program's own files
// (settings, side files) write them.

namespace velora::platform {

enum class HexLetters {
    AnyCase,    // a-f and A-F: what other programs write
    LowerOnly,  // a-f alone: a file only this program writes, read strictly
};

// The value (0-15) of the hexadecimal digit `c`, or -1 when it is none.
constexpr int HexDigitValue(char c, HexLetters letters = HexLetters::AnyCase) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (letters == HexLetters::AnyCase && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace velora::platform
