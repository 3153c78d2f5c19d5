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

void PaintOptionsScreen(platform::Painter& painter, const platform::RECT& client,
                        const services::ReadingSettings& settings, std::int32_t optionSel) {
    const auto text = [&](int x, int y, std::u16string_view s) {
        painter.ExtTextOut(x, y, platform::ETO_CLIPPED, &client, s);
    };
    text(kOptionsHeading.x, kOptionsHeading.y, kOptionsHeading.text);
    for (const OptionsLabel& label : kOptionsLabels) text(label.x, label.y, label.text);
    text(kOptionsSwitchValueX, kOptionsLabels[4].y, SwitchText(settings.Light));
    text(kOptionsSwitchValueX, kOptionsLabels[5].y, SwitchText(settings.Tintline));
    text(kOptionsSwitchValueX, kOptionsLabels[6].y, SwitchText(settings.SpeedBoost));
    text(0, kOptionsFirstRowY + kOptionsRowPitch * optionSel, u"-\u2022");

    const int left = client.left;
    const int top = client.top;
    const platform::Pen previousPen =
        painter.SelectPen(platform::CreatePen(1, platform::GetSysColor(platform::COLOR_HIGHLIGHT)));
    const platform::Brush previousBrush = painter.SelectBrush(
        platform::CreateSolidBrush(platform::GetSysColor(platform::COLOR_MENU)));
    for (int i = 0; i < 4; ++i) {
        painter.Rectangle(left + 70, top + 36 + kOptionsRowPitch * i, 171,
                          top + 44 + kOptionsRowPitch * i);
    }
    painter.SelectPen(platform::CreatePen(2, platform::RGB(0, 0, 0)));
    const std::int32_t bars[4] = {settings.Punct1Bar, settings.Punct2Bar, settings.LenBar,
                                  settings.NumBar};
    for (int i = 0; i < 4; ++i) {
        painter.Rectangle(left + 170 - bars[i], top + 36 + kOptionsRowPitch * i,
                          left + 172 - bars[i], top + 44 + kOptionsRowPitch * i);
    }
    painter.SelectPen(previousPen);
    painter.SelectBrush(previousBrush);
}

}  // namespace velora::reader
