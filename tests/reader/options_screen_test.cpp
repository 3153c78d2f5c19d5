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

using RS = services::ReadingSettings;

TEST(OptionsDelayKeys, StepClampAndRecomputeTheBar) {
    struct Case {
        std::int32_t row;
        std::int32_t RS::*field;
        std::int32_t RS::*bar;
        std::int32_t start;
        int key;
        int presses;
        std::int32_t expected;
        std::int32_t expectedBar;
    };
    const Case cases[] = {
        {0, &RS::Punct1, &RS::Punct1Bar, 500, kLeft, 1, 500, 100},  // at the top
        {0, &RS::Punct1, &RS::Punct1Bar, 12, kRight, 1, 5, 1},      // at the bottom
        {1, &RS::Punct2, &RS::Punct2Bar, 100, kLeft, 1, 115, 23},
        {2, &RS::Len, &RS::LenBar, 18, kRight, 4, 0, 0},  // Len is its own bar
        {3, &RS::Num, &RS::NumBar, 165, kLeft, 1, 180, 36},
        // A value stored by hand above the range only comes down a step at a time.
        {0, &RS::Punct1, &RS::Punct1Bar, 900, kRight, 1, 885, 177},
    };
    for (const Case& c : cases) {
        RS settings;
        settings.*c.field = c.start;
        std::int32_t selection = c.row;
        for (int i = 0; i < c.presses; ++i) {
            EXPECT_EQ(HandleOptionsKey(c.key, selection, settings, {})->area,
                      OptionsRepaint::Area::ValueArea);
        }
        EXPECT_EQ(std::tuple(settings.*c.field, settings.*c.bar),
                  std::tuple(c.expected, c.expectedBar))
            << c.row << " from " << c.start;
    }
}

TEST(OptionsSelection, UpAndDownWrapAroundTheSevenRows) {
    services::ReadingSettings settings;
    std::int32_t selection = 0;
    auto repaint = HandleOptionsKey(kUp, selection, settings, {});
    EXPECT_EQ(selection, 6);
    EXPECT_EQ(repaint->area, OptionsRepaint::Area::SelectionColumn);
    HandleOptionsKey(kDown, selection, settings, {});
    HandleOptionsKey(kDown, selection, settings, {});
    EXPECT_EQ(selection, 1);
    HandleOptionsKey(kUp, selection, settings, {});
    EXPECT_EQ(selection, 0);
}

TEST(OptionsSwitches, ANonZeroValueIsOnAndTheWholeWindowIsRepaintedWithoutErasing) {
    // A non-zero value counts as on and toggles to zero.
    services::ReadingSettings settings;
    settings.Tintline = 7;
    std::int32_t selection = 5;
    EXPECT_FALSE(HandleOptionsKey(kRight, selection, settings, {})->erase);
    EXPECT_EQ(SwitchText(settings.Tintline), u"Off");
    ToggleOptionsSwitch(OptionsRow::Tintline, settings, {});
    EXPECT_EQ(SwitchText(settings.Tintline), u"On ");
}

TEST(OptionsSwitches, ReadingLightOnRequestsTheLightAndOffRestoresDirectly) {
    services::ReadingSettings settings;  // the Reading Light off
    std::vector<int> calls;              // 1 / 0: request(on); -1: restoreSoon
    const OptionsBacklight hooks{[&](std::int32_t on) { calls.push_back(on); },
                                 [&] { calls.push_back(-1); }};
    std::int32_t selection = 4;
    HandleOptionsKey(kReturn, selection, settings, hooks);
    EXPECT_EQ(settings.Light, 1);
    HandleOptionsKey(kReturn, selection, settings, hooks);
    EXPECT_EQ(settings.Light, 0);
    EXPECT_EQ(calls, (std::vector<int>{1, -1}));
}

TEST(OptionsKeys, ReturnOnADelayRowRepaintsOnlyAndOtherKeysAreNotHandled) {
    services::ReadingSettings settings;
    std::int32_t selection = 1;
    auto repaint = HandleOptionsKey(kReturn, selection, settings, {});
    EXPECT_EQ(repaint->area, OptionsRepaint::Area::WholeWindow);
    EXPECT_EQ(settings.Punct2, services::ReadingSettings{}.Punct2);
    EXPECT_FALSE(HandleOptionsKey(0x41, selection, settings, {}).has_value());
}

}  // namespace
}  // namespace velora::reader
