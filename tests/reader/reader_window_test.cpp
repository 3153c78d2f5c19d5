#include "reader/reader_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "reader_window_test_support.h"

namespace velora::reader {
namespace {

using namespace platform;

class ReaderWindowTest : public testing_support::ReaderWindowFixture {
  protected:
    void SetUp() override {
        ReaderWindowFixture::SetUp();
        screen_->SetPaintRecorder(&log_);
    }

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
    // Whether `text` was drawn on the window itself (status box, context text, speed caption,
    // Options).
    bool WindowDrew(std::u16string_view text) const {
        for (const PaintCall& call : log_.calls) {
            if ((call.kind == PaintCallKind::DrawText || call.kind == PaintCallKind::ExtTextOut) &&
                call.surface == 0 && call.text == text) {
                return true;
            }
        }
        return false;
    }
    std::u16string ContextTextDrawn() const {
        std::u16string text = u"<none>";
        for (const PaintCall& call : log_.calls) {
            if (call.kind == PaintCallKind::DrawText && call.surface == 0 &&
                (call.flags & DT_WORDBREAK) != 0) {
                text = call.text;
            }
        }
        return text;
    }
    // Advances 1 ms at a time until `count` frames were drawn (at most a minute).
    void PlayFrames(std::size_t count) {
        for (int t = 0; t < 60000 && WordsDrawn().size() < count; ++t) driver_.Advance(1);
        ASSERT_EQ(WordsDrawn().size(), count);
    }
    // Advances 1 ms at a time until `word` is drawn.
    void PlayUntil(std::u16string_view word) {
        for (int t = 0; t < 60000 && LastWordDrawn() != word; ++t) driver_.Advance(1);
        ASSERT_EQ(LastWordDrawn(), word);
    }
    bool AnyReaderTimer() const {
        for (UINT_PTR id : {1, 2, 3, 5, 7, 9}) {
            if (HasTimer(id)) return true;
        }
        return false;
    }
};

TEST_F(ReaderWindowTest, ShowingTheWindowShowsTheFirstWordPausedWithTheReaderBar) {
    Open(u"One two three.");
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"One"}));
    EXPECT_FALSE(window_->State().playing);
    EXPECT_FALSE(AnyReaderTimer());
    EXPECT_EQ(ContextTextDrawn(), u"\u2022One two three. ");
    ASSERT_NE(screen_->VisibleMenuBar(window_.get()), nullptr);
    EXPECT_EQ(screen_->VisibleMenuBar(window_.get())->Id(), 300u);
    EXPECT_EQ(GetWindowText(window_.get()), u"Velora Message");
}

TEST_F(ReaderWindowTest, PlayThenPauseAfterThreeWordsShowsTheThirdAgainWithBulletAndPosition) {
    Open(u"One two three four five six. Seven eight.");
    log_.Clear();
    driver_.Press(VK_RETURN);
    EXPECT_TRUE(window_->State().playing);
    EXPECT_EQ(GetWindowText(window_.get()), u" ");
    ASSERT_NO_FATAL_FAILURE(PlayFrames(3));
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"two", u"three", u"four"}));
    driver_.Advance(5);
    log_.Clear();
    driver_.Press(VK_RETURN);

    EXPECT_FALSE(window_->State().playing);
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"four"}));
    EXPECT_EQ(ContextTextDrawn(), u"One two three \u2022four five six.  Seven eight. ");
    EXPECT_EQ(player_.positionText, u"31%");
    EXPECT_TRUE(WindowDrew(u"31%"));
    EXPECT_EQ(GetWindowText(window_.get()), u"Velora Message");
    // The keep-awake sound looped while the words flashed and stopped with the pause.
    EXPECT_NE(
        std::find(sound_.calls.begin(), sound_.calls.end(), "Play /nonexistent/Keep.dat loop"),
        sound_.calls.end());
    EXPECT_EQ(sound_.calls.back(), "Stop");
    EXPECT_FALSE(sound_.playing);

    // Paused, nothing stays armed once the last blank timer and the backlight update ran out:
    // the program sleeps.
    driver_.Advance(1000);
    EXPECT_FALSE(AnyReaderTimer());
    EXPECT_FALSE(driver_.Clock().PendingWakeup().has_value());
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"four"}));

    // Playing resumes with the next word.
    log_.Clear();
    driver_.Press(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(PlayFrames(1));
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"five"}));
}

