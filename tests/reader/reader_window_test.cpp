// A Reader window on a screen driven by the test clock, with the desktop services replaced by
// recording doubles and the hive in a temporary folder. Nothing here sleeps: time moves only when
// a test calls Advance. The rules themselves are checked by the unit tests of the player, the
// paint and the Options screen; these check the window's wiring of keys, timers and services.

#include "reader/reader_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "harness/screen_driver.h"
#include "harness/temporary_home.h"
#include "platform/desktop/wake_services.h"
#include "platform/gdi/recording_painter.h"
#include "platform/registry/registry.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/message_box.h"
#include "platform/ui/screen.h"
#include "reader/player.h"
#include "reader/segment_text.h"
#include "resources/program_resources.h"
#include "services/settings.h"

namespace velora::reader {
namespace {

using namespace platform;

class ReaderWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        velora::testing::GuiApplication();
        home_ = std::make_unique<velora::testing::TemporaryHome>();
        services_.Get<platform::WakeServices>().screenSaver = &screenSaver_;
        services_.Get<platform::WakeServices>().soundPlayer = &sound_;
        services_.Get<platform::MessageBoxServices>().service = &boxes_;

        screen_ = driver_.MakeScreen();
        screen_->SetPaintRecorder(&log_);

        // Settings as at start-up, from an empty hive: the first-run values.
        services::LoadSettings(settings_, snapshot_);
        services::SetSpeedBoostFactors(settings_);
        services::RecomputeSpeedTimes(settings_);
    }

    void TearDown() override {
        if (window_) window_->ReleaseReaderResources();
        window_.reset();
        screen_.reset();
        home_.reset();
    }

    // Loads `text` as a message is loaded and shows the Reader window, which shows the first
    // frame paused (the Inbox window's hand-over).
    void Open(std::u16string_view text) {
        InstallDocument(player_, SegmentText(text));
        JumpToPosition(player_, settings_, 0);
        PrepareNextFrame(player_, settings_, TintStart::Reset);
        window_ = std::make_unique<ReaderWindow>(*screen_, resources::ProgramInstance(), player_,
                                                 settings_);
        window_->Backlight().Snapshot() = snapshot_;
        window_->SetKeepAwakeSoundPath(u"/nonexistent/Keep.dat");
        window_->SetBacklightEvent(platform::CreateEventW(nullptr, platform::FALSE, platform::FALSE,
                                                          u"BackLightChangeEvent"));
        window_->Create();
        services_.Get<WindowActivation>().first = true;
        platform::ShowWindow(window_.get(), platform::SW_SHOW);
        driver_.Process();
    }

    void Command(UINT command) {
        SendMessage(window_.get(), WM_COMMAND, command, 0);
        driver_.Process();
    }
    bool HasTimer(UINT_PTR id) const { return screen_->HasTimer(window_.get(), id); }
    UINT MenuBarId() const { return screen_->VisibleMenuBar(window_.get())->Id(); }

    // Frames drawn (words or "The End.") since the log was last cleared.
    std::vector<std::u16string> WordsDrawn() const {
        std::vector<std::u16string> words;
        for (const PaintCall& call : log_.calls) {
            if (call.kind == PaintCallKind::DrawText && call.surface != 0 &&
                (call.flags & DT_SINGLELINE) != 0) {
                words.push_back(call.text);
            }
        }
        return words;
    }
    std::u16string LastWordDrawn() const {
        const std::vector<std::u16string> words = WordsDrawn();
        return words.empty() ? u"<none>" : words.back();
    }
    // Whether `text` was drawn on the window itself (status box, context text, speed caption,
    // Options).
    bool WindowDrew(std::u16string_view text) const {
        return std::any_of(log_.calls.begin(), log_.calls.end(), [&](const PaintCall& call) {
            return (call.kind == PaintCallKind::DrawText ||
                    call.kind == PaintCallKind::ExtTextOut) &&
                   call.surface == 0 && call.text == text;
        });
    }
    // Advances 1 ms at a time until `count` frames were drawn (at most a minute).
    void PlayFrames(std::size_t count) {
        for (int t = 0; t < 60000 && WordsDrawn().size() < count; ++t) driver_.Advance(1);
        ASSERT_EQ(WordsDrawn().size(), count);
    }
    bool AnyReaderTimer() const {
        for (UINT_PTR id : {1, 2, 3, 5, 7, 9}) {
            if (HasTimer(id)) return true;
        }
        return false;
    }
    void ChooseFromMenu(std::optional<UINT> choice) {
        services_.Get<MenuBarServices>().popupMenuChooser = [choice](const std::vector<MenuItem>&) {
            return choice;
        };
    }

