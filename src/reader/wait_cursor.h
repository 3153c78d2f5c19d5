#pragma once
// The wait cursor over the device screen while the user-interface thread is busy with one long
// step (a text being segmented). Kept out of SegmentText itself so that the command-line
// subcommands, which segment without a display, do not link the GUI libraries.

#include "platform/ui/message_box.h"

namespace velora::reader {

// Shows the wait cursor for its lifetime, then the cursor shown before it (so guards nest).
class WaitCursor {
  public:
    WaitCursor()
        : previous_(platform::SetCursor(platform::LoadCursor(nullptr, platform::IDC_WAIT))) {}
    ~WaitCursor() { platform::SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    platform::HCURSOR previous_;
};

}  // namespace velora::reader
