#include "inbox/date_text.h"

#include "platform/desktop/locale_format.h"

namespace velora::inbox {
namespace {

using namespace velora::platform;

constexpr int kTextBufferSize = 100;
constexpr char16_t kBulletSuffix[] = u" \u2022 ";

template <typename Formatter>
std::u16string FormatWith(const mail::MessageSummary& summary, Formatter format, DWORD flags) {
    SYSTEMTIME time{};
    // A delivery time out of range leaves `time` all zero, and that is what gets formatted.
    static_cast<void>(FileTimeToSystemTime(&summary.deliveryTime, &time));
    char16_t buffer[kTextBufferSize] = {};
    const int written = format(LOCALE_USER_DEFAULT, flags, &time, nullptr, buffer, kTextBufferSize);
    std::u16string text(buffer, written > 0 ? static_cast<std::size_t>(written - 1) : 0);
    return text + kBulletSuffix;
}

}  // namespace

std::u16string FormatDateText(const mail::MessageSummary& summary) {
    return FormatWith(summary, GetDateFormatW, DATE_SHORTDATE);
}

std::u16string FormatTimeText(const mail::MessageSummary& summary) {
    return FormatWith(summary, GetTimeFormatW, TIME_NOSECONDS);
}

}  // namespace velora::inbox
