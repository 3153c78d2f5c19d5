#include "reader/options_screen.h"

#include <gtest/gtest.h>

#include <vector>

#include "services/settings.h"

namespace velora::reader {
namespace {

constexpr int kReturn = 0x0D;
constexpr int kLeft = 0x25;
constexpr int kUp = 0x26;
constexpr int kRight = 0x27;
constexpr int kDown = 0x28;

services::ReadingSettings FirstRunSettings() {
    services::ReadingSettings settings;
    settings.SpeedSet = 210;
    settings.Light = 1;
    settings.Tintline = 1;
    settings.Punct1Bar = 40;
    settings.Punct2Bar = 20;
    settings.LenBar = 18;
    settings.NumBar = 33;
    services::SetSpeedBoostFactors(settings);
    services::RecomputeSpeedTimes(settings);
    return settings;
}

struct BacklightLog {
    std::vector<int> calls;  // 1 / 0: request(on); -1: restoreSoon
    OptionsBacklight Hooks() {
        return {[this](std::int32_t on) { calls.push_back(on); }, [this] { calls.push_back(-1); }};
    }
};

struct DelayCase {
    const char* name;
    std::int32_t row;
    std::int32_t services::ReadingSettings::*field;
    std::int32_t services::ReadingSettings::*bar;
    std::int32_t start;
    int key;
    int presses;
    std::int32_t expected;
    std::int32_t expectedBar;
};

class OptionsDelayKeys : public testing::TestWithParam<DelayCase> {};

TEST_P(OptionsDelayKeys, StepsClampAndRecomputeTheBar) {
    const DelayCase& c = GetParam();
    services::ReadingSettings settings = FirstRunSettings();
    settings.*c.field = c.start;
    std::int32_t selection = c.row;
    BacklightLog log;
    std::optional<OptionsRepaint> repaint;
    for (int i = 0; i < c.presses; ++i) {
        repaint = HandleOptionsKey(c.key, selection, settings, log.Hooks());
    }
    EXPECT_EQ(settings.*c.field, c.expected);
    EXPECT_EQ(settings.*c.bar, c.expectedBar);
    ASSERT_TRUE(repaint.has_value());
    EXPECT_EQ(repaint->area, OptionsRepaint::Area::ValueArea);
    EXPECT_EQ(repaint->rect, kOptionsValueAreas[c.row]);
    EXPECT_TRUE(repaint->erase);
    EXPECT_EQ(selection, c.row);
    EXPECT_TRUE(log.calls.empty());
}

using RS = services::ReadingSettings;
INSTANTIATE_TEST_SUITE_P(
    Rows, OptionsDelayKeys,
    testing::Values(
        DelayCase{"Punct1LeftTwentyTimes", 0, &RS::Punct1, &RS::Punct1Bar, 200, kLeft, 20, 500,
                  100},
        DelayCase{"Punct1LeftAtTheTop", 0, &RS::Punct1, &RS::Punct1Bar, 500, kLeft, 1, 500, 100},
        DelayCase{"Punct1RightAtFive", 0, &RS::Punct1, &RS::Punct1Bar, 5, kRight, 1, 5, 1},
        DelayCase{"Punct1RightAtTwelve", 0, &RS::Punct1, &RS::Punct1Bar, 12, kRight, 1, 5, 1},
        DelayCase{"Punct2Left", 1, &RS::Punct2, &RS::Punct2Bar, 100, kLeft, 1, 115, 23},
        DelayCase{"Punct2StopsAtFive", 1, &RS::Punct2, &RS::Punct2Bar, 10, kRight, 3, 5, 1},
        DelayCase{"LenRightFourTimes", 2, &RS::Len, &RS::LenBar, 18, kRight, 4, 0, 0},
        DelayCase{"LenLeftToHundred", 2, &RS::Len, &RS::LenBar, 98, kLeft, 1, 100, 100},
        DelayCase{"NumDownToZero", 3, &RS::Num, &RS::NumBar, 20, kRight, 2, 0, 0},
        DelayCase{"NumLeft", 3, &RS::Num, &RS::NumBar, 165, kLeft, 1, 180, 36},
        // A value stored by hand above the range only comes down a step at a time.
        DelayCase{"HandEditedAboveRangeRight", 0, &RS::Punct1, &RS::Punct1Bar, 900, kRight, 1, 885,
                  177},
        DelayCase{"HandEditedAboveRangeLeft", 0, &RS::Punct1, &RS::Punct1Bar, 900, kLeft, 1, 500,
                  100}),
    [](const testing::TestParamInfo<DelayCase>& param) { return std::string(param.param.name); });

TEST(OptionsSelection, UpAndDownWrapAroundTheSevenRows) {
    services::ReadingSettings settings = FirstRunSettings();
    BacklightLog log;
    std::int32_t selection = 0;
    auto repaint = HandleOptionsKey(kUp, selection, settings, log.Hooks());
    EXPECT_EQ(selection, 6);
    ASSERT_TRUE(repaint.has_value());
    EXPECT_EQ(repaint->area, OptionsRepaint::Area::SelectionColumn);
    EXPECT_EQ(repaint->rect, kOptionsSelectionColumn);
    EXPECT_TRUE(repaint->erase);
    HandleOptionsKey(kDown, selection, settings, log.Hooks());
    EXPECT_EQ(selection, 0);
    for (int i = 0; i < 3; ++i) HandleOptionsKey(kDown, selection, settings, log.Hooks());
    EXPECT_EQ(selection, 3);
    HandleOptionsKey(kUp, selection, settings, log.Hooks());
    EXPECT_EQ(selection, 2);
}

TEST(OptionsSwitches, ReturnLeftAndRightToggleAndRepaintTheWholeWindowWithoutErasing) {
    for (int key : {kReturn, kLeft, kRight}) {
        services::ReadingSettings settings = FirstRunSettings();
        std::int32_t selection = 5;
        auto repaint = HandleOptionsKey(key, selection, settings, {});
        EXPECT_EQ(settings.Tintline, 0) << key;
        ASSERT_TRUE(repaint.has_value());
        EXPECT_EQ(repaint->area, OptionsRepaint::Area::WholeWindow);
        EXPECT_FALSE(repaint->erase);
    }
    // A non-zero value counts as on and toggles to zero.
    services::ReadingSettings settings = FirstRunSettings();
    settings.Tintline = 7;
    EXPECT_EQ(SwitchText(settings.Tintline), u"On ");
    ToggleOptionsSwitch(OptionsRow::Tintline, settings, {});
    EXPECT_EQ(SwitchText(settings.Tintline), u"Off");
}

TEST(OptionsSwitches, ReadingLightOnRequestsTheLightAndOffRestoresDirectly) {
    services::ReadingSettings settings = FirstRunSettings();
    settings.Light = 0;
    BacklightLog log;
    std::int32_t selection = 4;
    HandleOptionsKey(kReturn, selection, settings, log.Hooks());
    EXPECT_EQ(settings.Light, 1);
    HandleOptionsKey(kReturn, selection, settings, log.Hooks());
    EXPECT_EQ(settings.Light, 0);
    EXPECT_EQ(log.calls, (std::vector<int>{1, -1}));
}

TEST(OptionsKeys, ReturnOnADelayRowRepaintsOnlyAndOtherKeysAreNotHandled) {
    services::ReadingSettings settings = FirstRunSettings();
    std::int32_t selection = 1;
    auto repaint = HandleOptionsKey(kReturn, selection, settings, {});
    ASSERT_TRUE(repaint.has_value());
    EXPECT_EQ(repaint->area, OptionsRepaint::Area::WholeWindow);
    EXPECT_EQ(settings.Punct2, FirstRunSettings().Punct2);
    EXPECT_FALSE(HandleOptionsKey(0x41, selection, settings, {}).has_value());
    EXPECT_EQ(selection, 1);
}

}  // namespace
}  // namespace velora::reader
