#include "services/settings.h"

#include <cstdint>
#include <cstring>

#include "platform/registry.h"
#include "services/backlight.h"

namespace velora::services {
namespace {

using platform::BYTE;
using platform::DWORD;
using platform::HKEY;

constexpr char16_t kSettingsKey[] = u"Software\\Quenrick\\Velora";

std::int32_t OpenKey(const char16_t* path, HKEY& key) {
    DWORD disposition = 0;
    return platform::RegCreateKeyExW(platform::HKEY_CURRENT_USER, path, 0, nullptr, 0, 0, nullptr,
                                     &key, &disposition);
}

// Reads a value through a 4-byte buffer that holds the field's current bytes: a shorter value
// overwrites only its own bytes, a longer one fails. The stored type is not checked.
bool ReadDword(HKEY key, const char16_t* name, std::int32_t& field) {
    BYTE buffer[4];
    std::memcpy(buffer, &field, sizeof buffer);
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (platform::RegQueryValueExW(key, name, nullptr, &type, buffer, &size) !=
        platform::ERROR_SUCCESS) {
        return false;
    }
    std::memcpy(&field, buffer, sizeof buffer);
    return true;
}

void ReadDwordOr(HKEY key, const char16_t* name, std::int32_t& field, std::int32_t fallback) {
    if (!ReadDword(key, name, field)) field = fallback;
}

std::int32_t WriteDword(HKEY key, const char16_t* name, std::int32_t value) {
    BYTE buffer[4];
    std::memcpy(buffer, &value, sizeof buffer);
    return platform::RegSetValueExW(key, name, 0, platform::REG_DWORD, buffer, sizeof buffer);
}

}  // namespace

std::int32_t LoadSettings(ReadingSettings& settings, BacklightSnapshot& snapshot) {
    TakeBacklightSnapshot(snapshot);

    HKEY key = nullptr;
    if (const std::int32_t status = OpenKey(kSettingsKey, key); status != platform::ERROR_SUCCESS) {
        return status;
    }
    ReadDwordOr(key, u"CurWordDelay", settings.CurWordDelay, 219);
    ReadDwordOr(key, u"SpeedSet", settings.SpeedSet, 210);
    // The four delays keep what they hold when unreadable; their bars follow the field.
    ReadDword(key, u"Punct1", settings.Punct1);
    settings.Punct1Bar = GaugeBar(settings.Punct1);
    ReadDword(key, u"Punct2", settings.Punct2);
    settings.Punct2Bar = GaugeBar(settings.Punct2);
    ReadDword(key, u"Len", settings.Len);
    settings.LenBar = settings.Len;  // its range already spans 0 to 100
    ReadDword(key, u"Num", settings.Num);
    settings.NumBar = GaugeBar(settings.Num);
    ReadDwordOr(key, u"Light", settings.Light, 1);
    ReadDwordOr(key, u"Tintline", settings.Tintline, 1);
    ReadDwordOr(key, u"SpeedBoost", settings.SpeedBoost, 0);
    return platform::RegCloseKey(key);
}

std::int32_t SaveSettings(const ReadingSettings& settings) {
    HKEY key = nullptr;
    if (const std::int32_t status = OpenKey(kSettingsKey, key); status != platform::ERROR_SUCCESS) {
        return status;
    }
    // A failed single write does not stop the others.
    WriteDword(key, u"CurWordDelay", settings.CurWordDelay);
    WriteDword(key, u"SpeedSet", settings.SpeedSet);
    WriteDword(key, u"Punct1", settings.Punct1);
    WriteDword(key, u"Punct2", settings.Punct2);
    WriteDword(key, u"Len", settings.Len);
    WriteDword(key, u"Num", settings.Num);
    WriteDword(key, u"Light", settings.Light);
    WriteDword(key, u"Tintline", settings.Tintline);
    WriteDword(key, u"SpeedBoost", settings.SpeedBoost);
    return platform::RegCloseKey(key);
}

void SetSpeedBoostFactors(ReadingSettings& settings) {
    if (settings.SpeedBoost == 0) {
        settings.gapFactor = 0.375f;
        settings.baseFactor = 0.875f;
    } else {
        settings.gapFactor = 0.125f;
        settings.baseFactor = 0.25f;
    }
}

namespace {

// float to int32 by truncation towards zero. Products beyond the int32 range (only reachable with
// a hand-edited SpeedSet near the limits) saturate instead of being undefined.
std::int32_t TruncateToInt32(float value) {
    if (!(value == value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value < -2147483648.0f) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

}  // namespace

void RecomputeSpeedTimes(ReadingSettings& settings) {
    const auto speed = static_cast<float>(settings.SpeedSet);
    settings.gapDelay = TruncateToInt32(speed * settings.gapFactor);
    settings.wordBase = TruncateToInt32(speed * settings.baseFactor);
}

void ReadReloadFlag(std::int32_t& reload) {
    HKEY key = nullptr;
    if (OpenKey(kSettingsKey, key) != platform::ERROR_SUCCESS) return;
    ReadDwordOr(key, u"Reload", reload, 0);
    platform::RegCloseKey(key);
}

void WriteReloadFlag(std::int32_t reload) {
    HKEY key = nullptr;
    if (OpenKey(kSettingsKey, key) != platform::ERROR_SUCCESS) return;
    WriteDword(key, u"Reload", reload);
    platform::RegCloseKey(key);
}

std::int32_t ApplyDefaults(ReadingSettings& settings,
                           const std::function<void(std::int32_t)>& requestBacklight) {
    settings.Punct1 = 200;
    settings.Punct1Bar = GaugeBar(settings.Punct1);
    settings.Punct2 = 100;
    settings.Punct2Bar = GaugeBar(settings.Punct2);
    settings.Len = 18;
    settings.LenBar = settings.Len;
    settings.Num = 165;
    settings.NumBar = GaugeBar(settings.Num);
    settings.Light = 1;
    if (requestBacklight) requestBacklight(1);
    settings.Tintline = 1;
    settings.SpeedBoost = 0;
    SetSpeedBoostFactors(settings);
    return SaveSettings(settings);
}

}  // namespace velora::services