    platform::ProgramServices services_;
    std::unique_ptr<velora::testing::TemporaryHome> home_;
    velora::testing::ScreenDriver driver_;
    platform::RecordingScreenSaver screenSaver_;
    platform::RecordingSoundPlayer sound_;
    platform::RecordingMessageBoxes boxes_;
    std::unique_ptr<platform::Screen> screen_;
    services::ReadingSettings settings_;
    services::BacklightSnapshot snapshot_;
    Player player_;
    std::unique_ptr<ReaderWindow> window_;
    platform::PaintLog log_;
};

TEST_F(ReaderWindowTest, ShowsTheFirstWordPausedThenPlaysAndPausesWithBulletAndPosition) {
    Open(u"One two three four five six. Seven eight.");
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"One"}));
    EXPECT_FALSE(AnyReaderTimer());
    EXPECT_TRUE(WindowDrew(u"\u2022One two three four five six.  Seven eight. "));
    EXPECT_EQ(MenuBarId(), 300u);

    // Play, then pause after three words: the third is shown again with bullet and position.
    log_.Clear();
    driver_.Press(VK_RETURN);
    EXPECT_EQ(GetWindowText(window_.get()), u" ");
    ASSERT_NO_FATAL_FAILURE(PlayFrames(3));
    driver_.Advance(5);
    log_.Clear();
    driver_.Press(VK_RETURN);

    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"four"}));
    EXPECT_TRUE(WindowDrew(u"One two three \u2022four five six.  Seven eight. "));
    EXPECT_TRUE(WindowDrew(u"31%"));
    EXPECT_EQ(GetWindowText(window_.get()), u"Velora Message");

    // Paused, nothing stays armed once the last blank timer and the backlight update ran out:
    // the program sleeps.
    driver_.Advance(1000);
    EXPECT_FALSE(driver_.Clock().PendingWakeup().has_value());
}

TEST_F(ReaderWindowTest, FindModeShowsItsBarAndStatusUntilPlay) {
    Open(u"One two three four.");
    window_->EnterFindMode();
    log_.Clear();
    window_->ShowCurrentFrame();
    driver_.Process();
    EXPECT_EQ(MenuBarId(), 318u);
    EXPECT_TRUE(WindowDrew(u"Press play to exit find mode"));
    driver_.Press(VK_RETURN);
    EXPECT_EQ(MenuBarId(), 300u);
    EXPECT_TRUE(WindowDrew(u"WPM: ?"));
}

TEST_F(ReaderWindowTest, SpeedIsMeasuredEveryFifteenSecondsAndTheKeysStepItWithinLimits) {
    std::u16string text;
    for (int i = 0; i < 300; ++i) text += u"word ";
    Open(text + u"end.");
    driver_.Press(VK_RETURN);
    driver_.Advance(14999);
    EXPECT_FALSE(player_.wpmKnown);
    driver_.Advance(1);
    EXPECT_TRUE(player_.wpmKnown);
    struct Case {
        std::int32_t start;
        UINT key;
        std::int32_t expected;
        std::u16string caption;
    };
    const Case cases[] = {
        {490, VK_LEFT, 500, u"Decrease Speed"},
        {20, VK_RIGHT, 20, u"Increase Speed"},
        {210, VK_RIGHT, 200, u"Increase Speed"},
        {210, VK_LEFT, 220, u"Decrease Speed"},
    };
    for (const Case& c : cases) {
        settings_.SpeedSet = c.start;
        log_.Clear();
        driver_.Press(c.key);
        EXPECT_EQ(settings_.SpeedSet, c.expected) << c.start;
        EXPECT_TRUE(WindowDrew(c.caption)) << c.start;
        EXPECT_FALSE(player_.wpmKnown) << "a speed step forgets the figure";
    }
    // Saved after the key, with the speed times recomputed at the end of the key message.
    EXPECT_EQ(settings_.gapDelay, static_cast<std::int32_t>(220 * 0.375f));
    services::ReadingSettings saved;
    services::LoadSettings(saved, snapshot_);
    EXPECT_EQ(saved.SpeedSet, 220);
}

TEST_F(ReaderWindowTest, ActionAtTheEndShowsTheEndAgainThenFlashesNothing) {
    Open(u"Hi there.");
    driver_.Press(VK_RETURN);
    log_.Clear();
    // The final sentence-end frame already stands on the end of the document (it shows
    // "The End." and goes on to its blank); the next step finds no frame and stops there.
    for (int i = 0; i < 10000 && !player_.atEnd; ++i) driver_.Advance(1);
    ASSERT_TRUE(player_.atEnd);
    EXPECT_EQ(WordsDrawn().back(), u"The End.");

    driver_.Press(VK_RETURN);
    log_.Clear();
    driver_.Press(VK_RETURN);
    driver_.Advance(5000);
    std::vector<std::u16string> words = WordsDrawn();
    EXPECT_EQ(LastWordDrawn(), u"The End.");
    for (std::size_t i = 0; i + 1 < words.size(); ++i) EXPECT_EQ(words[i], u"") << i;
    EXPECT_FALSE(HasTimer(1) || HasTimer(2));
}

