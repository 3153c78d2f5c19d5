#pragma once
// Keeping the device awake while words flash: the looping keep-awake sound ("Keep.dat", a short
// silent WAV) and the idle-timer reset. Without an audio device or a desktop session the platform
// does nothing and reports nothing; flashing goes on.

#include <string>

namespace velora::services {

inline constexpr char16_t kKeepAwakeSoundFile[] = u"Keep.dat";

// The sound path formed at start-up: the program folder followed by "/Keep.dat". An empty folder
// gives an empty path (nothing is played).
std::u16string KeepAwakeSoundPath(const std::u16string& programFolder);

class KeepAwakeSound {
  public:
    explicit KeepAwakeSound(std::u16string soundPath = {}) : path_(std::move(soundPath)) {}

    void SetPath(std::u16string soundPath) { path_ = std::move(soundPath); }
    const std::u16string& Path() const { return path_; }

    // StartKeepAwakeSound: stops any sound, then loops the sound file asynchronously. On the phone
    // a short-lived thread made these two calls; here they return at once, so they run on the
    // user-interface thread and the "thread handle" is only the mark that a start was made.
    void Start();
    // Stops any sound (the "no sound" play call).
    static void StopAnySound();
    // Whether a start is held (the phone's sound-thread handle); Release forgets it.
    bool Held() const { return held_; }
    void Release() { held_ = false; }

  private:
    std::u16string path_;
    bool held_ = false;
};

// SystemIdleTimerReset: tells the desktop the user is active.
void ResetIdleTimer();

}  // namespace velora::services
