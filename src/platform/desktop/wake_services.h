#pragma once
// Keeping the desktop awake while words flash, in place of the phone's backlight and idle
// services:
// - The named event "BackLightChangeEvent" (CreateEventW / EventModify with EVENT_PULSE): a pulse
//   makes the layer re-read HKEY_CURRENT_USER\ControlPanel\Backlight "BatteryTimeout" and
//   "ACTimeout". While either holds the value the program writes to force the light on
//   (kBacklightOnValue, 60000) the layer holds a screen-saver inhibit; when neither does (the
//   user's own values are back) it releases it.
// - SystemIdleTimerReset: tells the desktop the user is active.
// - sndPlaySoundW: plays a sound file, in a loop with SND_LOOP; a null sound stops it.
// The desktop side of each (D-Bus org.freedesktop.ScreenSaver, Qt Multimedia) is behind an
// interface with a recording double. Without a D-Bus session or an audio device they do nothing
// and report nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/program_services.h"
#include "platform/base/win_types.h"

namespace velora::platform {

inline constexpr DWORD kBacklightOnValue = 60000;

class ScreenSaver {
  public:
    virtual ~ScreenSaver() = default;
    virtual void Inhibit() = 0;
    virtual void UnInhibit() = 0;
    virtual void SimulateUserActivity() = 0;
};

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Plays the WAV file at `path` (looping or once); false when it cannot be played.
    [[nodiscard]] virtual bool Play(const std::u16string& path, bool loop) = 0;
    virtual void Stop() = 0;
};

// org.freedesktop.ScreenSaver on the session bus; silent without a session bus.
std::unique_ptr<ScreenSaver> CreateDesktopScreenSaver();
// QSoundEffect; silent without an audio device.
std::unique_ptr<SoundPlayer> CreateDesktopSoundPlayer();

// Records every call, for tests.
class RecordingScreenSaver : public ScreenSaver {
  public:
    void Inhibit() override { calls.push_back("Inhibit"); }
    void UnInhibit() override { calls.push_back("UnInhibit"); }
    void SimulateUserActivity() override { calls.push_back("SimulateUserActivity"); }
    std::vector<std::string> calls;
};

class RecordingSoundPlayer : public SoundPlayer {
  public:
    [[nodiscard]] bool Play(const std::u16string& path, bool loop) override;
    void Stop() override;
    std::vector<std::string> calls;  // "Play <path> loop", "Play <path> once", "Stop"
    bool playing = false;
    bool playSucceeds = true;
};

// How the backlight values are read: value name ("BatteryTimeout", "ACTimeout") -> the DWORD, or
// nullopt when missing.
using BacklightValueReader = std::function<std::optional<DWORD>(std::u16string_view name)>;

// The desktop side of the calls below, a part of the program's services. Tests set the doubles
// and the reader; what is left null is the desktop's (made on first use), and an empty reader
// reads the registry hive.
struct WakeServices {
    ScreenSaver* screenSaver = nullptr;  // not owned
    SoundPlayer* soundPlayer = nullptr;  // not owned
    BacklightValueReader backlightValueReader;

    std::unique_ptr<ScreenSaver> desktopScreenSaver;
    std::unique_ptr<SoundPlayer> desktopSoundPlayer;
    bool backlightHeld = false;  // the inhibit is held for the backlight

    ScreenSaver& Saver();
    SoundPlayer& Player();
};

// The backlight handling behind the event, exposed for tests: re-reads the values and holds or
// releases the inhibit. Holding twice inhibits once.
void RereadBacklightValues();
bool BacklightHeld();

// Named events. Only "BackLightChangeEvent" does something when pulsed; other names are plain
// events. A handle is valid until CloseHandle.
struct EventObject;
using HANDLE = EventObject*;
inline constexpr DWORD EVENT_PULSE = 1;
inline constexpr DWORD EVENT_RESET = 2;
inline constexpr DWORD EVENT_SET = 3;
HANDLE CreateEventW(void* securityAttributes, BOOL manualReset, BOOL initialState,
                    const char16_t* name);
[[nodiscard]] BOOL EventModify(HANDLE event, DWORD function);
[[nodiscard]] BOOL CloseHandle(HANDLE handle);

void SystemIdleTimerReset();

inline constexpr UINT SND_SYNC = 0x0000;
inline constexpr UINT SND_ASYNC = 0x0001;
inline constexpr UINT SND_NODEFAULT = 0x0002;
inline constexpr UINT SND_LOOP = 0x0008;
// Stops the sound playing first. A null or empty sound only stops. Returns FALSE when the file
// cannot be played.
[[nodiscard]] BOOL sndPlaySoundW(const char16_t* sound, UINT flags);

}  // namespace velora::platform
