#include "services/backlight.h"

#include "platform/registry.h"

namespace velora::services {
namespace {

constexpr char16_t kBacklightKey[] = u"ControlPanel\\Backlight";

// One value with its own open and close; returns the open status when the key cannot be opened.
std::int32_t WriteBacklightValue(const char16_t* name, std::int32_t value) {
    using namespace platform;
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG opened = RegCreateKeyExW(HKEY_CURRENT_USER, kBacklightKey, 0, nullptr, 0, 0, nullptr,
                                        &key, &disposition);
    if (opened != ERROR_SUCCESS) return opened;
    const auto bits = static_cast<std::uint32_t>(value);
    const BYTE data[4] = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                          static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 24)};
    RegSetValueExW(key, name, 0, REG_DWORD, data, sizeof data);
    return RegCloseKey(key);
}

std::int32_t WriteBoth(std::int32_t battery, std::int32_t mains) {
    WriteBacklightValue(u"BatteryTimeout", battery);
    return WriteBacklightValue(u"ACTimeout", mains);
}

}  // namespace

std::int32_t ApplyBacklightOn() {
    return WriteBoth(kBacklightOnValue, kBacklightOnValue);
}

std::int32_t RestoreBacklight(const BacklightSnapshot& snapshot) {
    return WriteBoth(snapshot.BatteryTimeout, snapshot.ACTimeout);
}

void BacklightKeeper::Request(std::int32_t on, const ReadingSettings& settings) {
    if (settings.Light == 0) return;
    lightRequest_ = on;
    if (hooks_.armTimer) hooks_.armTimer();
}

void BacklightKeeper::RestoreSoon() {
    lightRequest_ = 0;
    if (hooks_.armTimer) hooks_.armTimer();
}

void BacklightKeeper::OnTimer() {
    if (hooks_.killTimer) hooks_.killTimer();
    if (lightRequest_ == 1) {
        ApplyBacklightOn();
    } else {
        RestoreBacklight(snapshot_);
    }
    Pulse();
}

void BacklightKeeper::ApplyAtStartup(const ReadingSettings& settings) {
    if (settings.Light == 0) return;
    ApplyBacklightOn();
    Pulse();
}

void BacklightKeeper::RestoreNow() {
    RestoreBacklight(snapshot_);
    Pulse();
}

}  // namespace velora::services