TEST_F(ReaderWindowTest, UpAndDownStepBySentenceAndStop) {
    Open(u"First one here. Second sentence here. Third has more words in it.");
    driver_.Press(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(PlayUntil(u"words"));
    driver_.Press(VK_UP);
    EXPECT_EQ(LastWordDrawn(), u"Third");
    EXPECT_FALSE(window_->State().playing);
    driver_.Press(VK_UP);
    EXPECT_EQ(LastWordDrawn(), u"Second");
    driver_.Press(VK_DOWN);
    EXPECT_EQ(LastWordDrawn(), u"Third");
}

TEST_F(ReaderWindowTest, FindModeShowsItsBarAndStatusUntilPlay) {
    Open(u"One two three four.");
    window_->EnterFindMode();
    log_.Clear();
    window_->ShowCurrentFrame();
    driver_.Process();
    EXPECT_EQ(screen_->VisibleMenuBar(window_.get())->Id(), 318u);
    EXPECT_TRUE(WindowDrew(u"Press play to exit find mode"));
    driver_.Press(VK_RETURN);
    EXPECT_FALSE(window_->State().findMode);
    EXPECT_EQ(screen_->VisibleMenuBar(window_.get())->Id(), 300u);
    EXPECT_TRUE(WindowDrew(u"WPM: ?"));
}

TEST_F(ReaderWindowTest, SpeedKeysStopAtTwentyAndFiveHundredWithTheirCaptions) {
    Open(u"Some words to read.");
    struct Case {
        std::int32_t start;
        UINT key;
        std::int32_t expected;
        std::u16string caption;
    };
    const Case cases[] = {
        {500, VK_LEFT, 500, u"Decrease Speed"}, {490, VK_LEFT, 500, u"Decrease Speed"},
        {20, VK_RIGHT, 20, u"Increase Speed"},  {210, VK_RIGHT, 200, u"Increase Speed"},
        {210, VK_LEFT, 220, u"Decrease Speed"},
    };
    for (const Case& c : cases) {
        settings_.SpeedSet = c.start;
        log_.Clear();
        driver_.Press(c.key);
        EXPECT_EQ(settings_.SpeedSet, c.expected) << c.start;
        EXPECT_EQ(settings_.SpeedBar, c.expected * 100 / 500);
        EXPECT_TRUE(WindowDrew(c.caption)) << c.start;
        // The speed times follow at the end of the key message.
        EXPECT_EQ(settings_.gapDelay, static_cast<std::int32_t>(c.expected * 0.375f));
    }
    // Saved after the key.
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
    EXPECT_TRUE(window_->State().playing);
    driver_.Advance(2000);
    EXPECT_FALSE(AnyReaderTimer() && (HasTimer(1) || HasTimer(2)));

    log_.Clear();
    driver_.Press(VK_RETURN);
    EXPECT_FALSE(window_->State().playing);
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"The End."}));

    log_.Clear();
    driver_.Press(VK_RETURN);
    driver_.Advance(5000);
    std::vector<std::u16string> words = WordsDrawn();
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.back(), u"The End.");
    for (std::size_t i = 0; i + 1 < words.size(); ++i) EXPECT_EQ(words[i], u"") << i;
    EXPECT_FALSE(HasTimer(1));
    EXPECT_FALSE(HasTimer(2));
}

TEST_F(ReaderWindowTest, WordsPerMinuteIsUnknownForTheFirstFifteenSeconds) {
    std::u16string text;
    for (int i = 0; i < 300; ++i) text += u"word ";
    text += u"end.";
    Open(text);
    log_.Clear();
    driver_.Press(VK_RETURN);
    EXPECT_TRUE(WindowDrew(u"WPM: ?"));
    driver_.Advance(14999);
    EXPECT_FALSE(WindowDrew(u"WPM:"));
    driver_.Advance(1);
    EXPECT_TRUE(WindowDrew(u"WPM:"));
    EXPECT_TRUE(player_.wpmKnown);
    // A speed step forgets the figure until the next sample.
    log_.Clear();
    driver_.Press(VK_LEFT);
    EXPECT_FALSE(player_.wpmKnown);
}

TEST_F(ReaderWindowTest, KeyHelpFadesFromBlackToWhiteInFifteenSteps) {
    Open(u"Some words to read here and there and everywhere in the text.");
    log_.Clear();
    driver_.Press(VK_RETURN);
    EXPECT_EQ(window_->State().helpFade, 0);
    driver_.Advance(500 * 15);
    EXPECT_EQ(window_->State().helpFade, 255);
    EXPECT_TRUE(HasTimer(7));
    driver_.Advance(500);
    EXPECT_FALSE(HasTimer(7));
}

TEST_F(ReaderWindowTest, OpeningTheMenuStopsAndClosingItShowsTheNextWordPaused) {
    Open(u"One two three four five six seven eight.");
    services_.Get<MenuBarServices>().popupMenuChooser = [](const std::vector<MenuItem>&) {
        return std::nullopt;
    };
    driver_.Press(VK_RETURN);
    log_.Clear();
    ASSERT_NO_FATAL_FAILURE(PlayFrames(2));
    ASSERT_EQ(WordsDrawn().back(), u"three");
    log_.Clear();
    driver_.SoftKey(1);
    EXPECT_FALSE(window_->State().playing);
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"four"}));
    driver_.Advance(2000);
    EXPECT_FALSE(AnyReaderTimer());
    EXPECT_EQ(WordsDrawn(), (std::vector<std::u16string>{u"four"}));
}

