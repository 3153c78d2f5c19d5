#include "support/list_compare.h"

#include "platform/base/ascii_case.h"

namespace velora::support {
namespace {

std::u16string_view ViewOf(const char16_t* text) {
    return text != nullptr ? std::u16string_view(text) : std::u16string_view();
}

template <typename Fold>
int CompareUnits(std::u16string_view a, std::u16string_view b, Fold fold) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t k = 0; k < common; ++k) {
        const char16_t x = fold(a[k]);
        const char16_t y = fold(b[k]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

int CompareOrdinal(std::u16string_view a, std::u16string_view b) {
    return CompareUnits(a, b, [](char16_t unit) { return unit; });
}

int CompareOrdinalIgnoreCase(std::u16string_view a, std::u16string_view b) {
    return CompareUnits(a, b, [](char16_t unit) { return platform::AsciiLower(unit); });
}

int CompareOrdinal(const char16_t* a, const char16_t* b) {
    return CompareOrdinal(ViewOf(a), ViewOf(b));
}

int CompareOrdinalIgnoreCase(const char16_t* a, const char16_t* b) {
    return CompareOrdinalIgnoreCase(ViewOf(a), ViewOf(b));
}

int CompareAddresses(const void* a, const void* b) {
    const auto x = reinterpret_cast<std::uintptr_t>(a);
    const auto y = reinterpret_cast<std::uintptr_t>(b);
    return x > y ? 1 : (x < y ? -1 : 0);
}

}  // namespace velora::support
