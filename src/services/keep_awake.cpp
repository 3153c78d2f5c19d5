#include "services/keep_awake.h"

#include "platform/desktop/wake_services.h"

namespace velora::services {

std::u16string KeepAwakeSoundPath(const std::u16string& programFolder) {
    if (programFolder.empty()) return {};
    return programFolder + u"/" + kKeepAwakeSoundFile;
}

void KeepAwakeSound::Start() {
    held_ = true;
    // Stopping what plays cannot fail; a missing or unplayable file fails silently.
    static_cast<void>(platform::sndPlaySoundW(nullptr, 0));
    static_cast<void>(
        platform::sndPlaySoundW(path_.c_str(), platform::SND_ASYNC | platform::SND_LOOP));
}

void KeepAwakeSound::StopAnySound() {
    static_cast<void>(platform::sndPlaySoundW(nullptr, 0));  // stopping cannot fail
}

void ResetIdleTimer() {
    platform::SystemIdleTimerReset();
}

}  // namespace velora::services
