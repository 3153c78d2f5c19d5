#include <gtest/gtest.h>

#include <map>

#include "platform/desktop/wake_services.h"
#include "platform/ui/message_box.h"

namespace velora::platform {
namespace {

class KeepAwakeTest : public ::testing::Test {
  protected:
    KeepAwakeTest() {
        WakeServices& wake = services_.Get<WakeServices>();
        wake.screenSaver = &screenSaver_;
        wake.soundPlayer = &player_;
        wake.backlightValueReader = [this](std::u16string_view name) -> std::optional<DWORD> {
            auto found = values_.find(std::u16string(name));
            if (found == values_.end()) return std::nullopt;
            return found->second;
        };
        event_ = CreateEventW(nullptr, FALSE, FALSE, u"BackLightChangeEvent");
    }
    ~KeepAwakeTest() override { static_cast<void>(CloseHandle(event_)); }

    ProgramServices services_;
    RecordingScreenSaver screenSaver_;
    RecordingSoundPlayer player_;
    std::map<std::u16string, DWORD> values_{{u"BatteryTimeout", 30}, {u"ACTimeout", 60}};
    HANDLE event_ = nullptr;
};

TEST_F(KeepAwakeTest, PulseHoldsTheInhibitWhileTheOnValuesAreWrittenAndReleasesItAfter) {
    EXPECT_TRUE(EventModify(event_, EVENT_PULSE));
    EXPECT_TRUE(screenSaver_.calls.empty());  // the user's own values: nothing to hold

    values_[u"BatteryTimeout"] = kBacklightOnValue;
    values_[u"ACTimeout"] = kBacklightOnValue;
    EXPECT_TRUE(EventModify(event_, EVENT_PULSE));
    EXPECT_TRUE(EventModify(event_, EVENT_PULSE));  // held once only

    values_[u"BatteryTimeout"] = 30;
    values_[u"ACTimeout"] = 60;
    EXPECT_TRUE(EventModify(event_, EVENT_PULSE));
    EXPECT_FALSE(BacklightHeld());
    EXPECT_EQ(screenSaver_.calls, (std::vector<std::string>{"Inhibit", "UnInhibit"}));
}

TEST_F(KeepAwakeTest, SoundStopsFirstLoopsOnRequestAndNullOnlyStops) {
    EXPECT_TRUE(sndPlaySoundW(nullptr, 0));
    EXPECT_TRUE(sndPlaySoundW(u"/opt/velora/Keep.dat", SND_ASYNC | SND_LOOP));
    EXPECT_TRUE(player_.playing);
    SystemIdleTimerReset();  // the screen saver is told of user activity
    EXPECT_EQ(screenSaver_.calls, std::vector<std::string>{"SimulateUserActivity"});
    player_.playSucceeds = false;
    EXPECT_FALSE(sndPlaySoundW(u"/missing/Keep.dat", SND_ASYNC));
    const std::vector<std::string> expected = {"Stop", "Stop", "Play /opt/velora/Keep.dat loop",
                                               "Stop", "Play /missing/Keep.dat once"};
    EXPECT_EQ(player_.calls, expected);
}

TEST(DesktopServices, WithoutDeviceOrSessionTheyStaySilent) {
    // No D-Bus session and no audio device in the test environment: nothing fails loudly.
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    std::unique_ptr<ScreenSaver> screenSaver = CreateDesktopScreenSaver();
    screenSaver->Inhibit();
    screenSaver->SimulateUserActivity();
    screenSaver->UnInhibit();
    std::unique_ptr<SoundPlayer> player = CreateDesktopSoundPlayer();
    EXPECT_FALSE(player->Play(u"/nonexistent/Keep.dat", true));
    player->Stop();
}

}  // namespace
}  // namespace velora::platform
