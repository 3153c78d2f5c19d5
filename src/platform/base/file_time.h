#pragma once
// FILETIME: the phone's time stamp, and conversions to and from its 64-bit tick count.

#include <cstdint>

#include "platform/base/win_types.h"

namespace velora::platform {

// 100-nanosecond intervals since 1601-01-01 00:00 UTC.
struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

constexpr std::uint64_t FileTimeValue(FILETIME time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
constexpr FILETIME MakeFileTime(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}
// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t kFileTimeUnixEpochSeconds = 11644473600LL;
inline constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ULL;

// -1, 0 or 1 as the first time is earlier than, equal to or later than the second.
constexpr LONG CompareFileTime(const FILETIME* first, const FILETIME* second) {
    const std::uint64_t a = FileTimeValue(*first);
    const std::uint64_t b = FileTimeValue(*second);
    return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace velora::platform
