#pragma once
// The phone's locale services over QLocale and QCollator: date and time texts in the user's
// short formats, and string comparison by the user's collation.

#include <memory>
#include <string>

#include "platform/base/file_time.h"
#include "platform/base/program_services.h"

namespace velora::platform {

using LCID = DWORD;

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;      // 1-12
    WORD wDayOfWeek = 0;  // 0 = Sunday
    WORD wDay = 0;
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr DWORD DATE_SHORTDATE = 0x00000001;
inline constexpr DWORD TIME_NOSECONDS = 0x00000002;
inline constexpr DWORD NORM_IGNORECASE = 0x00000001;
inline constexpr DWORD SORT_STRINGSORT = 0x00001000;
inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;

// UTC calendar fields of a FILETIME (no time-zone conversion). FALSE for times past year 30827.
[[nodiscard]] BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);

// The date in the user's short date format / the time in the user's time format without seconds
// (when TIME_NOSECONDS is given). Writes a NUL-terminated text into `out` and returns the units
// written including the NUL; 0 when the buffer is too small (or the date invalid). With
// `outSize` 0 returns the size needed. `format` must be null (the user's format).
[[nodiscard]] int GetDateFormatW(LCID locale, DWORD flags, const SYSTEMTIME* date,
                                 const char16_t* format, char16_t* out, int outSize);
[[nodiscard]] int GetTimeFormatW(LCID locale, DWORD flags, const SYSTEMTIME* time,
                                 const char16_t* format, char16_t* out, int outSize);

// CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN by the user's collation; NORM_IGNORECASE makes
// letters that differ only in case equal. A length of -1 means NUL-terminated. 0 on failure (a
// null text).
int CompareStringW(LCID locale, DWORD flags, const char16_t* first, int firstLength,
                   const char16_t* second, int secondLength);

struct LocaleCache;

// The locale the three functions use as the user's, a part of the program's services: by default
// the system locale (LANG/LC_ALL); tests set a fixed one ("en_US", "de_DE", "C"). An empty name
// is the system locale.
struct UserLocale {
    std::string name;
    // What the functions made of `name` (its QLocale and collators); made again when it changes.
    std::shared_ptr<LocaleCache> made;
};

}  // namespace velora::platform
