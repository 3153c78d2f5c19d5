#pragma once
// The Options screen: a mode of the Reader window in which the four delays and the three switches
// of the Reading settings are edited with the Action key. This file holds its rows, the key rules
// and the painting; the Reader window owns the mode flag and the selected row.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/gdi/painter.h"
#include "reader/paint_layout.h"
#include "services/reading_settings.h"

namespace velora::reader {

inline constexpr std::int32_t kOptionsRowCount = 7;

// Rows 0 to 3 edit a delay, rows 4 to 6 toggle a switch.
enum class OptionsRow : std::int32_t {
    SentencePunctuation = 0,  // Punct1
    ClausePunctuation = 1,    // Punct2
    Length = 2,               // Len
    Numbers = 3,              // Num
    ReadingLight = 4,
    Tintline = 5,
    SpeedBoost = 6,
};

// What a key on the Options screen asks the window to repaint.
struct OptionsRepaint {
    enum class Area { SelectionColumn, ValueArea, WholeWindow };
    Area area = Area::WholeWindow;
    LayoutRect rect{};  // the area for SelectionColumn and ValueArea
    bool erase = false;
};

// The backlight side of the Reading Light switch, supplied by the Reader window.
struct OptionsBacklight {
    // RequestBacklight: honoured only while Light is on.
    std::function<void(std::int32_t on)> request;
    // Sets the light request to "off" and arms the coalescing timer directly, so the user's values
    // come back although Light is already off.
    std::function<void()> restoreSoon;
};

// Applies one key (VK_RETURN, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN) to the screen. Returns what to
// repaint, or nothing for any other key. Left raises a delay and Right lowers it; values are
// clamped on the side they move towards only (a value stored outside its range by hand moves
// back into it a step at a time). The caller saves the settings and recomputes the speed times.
std::optional<OptionsRepaint> HandleOptionsKey(int virtualKey, std::int32_t& optionSel,
                                               services::ReadingSettings& settings,
                                               const OptionsBacklight& backlight);

// Toggles the switch of row 4, 5 or 6 (Reading Light, Tintline, Speed Boost).
void ToggleOptionsSwitch(OptionsRow row, services::ReadingSettings& settings,
                         const OptionsBacklight& backlight);

// The label of a row as drawn, and where.
struct OptionsLabel {
    std::u16string_view text;
    int x;
    int y;
};
inline constexpr OptionsLabel kOptionsHeading{u"Punctuation Speed", 36, 8};
inline constexpr OptionsLabel kOptionsLabels[kOptionsRowCount] = {
    {u"  . ! ? ", 18, 30},      {u"  , ; : ", 18, 51},        {u" Length", 14, 72},
    {u" Numbers", 10, 93},      {u" Reading Light", 10, 114}, {u" Tintline", 10, 135},
    {u" Speed Boost", 10, 156},
};
inline constexpr int kOptionsSwitchValueX = 120;
inline constexpr int kOptionsRowPitch = 21;
inline constexpr int kOptionsFirstRowY = 30;

// Draws the whole screen (the update region limits what changes): the heading and labels, the
// switch values, the selection mark "-\u2022" before the selected row, the four gauges and their
// markers (a larger value puts the marker further left).
void PaintOptionsScreen(platform::Painter& painter, const platform::RECT& client,
                        const services::ReadingSettings& settings, std::int32_t optionSel);

// "On " for a non-zero switch, "Off" for 0 (three characters each).
std::u16string_view SwitchText(std::int32_t value);

}  // namespace velora::reader