TEST_F(ReaderWindowTest, OpeningTheMenuStopsAndClosingItShowsTheNextWordPaused) {
    Open(u"One two three four five six seven eight.");
    ChooseFromMenu(std::nullopt);
    driver_.Press(VK_RETURN);
    log_.Clear();
    ASSERT_NO_FATAL_FAILURE(PlayFrames(2));
    log_.Clear();
    driver_.SoftKey(1);
    driver_.Advance(2000);
    EXPECT_FALSE(AnyReaderTimer());
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"four"}));
    // Go to Top from the menu shows the first word.
    driver_.Press(VK_DOWN);
    ChooseFromMenu(309);
    driver_.SoftKey(1);
    EXPECT_EQ(LastWordDrawn(), u"One");
}

TEST_F(ReaderWindowTest, MenuCommandsForTheInboxAndFindGoToTheirHooksOrDoNothing) {
    Open(u"One two.");
    std::vector<UINT> seen;
    window_->SetCommands({[&] { seen.push_back(314); }, [&] { seen.push_back(315); },
                          [&] { seen.push_back(322); }, [&] { seen.push_back(321); }});
    for (UINT command : {322u, 321u, 314u, 315u}) Command(command);
    EXPECT_EQ(seen, (std::vector<UINT>{322, 321, 314, 315}));
}

TEST_F(ReaderWindowTest, OptionsScreenTakesTheKeysUntilDoneAndDefaultsKeepTheSpeed) {
    Open(u"One two three.");
    driver_.Press(VK_LEFT);  // SpeedSet 220
    driver_.SoftKey(0);
    EXPECT_EQ(MenuBarId(), 305u);
    // Speed Boost: the speed times follow at once.
    driver_.Press(VK_UP);
    driver_.Press(VK_RETURN);
    EXPECT_EQ(settings_.wordBase, 55);
    driver_.SoftKey(1);  // Defaults
    EXPECT_EQ(std::tuple(settings_.SpeedBoost, settings_.SpeedSet), std::tuple(0, 220));

    log_.Clear();
    driver_.SoftKey(0);  // Done
    EXPECT_EQ(MenuBarId(), 300u);
    EXPECT_EQ(LastWordDrawn(), u"two");
}

class BacklightWindowTest : public ReaderWindowTest {
  protected:
    void SetUp() override {
        ReaderWindowTest::SetUp();
        services_.Get<RegistryServices>().writeObserver = [this](std::u16string_view key,
                                                                 std::u16string_view name, DWORD,
                                                                 std::span<const BYTE> data) {
            if (key != u"ControlPanel\\Backlight") return;
            std::int32_t value = 0;
            if (data.size() == 4) std::memcpy(&value, data.data(), 4);
            writes_.emplace_back(std::u16string(name), value);
        };
    }
    using Write = std::pair<std::u16string, std::int32_t>;
    // The writes that restore the snapshot {30, 120} every test here starts from.
    const std::vector<Write> restored_ = {{u"BatteryTimeout", 30}, {u"ACTimeout", 120}};
    std::vector<Write> writes_;
};

TEST_F(BacklightWindowTest, RequestsWithin85MsGiveOneWriteWithTheLastValue) {
    Open(u"Some words to read for a while here.");
    window_->Backlight().Snapshot() = {30, 120};
    driver_.Press(VK_RETURN);  // on
    driver_.Advance(20);
    driver_.Press(VK_LEFT);  // off (and stops)
    driver_.Advance(20);
    driver_.Press(VK_RETURN);  // on again
    driver_.Advance(84);
    EXPECT_TRUE(writes_.empty());
    driver_.Advance(1);
    EXPECT_EQ(writes_, (std::vector<Write>{{u"BatteryTimeout", 60000}, {u"ACTimeout", 60000}}));
    // Pausing keeps the light on; a sentence step gives it back.
    writes_.clear();
    driver_.Press(VK_RETURN);
    driver_.Advance(200);
    EXPECT_TRUE(writes_.empty());
    driver_.Press(VK_UP);
    driver_.Advance(85);
    EXPECT_EQ(writes_, restored_);
}

TEST_F(BacklightWindowTest, DeactivationStopsTheSoundAndRestores) {
    Open(u"One two three four five six seven.");
    window_->Backlight().Snapshot() = {30, 120};
    driver_.Press(VK_RETURN);
    driver_.Advance(300);
    EXPECT_EQ(sound_.calls.back(), "Play /nonexistent/Keep.dat loop");
    writes_.clear();
    screen_->SetDesktopFocus(false);
    driver_.Process();
    EXPECT_FALSE(sound_.playing);
    EXPECT_FALSE(window_->State().playing);
    driver_.Advance(85);
    EXPECT_EQ(writes_, restored_);
}

}  // namespace
}  // namespace velora::reader
