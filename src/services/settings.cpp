#include "services/settings.h"

#include <cstdint>

#include "services/backlight.h"
#include "services/registry_key.h"

namespace velora::services {
namespace {

constexpr char16_t kSettingsKey[] = u"Software\\Quenrick\\Velora";

}  // namespace

std::int32_t LoadSettings(ReadingSettings& settings, BacklightSnapshot& snapshot) {
    TakeBacklightSnapshot(snapshot);

    RegistryKey key(kSettingsKey);
    if (!key.IsOpen()) return key.Status();
    key.ReadOr(u"CurWordDelay", settings.CurWordDelay, 219);
    key.ReadOr(u"SpeedSet", settings.SpeedSet, 210);
    // The four delays keep what they hold when unreadable; their bars follow the field.
    static_cast<void>(key.Read(u"Punct1", settings.Punct1));
    settings.Punct1Bar = GaugeBar(settings.Punct1);
    static_cast<void>(key.Read(u"Punct2", settings.Punct2));
    settings.Punct2Bar = GaugeBar(settings.Punct2);
    static_cast<void>(key.Read(u"Len", settings.Len));
    settings.LenBar = settings.Len;  // its range already spans 0 to 100
    static_cast<void>(key.Read(u"Num", settings.Num));
    settings.NumBar = GaugeBar(settings.Num);
    key.ReadOr(u"Light", settings.Light, 1);
    key.ReadOr(u"Tintline", settings.Tintline, 1);
    key.ReadOr(u"SpeedBoost", settings.SpeedBoost, 0);
    return key.Close();
}

std::int32_t SaveSettings(const ReadingSettings& settings) {
    RegistryKey key(kSettingsKey);
    if (!key.IsOpen()) return key.Status();
    // A failed single write does not stop the others.
    key.Write(u"CurWordDelay", settings.CurWordDelay);
    key.Write(u"SpeedSet", settings.SpeedSet);
    key.Write(u"Punct1", settings.Punct1);
    key.Write(u"Punct2", settings.Punct2);
    key.Write(u"Len", settings.Len);
    key.Write(u"Num", settings.Num);
    key.Write(u"Light", settings.Light);
    key.Write(u"Tintline", settings.Tintline);
    key.Write(u"SpeedBoost", settings.SpeedBoost);
    return key.Close();
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
    RegistryKey key(kSettingsKey);
    if (key.IsOpen()) key.ReadOr(u"Reload", reload, 0);
}

void WriteReloadFlag(std::int32_t reload) {
    RegistryKey key(kSettingsKey);
    if (key.IsOpen()) key.Write(u"Reload", reload);
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
