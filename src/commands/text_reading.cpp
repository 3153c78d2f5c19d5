#include "commands/text_reading.h"

#include "commands/reader_wiring.h"
#include "platform/base/program_services.h"
#include "platform/ui/message_box.h"
#include "reader/segment_text.h"
#include "resources/program_resources.h"
#include "services/dialog.h"
#include "services/settings.h"

namespace velora::commands {

TextReading::TextReading(platform::Screen& screen, const std::u16string& text,
                         std::u16string soundPath)
    : window_(screen, resources::ProgramInstance(), player_, settings_) {
    window_.Create();
    window_.SetKeepAwakeSoundPath(std::move(soundPath));
    find_ = WireReaderCommands({screen,
                                resources::ProgramInstance(),
                                window_,
                                player_,
                                settings_,
                                findState_,
                                [this] { SayThereIsNoMessage(kNoMessageToMarkUnread); },
                                [this] { SayThereIsNoMessage(kNoMessageToDelete); },
                                {},
                                {}});

    // The settings as at start-up, with the backlight snapshot.
    services::LoadSettings(settings_, window_.Backlight().Snapshot());
    window_.State().requests.contextBullet = true;
    services::SetSpeedBoostFactors(settings_);
    services::RecomputeSpeedTimes(settings_);

    // The text, loaded as a message is.
    reader::InstallDocument(player_, reader::SegmentText(text));
    reader::JumpToPosition(player_, settings_, 0);
    reader::PrepareNextFrame(player_, settings_, reader::TintStart::Reset);
    window_.State().playing = false;

    window_.SetBacklightEvent(
        platform::CreateEventW(nullptr, platform::FALSE, platform::FALSE, u"BackLightChangeEvent"));
    window_.Backlight().ApplyAtStartup(settings_);

    // Shown as the Inbox window hands a message over: the first frame, paused.
    platform::CurrentProgramServices().Get<reader::WindowActivation>().first = true;
    platform::ShowWindow(&window_, platform::SW_SHOW);
}

TextReading::~TextReading() {
    // An end that never reached the window still gives the light back and stops the timers.
    window_.ReleaseReaderResources();
    platform::CurrentProgramServices().Get<services::DialogContext>() = {};
}

void TextReading::SayThereIsNoMessage(const char16_t* text) {
    platform::MessageBoxW(&window_, text, u"Velora",
                          platform::MB_ICONINFORMATION | platform::MB_OK);
}

}  // namespace velora::commands
