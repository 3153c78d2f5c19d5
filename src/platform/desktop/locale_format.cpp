#include "platform/desktop/locale_format.h"

#include <QCollator>
#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <QTime>
#include <map>
#include <memory>

#include "platform/base/program_services.h"

namespace velora::platform {

struct LocaleCache {
    explicit LocaleCache(const std::string& localeName)
        : name(localeName),
          locale(name.empty() ? QLocale::system() : QLocale(QString::fromStdString(name))) {}

    std::string name;
    QLocale locale;
    std::map<DWORD, std::unique_ptr<QCollator>> collators;  // by flags
};

namespace {

LocaleCache& State() {
    UserLocale& user = CurrentProgramServices().Get<UserLocale>();
    if (!user.made || user.made->name != user.name)
        user.made = std::make_shared<LocaleCache>(user.name);
    return *user.made;
}

int CopyOut(const QString& text, char16_t* out, int outSize) {
    const int needed = static_cast<int>(text.size()) + 1;
    if (outSize == 0) return needed;
    if (out == nullptr || outSize < needed) return 0;
    std::copy(text.utf16(), text.utf16() + text.size(), out);
    out[text.size()] = u'\0';
    return needed;
}

QString FromUtf16(const char16_t* text, int length) {
    if (length < 0) return QString::fromUtf16(text);
    return QString::fromUtf16(text, length);
}

}  // namespace

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (fileTime == nullptr || systemTime == nullptr) return FALSE;
    const std::uint64_t ticks = FileTimeValue(*fileTime);
    if (ticks >= 0x8000000000000000ULL) return FALSE;
    const std::int64_t totalSeconds = static_cast<std::int64_t>(ticks / kFileTimeTicksPerSecond);
    const std::int64_t days = totalSeconds / 86400;
    const std::int64_t secondsOfDay = totalSeconds % 86400;
    const QDate date = QDate(1601, 1, 1).addDays(days);
    if (!date.isValid() || date.year() > 30827) return FALSE;
    systemTime->wYear = static_cast<WORD>(date.year());
    systemTime->wMonth = static_cast<WORD>(date.month());
    systemTime->wDay = static_cast<WORD>(date.day());
    systemTime->wDayOfWeek = static_cast<WORD>(date.dayOfWeek() % 7);
    systemTime->wHour = static_cast<WORD>(secondsOfDay / 3600);
    systemTime->wMinute = static_cast<WORD>((secondsOfDay / 60) % 60);
    systemTime->wSecond = static_cast<WORD>(secondsOfDay % 60);
    systemTime->wMilliseconds = static_cast<WORD>((ticks / 10000) % 1000);
    return TRUE;
}

int GetDateFormatW(LCID, DWORD flags, const SYSTEMTIME* date, const char16_t* format, char16_t* out,
                   int outSize) {
    if (date == nullptr || format != nullptr) return 0;
    const QDate value(date->wYear, date->wMonth, date->wDay);
    if (!value.isValid()) return 0;
    const QLocale& locale = State().locale;
    const QString text = locale.toString(
        value, locale.dateFormat((flags & DATE_SHORTDATE) != 0 ? QLocale::ShortFormat
                                                               : QLocale::LongFormat));
    return CopyOut(text, out, outSize);
}

int GetTimeFormatW(LCID, DWORD flags, const SYSTEMTIME* time, const char16_t* format, char16_t* out,
                   int outSize) {
    if (time == nullptr || format != nullptr) return 0;
    const QTime value(time->wHour, time->wMinute, time->wSecond);
    if (!value.isValid()) return 0;
    const QLocale& locale = State().locale;
    QString pattern = locale.timeFormat(QLocale::ShortFormat);
    if ((flags & TIME_NOSECONDS) != 0) {
        static const QRegularExpression seconds(QStringLiteral("[:.]?s+"));
        pattern.remove(seconds);
    }
    return CopyOut(locale.toString(value, pattern), out, outSize);
}

int CompareStringW(LCID, DWORD flags, const char16_t* first, int firstLength,
                   const char16_t* second, int secondLength) {
    if (first == nullptr || second == nullptr) return 0;
    LocaleCache& state = State();
    std::unique_ptr<QCollator>& collator = state.collators[flags];
    if (!collator) {
        collator = std::make_unique<QCollator>(state.locale);
        collator->setCaseSensitivity((flags & NORM_IGNORECASE) != 0 ? Qt::CaseInsensitive
                                                                    : Qt::CaseSensitive);
    }
    const int result =
        collator->compare(FromUtf16(first, firstLength), FromUtf16(second, secondLength));
    return result < 0 ? CSTR_LESS_THAN : (result > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL);
}

}  // namespace velora::platform
