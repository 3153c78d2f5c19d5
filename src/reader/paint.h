#pragma once
// The Reader window's paint: one pass honours every pending request of ReaderState, in a fixed
// order: font collection, frame or blank (with the Tintline bar), status box, key help, speed box,
// context text, Options screen. Drawing goes through the platform Painter in device pixels; the
// window's painter is clipped to the invalidated region, so a request whose area was not
// invalidated leaves the screen there unchanged.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/gdi/painter.h"
#include "reader/player.h"
#include "reader/reader_state.h"
#include "services/reading_settings.h"

namespace velora::reader {

inline constexpr char16_t kTheEnd[] = u"The End.";
inline constexpr char16_t kFindModeStatus[] = u"Press play to exit find mode";
inline constexpr char16_t kDecreaseSpeed[] = u"Decrease Speed";
inline constexpr char16_t kIncreaseSpeed[] = u"Increase Speed";

// The key help: 44 spaces, then one bulleted line per key, padded with spaces so that word
// wrapping puts each bullet on its own line below an empty first line (198 characters).
inline constexpr std::u16string_view kKeyHelpText =
    u"                                            "
    u"\u2022 Left - Decrease Speed        "
    u"\u2022 Right - Increase Speed         "
    u"\u2022 Up - Up a Sentence            "
    u"\u2022 Down - Down a Sentence            "
    u"\u2022 Press - Play/Pause  ";

// Colour of the Tintline bar for the prepared frame: mid-grey with the switch off, otherwise
// RGB(tintRed, tintGreen, 0) from the low 8 bits of each.
platform::COLORREF TintlineColor(const Player& player, const services::ReadingSettings& settings);

// The word font: the first font family the device offers, its normal-weight (400) face, and the
// font made from that face at the first frame drawn (kept for the run).
struct WordFont {
    inline static constexpr std::size_t kMaxFamilyLength = 32;
    std::u16string family;
    platform::LogFont face;  // empty until a face of weight 400 was found
    platform::HFONT font;
};
// At window creation: keeps the name of the first family only.
void CollectWordFontFamily(platform::Painter& painter, WordFont& wordFont);
// At the first paint and on re-activation: every face of the family with weight exactly 400
// replaces the kept description (the last one wins).
void CollectWordFontFaces(platform::Painter& painter, WordFont& wordFont);

struct ReaderPaintContext {
    platform::Painter& window;  // the window's paint painter, clipped to the update region
    platform::RECT client;
    Player& player;
    services::ReadingSettings& settings;
    ReaderState& state;
    WordFont& wordFont;
    // SetTimer on the Reader window (one-shot use: the handlers kill their timer first).
    std::function<void(std::uint32_t id, std::uint32_t elapseMs)> setTimer;
};

// One paint.
void PaintReader(const ReaderPaintContext& context);

}  // namespace velora::reader
