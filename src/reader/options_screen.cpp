#include "reader/options_screen.h"

#include <algorithm>

#include "services/settings.h"

namespace velora::reader {
namespace {

constexpr int kVkReturn = 0x0D;
constexpr int kVkLeft = 0x25;
constexpr int kVkUp = 0x26;
constexpr int kVkRight = 0x27;
constexpr int kVkDown = 0x28;

struct DelayRule {
    std::int32_t services::ReadingSettings::*value;
    std::int32_t services::ReadingSettings::*bar;
    std::int32_t step;
    std::int32_t lowest;
    std::int32_t highest;
    bool barIsValue;  // Len spans 0 to 100 itself
};

constexpr DelayRule kDelayRules[4] = {
    {&services::ReadingSettings::Punct1, &services::ReadingSettings::Punct1Bar, 15, 5, 500, false},
    {&services::ReadingSettings::Punct2, &services::ReadingSettings::Punct2Bar, 15, 5, 500, false},
    {&services::ReadingSettings::Len, &services::ReadingSettings::LenBar, 5, 0, 100, true},
    {&services::ReadingSettings::Num, &services::ReadingSettings::NumBar, 15, 0, 500, false},
};

void StepDelay(const DelayRule& rule, int virtualKey, services::ReadingSettings& settings) {
    // 64-bit arithmetic: a hand-edited value near the 32-bit limits must not overflow.
    std::int64_t value = settings.*rule.value;
    if (virtualKey == kVkLeft) {
        value = std::min<std::int64_t>(value + rule.step, rule.highest);
    } else {
        value = std::max<std::int64_t>(value - rule.step, rule.lowest);
    }
    settings.*rule.value = static_cast<std::int32_t>(value);
    settings.*rule.bar =
        rule.barIsValue ? settings.*rule.value : services::GaugeBar(settings.*rule.value);
}

}  // namespace

std::u16string_view SwitchText(std::int32_t value) {
    return value != 0 ? u"On " : u"Off";
}

void ToggleOptionsSwitch(OptionsRow row, services::ReadingSettings& settings,
                         const OptionsBacklight& backlight) {
    switch (row) {
        case OptionsRow::ReadingLight:
            if (settings.Light == 0) {
                settings.Light = 1;
                if (backlight.request) backlight.request(1);
            } else {
                settings.Light = 0;
                if (backlight.restoreSoon) backlight.restoreSoon();
            }
            break;
        case OptionsRow::Tintline:
            settings.Tintline = settings.Tintline == 0 ? 1 : 0;
            break;
        case OptionsRow::SpeedBoost:
            settings.SpeedBoost = settings.SpeedBoost == 0 ? 1 : 0;
            services::SetSpeedBoostFactors(settings);
            break;
        default:
            break;
    }
}

std::optional<OptionsRepaint> HandleOptionsKey(int virtualKey, std::int32_t& optionSel,
                                               services::ReadingSettings& settings,
                                               const OptionsBacklight& backlight) {
    using Area = OptionsRepaint::Area;
    switch (virtualKey) {
        case kVkUp:
        case kVkDown:
            if (virtualKey == kVkUp) {
                optionSel = optionSel <= 0 ? kOptionsRowCount - 1 : optionSel - 1;
            } else {
                optionSel = optionSel >= kOptionsRowCount - 1 ? 0 : optionSel + 1;
            }
            return OptionsRepaint{Area::SelectionColumn, kOptionsSelectionColumn, true};
        case kVkLeft:
        case kVkRight:
            if (optionSel >= 0 && optionSel < 4) {
                StepDelay(kDelayRules[optionSel], virtualKey, settings);
                return OptionsRepaint{Area::ValueArea, kOptionsValueAreas[optionSel], true};
            }
            ToggleOptionsSwitch(static_cast<OptionsRow>(optionSel), settings, backlight);
            return OptionsRepaint{Area::WholeWindow, {}, false};
        case kVkReturn:
            if (optionSel >= 4 && optionSel < kOptionsRowCount) {
                ToggleOptionsSwitch(static_cast<OptionsRow>(optionSel), settings, backlight);
            }
            return OptionsRepaint{Area::WholeWindow, {}, false};
        default:
            return std::nullopt;
    }
}

}  // namespace velora::reader
