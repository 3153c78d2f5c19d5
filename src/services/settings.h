#pragma once
// Persistence of the Reading settings and of the reload flag under
// HKEY_CURRENT_USER\Software\Quenrick\Velora, plus the snapshot of the device's own backlight
// time-outs taken when the settings are loaded.
//
// Every operation opens the key, reads or writes one REG_DWORD value at a time and closes the key
// again; no key handle lives from one call to the next. The functions return the registry status
// of their last step (ERROR_SUCCESS = 0); callers are free to ignore it, since no registry failure
// is ever shown to the user.

#include <cstdint>
#include <functional>

#include "services/reading_settings.h"

namespace velora::services {

// The user's own backlight time-outs (HKCU\ControlPanel\Backlight "BatteryTimeout" and
// "ACTimeout"), taken once per run and written back whenever the light is given back.
// Both are 0 until read; a value that cannot be read keeps what the snapshot held.
struct BacklightSnapshot {
    std::int32_t BatteryTimeout = 0;
    std::int32_t ACTimeout = 0;
};

// Takes the backlight snapshot, then reads the nine stored values. A missing or unreadable value
// takes its fallback (CurWordDelay 219, SpeedSet 210, Light 1, Tintline 1, SpeedBoost 0; the four
// delays keep what the record holds); the four gauge bars are recomputed. Values are not clamped.
// Does not touch gapFactor, baseFactor, gapDelay or wordBase. When the key cannot be opened the
// record is left exactly as it was and the open status is returned.
std::int32_t LoadSettings(ReadingSettings& settings, BacklightSnapshot& snapshot);

// Writes the nine stored values as REG_DWORD in the order CurWordDelay, SpeedSet, Punct1, Punct2,
// Len, Num, Light, Tintline, SpeedBoost. A failed single write does not stop the others.
std::int32_t SaveSettings(const ReadingSettings& settings);

// gapFactor/baseFactor = 0.375/0.875 with SpeedBoost 0, 0.125/0.25 with any other value.
// Leaves gapDelay and wordBase alone.
void SetSpeedBoostFactors(ReadingSettings& settings);

// gapDelay = (int)((float)SpeedSet * gapFactor), wordBase = (int)((float)SpeedSet * baseFactor),
// both truncated towards zero.
void RecomputeSpeedTimes(ReadingSettings& settings);

// Reads "Reload" (1 = a second launch asked for an Inbox reload). A missing or unreadable value
// reads as 0; when the key cannot be opened `reload` is left unchanged.
void ReadReloadFlag(std::int32_t& reload);
void WriteReloadFlag(std::int32_t reload);

// The Defaults command of the Options screen: Punct1 200, Punct2 100, Len 18, Num 165 with bars
// 40, 20, 18, 33; Light 1 (then requestBacklight(1)); Tintline 1; SpeedBoost 0 (then
// SetSpeedBoostFactors); then SaveSettings. SpeedSet and CurWordDelay are left as they are.
// Returns the status of SaveSettings.
std::int32_t ApplyDefaults(ReadingSettings& settings,
                           const std::function<void(std::int32_t)>& requestBacklight);

// The gauge position, 0 to 100, of a value whose editing range ends at 500 (value * 100 / 500,
// integer division). The product wraps in 32 bits as the device's arithmetic does, so a value
// edited far outside the range by hand gives a defined (if odd) position instead of overflowing.
constexpr std::int32_t GaugeBar(std::int32_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) * 100u) / 500;
}

}  // namespace velora::services
