#include "reader/frame_sequence.h"

namespace velora::reader {
namespace {

// The display step of one frame: what the word area shows, then the cursor moves past it.
// Returns false when the word area shows "The End.".
bool ShowPreparedFrame(Player& player, const services::ReadingSettings& settings,
                       const std::function<void(const ShownFrame&)>& onFrame) {
    std::u16string_view text;
    if (!FrameText(player, text)) return false;
    onFrame(ShownFrame{settings.CurWordDelay, settings.gapDelay, player.tintRed, player.tintGreen,
                       text});
    AdvancePastFrame(player);
    return true;
}

}  // namespace

void PlayLoadedDocument(Player& player, services::ReadingSettings& settings,
                        const std::function<void(const ShownFrame&)>& onFrame) {
    // The load.
    JumpToPosition(player, settings, 0);
    PrepareNextFrame(player, settings, TintStart::Reset);
    // The window's activation shows the frame under the cursor, paused: it scans the token again
    // (which moves tokenIndex on but not the colour).
    player.wordLength = ScanToken(player, settings);
    if (!ShowPreparedFrame(player, settings, onFrame)) return;
    // The play cycle: timer 1 prepares, the paint shows and advances; timer 2 only blanks.
    for (;;) {
        player.atEnd = !PrepareNextFrame(player, settings, TintStart::Continue);
        if (!ShowPreparedFrame(player, settings, onFrame)) return;
    }
}

}  // namespace velora::reader