TEST_F(ReaderWindowTest, GoToTopFromTheMenuShowsTheFirstWord) {
    Open(u"One two. Three four.");
    driver_.Press(VK_DOWN);
    services_.Get<MenuBarServices>().popupMenuChooser = [](const std::vector<MenuItem>&) {
        return std::optional<UINT>(309);
    };
    log_.Clear();
    driver_.SoftKey(1);
    EXPECT_EQ(LastWordDrawn(), u"One");
}

TEST_F(ReaderWindowTest, MenuCommandsForTheInboxAndFindGoToTheirHooksOrDoNothing) {
    Open(u"One two.");
    Command(kCommandMarkAsUnread);
    Command(kCommandDeleteMessage);
    Command(kCommandFind);
    Command(kCommandFindNext);
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
    ASSERT_TRUE(window_->State().optionsMode);
    EXPECT_EQ(screen_->VisibleMenuBar(window_.get())->Id(), 305u);
    EXPECT_TRUE(WindowDrew(u"Punctuation Speed"));
    driver_.Press(VK_LEFT);
    EXPECT_EQ(settings_.Punct1, 215);
    // Speed Boost: the speed times follow at once.
    driver_.Press(VK_UP);
    driver_.Press(VK_RETURN);
    EXPECT_EQ(settings_.SpeedBoost, 1);
    EXPECT_EQ(settings_.wordBase, 55);
    // The Reader ignores the keys meanwhile: no playing, no speed step.
    EXPECT_FALSE(window_->State().playing);
    EXPECT_EQ(settings_.SpeedSet, 220);

    driver_.SoftKey(1);  // Defaults
    EXPECT_EQ(settings_.Punct1, 200);
    EXPECT_EQ(settings_.SpeedBoost, 0);
    EXPECT_EQ(settings_.SpeedSet, 220);
    EXPECT_EQ(window_->State().optionSel, 0);

    log_.Clear();
    driver_.SoftKey(0);  // Done
    EXPECT_FALSE(window_->State().optionsMode);
    EXPECT_EQ(screen_->VisibleMenuBar(window_.get())->Id(), 300u);
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
    // The snapshot every test here starts from, and the writes that restore it.
    void OpenWithSnapshot(std::u16string_view text) {
        Open(text);
        window_->Backlight().Snapshot() = {30, 120};
    }
    const std::vector<Write> restored_ = {{u"BatteryTimeout", 30}, {u"ACTimeout", 120}};
    std::vector<Write> writes_;
};

TEST_F(BacklightWindowTest, RequestsWithin85MsGiveOneWriteWithTheLastValue) {
    OpenWithSnapshot(u"Some words to read for a while here.");
    driver_.Press(VK_RETURN);  // on
    driver_.Advance(20);
    driver_.Press(VK_LEFT);  // off (and stops)
    driver_.Advance(20);
    driver_.Press(VK_RETURN);  // on again
    driver_.Advance(84);
    EXPECT_TRUE(writes_.empty());
    driver_.Advance(1);
    EXPECT_EQ(writes_, (std::vector<Write>{{u"BatteryTimeout", 60000}, {u"ACTimeout", 60000}}));
    EXPECT_TRUE(BacklightHeld());
    // Pausing keeps the light on; a sentence step gives it back.
    writes_.clear();
    driver_.Press(VK_RETURN);
    driver_.Advance(200);
    EXPECT_TRUE(writes_.empty());
    driver_.Press(VK_UP);
    driver_.Advance(85);
    EXPECT_EQ(writes_, restored_);
    EXPECT_FALSE(BacklightHeld());
}

TEST_F(BacklightWindowTest, SwitchingTheReadingLightOffRestoresTheSnapshot) {
    OpenWithSnapshot(u"One two three.");
    driver_.Press(VK_RETURN);
    driver_.Advance(100);
    writes_.clear();
    driver_.SoftKey(0);  // Options: stops, asks for the restore
    for (int i = 0; i < 4; ++i) driver_.Press(VK_DOWN);
    driver_.Advance(100);
    writes_.clear();
    driver_.Press(VK_RETURN);  // Reading Light off
    EXPECT_EQ(settings_.Light, 0);
    driver_.Advance(85);
    EXPECT_EQ(writes_, restored_);
    // With the light off nothing more is written, but the idle timer is still reset.
    writes_.clear();
    driver_.SoftKey(0);
    driver_.Press(VK_RETURN);
    screenSaver_.calls.clear();
    driver_.Advance(8100);
    EXPECT_TRUE(writes_.empty());
    EXPECT_EQ(
        std::count(screenSaver_.calls.begin(), screenSaver_.calls.end(), "SimulateUserActivity"),
        2);
}

TEST_F(BacklightWindowTest, DeactivationStopsTheSoundAndRestores) {
    OpenWithSnapshot(u"One two three four five six seven.");
    driver_.Press(VK_RETURN);
    driver_.Advance(300);
    EXPECT_TRUE(sound_.playing);
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
