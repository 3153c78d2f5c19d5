#include "services/home_timeout.h"

#include "platform/registry/registry.h"

namespace velora::services {

bool CheckHomeTimeout(const InformationMessage& showMessage) {
    using namespace platform;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\Home", 0, nullptr, 0, 0, nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
        return false;
    }
    BYTE data[4] = {0, 0, 0, 0};
    DWORD size = sizeof data;
    DWORD type = 0;
    // The result is ignored: a missing (or oversized) value leaves 0.
    static_cast<void>(RegQueryValueExW(key, u"Timeout", nullptr, &type, data, &size));
    static_cast<void>(RegCloseKey(key));  // nothing was written through it
    const auto timeout = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
        (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24));
    if (timeout < 0 || timeout >= kHomeTimeoutMinimumMs) return true;
    if (showMessage) showMessage(kHomeTimeoutMessage, kHomeTimeoutCaption);
    return false;
}

}  // namespace velora::services
