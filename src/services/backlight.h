#pragma once
// Keeping the display lit while words flash: the device's backlight time-outs
// (HKCU\ControlPanel\Backlight "BatteryTimeout" and "ACTimeout") are overwritten with the "on"
// value while the Reading Light is on, and the user's own values, taken once per run by
// LoadSettings, are written back when the light is given back. After every write the backlight
// change event is pulsed, which makes the platform re-read the values and hold or release its
// screen-saver inhibit.

#include <cstdint>
#include <functional>

#include "services/reading_settings.h"
#include "services/settings.h"

namespace velora::services {

// The number written to both time-outs while the light is held.
inline constexpr std::int32_t kBacklightOnValue = 60000;
// Requests within this many milliseconds of each other cost one registry update.
inline constexpr std::uint32_t kBacklightDelayMs = 85;
// The Reader window's timer that carries the delayed update.
inline constexpr std::uint32_t kBacklightTimerId = 3;

// Writes kBacklightOnValue to "BatteryTimeout", then to "ACTimeout", each with its own open
// (creating the key if missing) and close. A failed first open skips that value; a failed second
// open is returned. Does not pulse the event.
std::int32_t ApplyBacklightOn();
// Writes the snapshot back the same way.
std::int32_t RestoreBacklight(const BacklightSnapshot& snapshot);

// The light request and its delayed, coalesced update. The timer and the event belong to the
// window and the platform; they are reached through these hooks so tests can drive them.
class BacklightKeeper {
  public:
    struct Hooks {
        // SetTimer(reader window, kBacklightTimerId, kBacklightDelayMs): re-arming replaces the
        // pending update, so a burst of requests costs one write with the last request's value.
        std::function<void()> armTimer;
        // KillTimer(reader window, kBacklightTimerId).
        std::function<void()> killTimer;
        // Pulses the backlight change event.
        std::function<void()> pulse;
    };

    explicit BacklightKeeper(Hooks hooks) : hooks_(std::move(hooks)) {}

    // Filled by LoadSettings; never refreshed during the run.
    BacklightSnapshot& Snapshot() { return snapshot_; }
    const BacklightSnapshot& Snapshot() const { return snapshot_; }
    std::int32_t LightRequest() const { return lightRequest_; }

    // RequestBacklight: with the Reading Light on, remembers `on` and (re-)arms the timer; with it
    // off does nothing.
    void Request(std::int32_t on, const ReadingSettings& settings);
    // The Reading Light was just switched off: the request becomes "off" and the timer is armed
    // directly, so the user's values come back although Request would now be ignored.
    void RestoreSoon();
    // The timer fired: kill it, write the "on" values or the snapshot, pulse.
    void OnTimer();
    // Start-up with the Reading Light on: write the "on" values and pulse at once, no timer.
    void ApplyAtStartup(const ReadingSettings& settings);
    // Quitting: the snapshot is written back whatever the switch says, then the event is pulsed.
    void RestoreNow();

  private:
    void Pulse() {
        if (hooks_.pulse) hooks_.pulse();
    }

    Hooks hooks_;
    BacklightSnapshot snapshot_;
    std::int32_t lightRequest_ = 0;
};

}  // namespace velora::services
