#include "services/keep_awake.h"

#include "platform/desktop/wake_services.h"

namespace velora::services {

std::u16string KeepAwakeSoundPath(const std::u16string& programFolder) {
    if (programFolder.empty()) return {};
    return programFolder + u"/" + kKeepAwakeSoundFile;
}

void KeepAwakeSound::Start() {
    held_ = true;
    platform::sndPlaySoundW(nullptr, 0);
    // A missing or unplayable file fails silently.
    platform::sndPlaySoundW(path_.c_str(), platform::SND_ASYNC | platform::SND_LOOP);
}

void KeepAwakeSound::StopAnySound() {
    platform::sndPlaySoundW(nullptr, 0);
}

void ResetIdleTimer() {
    platform::SystemIdleTimerReset();
}

}  // namespace velora::services
