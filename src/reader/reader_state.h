#pragma once
// The Reader window's own state, beside the player (player.h) and the Reading settings: the play,
// Options and find flags, the key-help fade, the paint requests and the timers armed so far.

#include <cstdint>
#include <string>

namespace velora::reader {

// What the next paint draws; each request is cleared by the paint that honours it.
struct PaintRequests {
    bool frame = false;          // the prepared frame (or "The End.") and the Tintline bar
    bool blank = false;          // the word area cleared between two frames
    bool statusBox = false;      // "WPM:" and "POS:"
    bool helpText = false;       // the fading key help
    bool speedBox = false;       // the speed caption and gauge in place of the word
    bool contextText = false;    // the text around the current word
    bool contextBullet = false;  // ... with the bullet before the current word
    bool optionsScreen = false;
    // Enumerate the word font's faces again (first paint, re-activation).
    bool fontCollection = true;
};

// Which of the Reader window's three soft-key bars is shown.
enum class ReaderBar { Reader, Options, Find };

struct ReaderState {
    bool playing = false;        // words flash (or flashing reached the end, nothing pressed since)
    bool optionsMode = false;    // the Options screen is shown
    bool findMode = false;       // the find soft keys are shown
    std::int32_t optionSel = 0;  // selected row of the Options screen, 0 to 6
    // Grey level of the key help: 0 black, 255 white (hidden); +17 every 500 ms while playing.
    std::int32_t helpFade = 255;
    // The next paint shows a frame (or blank) without arming the following timer.
    bool skipNextTimer = false;
    PaintRequests requests;
    // "Decrease Speed" or "Increase Speed", shown by the speed box.
    std::u16string speedCaption;
    // Set once timer 1 / timer 2 has been armed; stopping kills them only then.
    bool timer1Armed = false;
    bool timer2Armed = false;
    ReaderBar currentBar = ReaderBar::Reader;
};

// The Reader window's timers.
inline constexpr std::uint32_t kNextFrameTimer = 1;    // 10 ms at play start, then gapDelay
inline constexpr std::uint32_t kBlankTimer = 2;        // CurWordDelay
inline constexpr std::uint32_t kBacklightTimer = 3;    // 85 ms, one shot
inline constexpr std::uint32_t kSpeedSampleTimer = 5;  // 15000 ms
inline constexpr std::uint32_t kHelpFadeTimer = 7;     // 500 ms
inline constexpr std::uint32_t kKeepAwakeTimer = 9;    // 4000 ms

inline constexpr std::uint32_t kPlayStartDelayMs = 10;
inline constexpr std::uint32_t kSpeedSamplePeriodMs = 15000;
inline constexpr std::uint32_t kHelpFadePeriodMs = 500;
inline constexpr std::uint32_t kKeepAwakePeriodMs = 4000;
inline constexpr std::int32_t kHelpFadeStep = 17;
inline constexpr std::int32_t kHelpHidden = 255;

}  // namespace velora::reader
