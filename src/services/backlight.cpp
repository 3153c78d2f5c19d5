#include "services/backlight.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "services/registry_key.h"

namespace velora::services {
namespace {

constexpr char16_t kBacklightKey[] = u"ControlPanel\\Backlight";

// One value with its own open and close; returns the open status when the key cannot be opened.
std::int32_t WriteBacklightValue(const char16_t* name, std::int32_t value) {
    RegistryKey key(kBacklightKey);
    if (!key.IsOpen()) return key.Status();
    key.Write(name, value);
    return key.Close();
}

std::int32_t WriteBoth(std::int32_t battery, std::int32_t mains) {
    WriteBacklightValue(u"BatteryTimeout", battery);
    return WriteBacklightValue(u"ACTimeout", mains);
}

// The mark of a held light: the holder's process id (0: none) and the user's values. One commit.
void WriteLightHeldMark(std::int32_t holder, const BacklightSnapshot& user) {
    RegistryKey key(kLightHeldKey);
    if (!key.IsOpen()) return;
    if (holder != 0) {
        key.Write(u"BatteryTimeout", user.BatteryTimeout);
        key.Write(u"ACTimeout", user.ACTimeout);
    }
    key.Write(u"Held", holder);
}

// Signal 0 sends nothing; it only asks whether the process exists. A value that cannot be a
// process id (a hand-edited hive) counts as a holder that has ended.
bool ProcessRuns(std::int32_t id) {
    return id > 0 && (::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM);
}

}  // namespace

std::int32_t ApplyBacklightOn(const BacklightSnapshot& snapshot) {
    // The mark goes first: a run killed between the two steps leaves a mark beside the user's
    // values, which the next snapshot keeps (only the "on" value is replaced).
    WriteLightHeldMark(static_cast<std::int32_t>(::getpid()), snapshot);
    return WriteBoth(kBacklightOnValue, kBacklightOnValue);
}

std::int32_t RestoreBacklight(const BacklightSnapshot& snapshot) {
    const std::int32_t status = WriteBoth(snapshot.BatteryTimeout, snapshot.ACTimeout);
    WriteLightHeldMark(0, snapshot);
    return status;
}

void TakeBacklightSnapshot(BacklightSnapshot& snapshot) {
    for (const auto& [name, field] : {std::pair{u"BatteryTimeout", &snapshot.BatteryTimeout},
                                      std::pair{u"ACTimeout", &snapshot.ACTimeout}}) {
        RegistryKey key(kBacklightKey);
        // A value that cannot be read leaves the field as it was.
        if (key.IsOpen()) static_cast<void>(key.Read(name, *field));
    }

    std::int32_t holder = 0;
    BacklightSnapshot user;
    {
        RegistryKey key(kLightHeldKey, Create::Never);
        if (!key.IsOpen() || !key.Read(u"Held", holder) || holder == 0 ||
            !key.Read(u"BatteryTimeout", user.BatteryTimeout) ||
            !key.Read(u"ACTimeout", user.ACTimeout)) {
            return;
        }
    }
    bool recovered = false;
    for (const auto& [field, saved] : {std::pair{&snapshot.BatteryTimeout, user.BatteryTimeout},
                                       std::pair{&snapshot.ACTimeout, user.ACTimeout}}) {
        if (*field == kBacklightOnValue && saved != kBacklightOnValue) {
            *field = saved;
            recovered = true;
        }
    }
    // A holder that still runs gives the light back itself; a dead one's values go back now.
    if (ProcessRuns(holder)) return;
    if (recovered) WriteBoth(snapshot.BatteryTimeout, snapshot.ACTimeout);
    WriteLightHeldMark(0, snapshot);
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
        ApplyBacklightOn(snapshot_);
    } else {
        RestoreBacklight(snapshot_);
    }
    Pulse();
}

void BacklightKeeper::ApplyAtStartup(const ReadingSettings& settings) {
    if (settings.Light == 0) return;
    ApplyBacklightOn(snapshot_);
    Pulse();
}

void BacklightKeeper::RestoreNow() {
    RestoreBacklight(snapshot_);
    Pulse();
}

}  // namespace velora::services
