#pragma once
// The frames a freshly loaded document shows when it is played to its end without a key being
// pressed: the frame shown paused right after the load, then every frame of the play cycle, up to
// the point where the word area shows "The End.". Used by the command line and by tests; the
// Reader window runs the same steps on its timers.

#include <cstdint>
#include <functional>
#include <string_view>

#include "reader/player.h"
#include "services/reading_settings.h"

namespace velora::reader {

struct ShownFrame {
    std::int32_t onScreen;  // CurWordDelay: how long the frame stays on the screen
    std::int32_t gap;       // gapDelay: the blank after it
    std::int32_t tintRed;   // Tintline colour as prepared (the bar uses the low 8 bits)
    std::int32_t tintGreen;
    std::u16string_view text;  // empty for a sentence-end frame
};

// Installs nothing: `player` already holds the document. Runs the load (JumpToPosition 0, then
// PrepareNextFrame with the Tintline reset), shows the frame under the cursor paused (ScanToken
// again, as the window's activation does), then plays: PrepareNextFrame with the colour continued,
// then the display step, until a frame shows "The End." instead of text. `onFrame` receives every
// frame that showed text or a sentence-end blank, in order; the frame that shows "The End." is not
// passed. Settings are read as they stand (gapDelay and wordBase already computed).
void PlayLoadedDocument(Player& player, services::ReadingSettings& settings,
                        const std::function<void(const ShownFrame&)>& onFrame);

}  // namespace velora::reader
