#pragma once
// The compare routines a PositionalList can be given by kind: less than 0, 0 or more than 0.
//
//   kind 1  CompareOrdinal            code-unit order (wcscmp)
//   kind 2  CompareOrdinalIgnoreCase  code-unit order after lower-casing A-Z (_wcsicmp, C locale)
//   kind 3, 4                         the user's locale collation, with and without case; they
//                                     need the platform's collation (CompareStringW), so the code
//                                     that sorts by them supplies its own compare routine
//   other   CompareUnsigned           unsigned order of the 32-bit element values
//
// Strings given as pointers are NUL-terminated; a null pointer counts as the empty string.

#include <cstdint>
#include <string_view>

namespace velora::support {

int CompareOrdinal(std::u16string_view a, std::u16string_view b);
int CompareOrdinalIgnoreCase(std::u16string_view a, std::u16string_view b);
int CompareOrdinal(const char16_t* a, const char16_t* b);
int CompareOrdinalIgnoreCase(const char16_t* a, const char16_t* b);

// 1 when a is greater, -1 when smaller, 0 when equal.
constexpr int CompareUnsigned(std::uint32_t a, std::uint32_t b) {
    return a > b ? 1 : (a < b ? -1 : 0);
}

// Unsigned order of two addresses: the default for lists of pointers.
int CompareAddresses(const void* a, const void* b);

}  // namespace velora::support
