#pragma once
// The start-up check that the device's home screen will not take over the display while the user
// reads: HKCU\ControlPanel\Home "Timeout" (milliseconds, signed) must be negative (never) or at
// least 30 minutes.

#include <cstdint>
#include <functional>
#include <string_view>

namespace velora::services {

inline constexpr std::int32_t kHomeTimeoutMinimumMs = 1800000;
inline constexpr char16_t kHomeTimeoutCaption[] = u"Velora";
inline constexpr char16_t kHomeTimeoutMessage[] =
    u"To keep the display from reverting to the Home Screen as you read, please change the "
    u"'Timeout' setting for the Home Screen to 30 Minutes or longer.\rFrom the Programs menu go "
    u"to Settings > Home Screen > Timeout";

// Shows an information message box with an OK button and no owner.
using InformationMessage =
    std::function<void(std::u16string_view text, std::u16string_view caption)>;

// True when the program may run. The key is opened (created if missing) and "Timeout" read; a
// missing value reads as 0. A value below 1800000 and not negative shows kHomeTimeoutMessage
// through `showMessage` and answers false; a key that cannot be opened answers false silently.
[[nodiscard]] bool CheckHomeTimeout(const InformationMessage& showMessage);

}  // namespace velora::services
