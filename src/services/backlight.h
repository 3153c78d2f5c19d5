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

// While the "on" values stand in the device's time-outs, the hive says so under this key: "Held"
// is the id of the process holding the light (0 once the user's values are back) and
// "BatteryTimeout" and "ACTimeout" keep the user's own values. A run killed while holding the
// light leaves the mark behind; the next run's snapshot (TakeBacklightSnapshot) finds it and takes
// the user's values from it instead of the "on" values.
inline constexpr char16_t kLightHeldKey[] = u"Software\\Quenrick\\Velora\\LightHeld";

// Marks the light held (with `snapshot` as the user's values), then writes kBacklightOnValue to
// "BatteryTimeout" and to "ACTimeout", each with its own open (creating the key if missing) and
// close. A failed first open skips that value; a failed second open is returned. Does not pulse
// the event.
std::int32_t ApplyBacklightOn(const BacklightSnapshot& snapshot);
// Writes the snapshot back the same way, then clears the mark.
std::int32_t RestoreBacklight(const BacklightSnapshot& snapshot);

// The first step of LoadSettings: reads "BatteryTimeout" and then "ACTimeout" into the snapshot,
// each with its own open and close (a failed open or read keeps what the snapshot held). A value
// that is kBacklightOnValue while the hive marks the light held by a process that no longer runs
// is the user's value from the mark instead, and the user's values are written back at once.
// While the holder still runs (another copy of the program) its mark's values are used and
// nothing is written.
void TakeBacklightSnapshot(BacklightSnapshot& snapshot);

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
