#pragma once
// The Reader window (class "VeloraE-mailApp", title "Velora Message"): the full-screen RSVP view.
// It plays the reading document on two alternating one-shot timers (1: next frame, 2: blank),
// takes the Action key (press: play/pause; left/right: slower/faster; up/down: a sentence back or
// forward), shows its three soft-key bars (reader 300, Options 305, find 318) and menu 300, hosts
// the Options screen, and keeps the light on and the device awake while words flash.
//
// The player (document, cursor, colour) and the Reading settings are owned by the application and
// shared with the Inbox window; the window owns its ReaderState, the word font, the backlight
// request and the keep-awake sound.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/base/program_services.h"
#include "platform/desktop/wake_services.h"
#include "platform/ui/resource_module.h"
#include "platform/ui/window.h"
#include "reader/paint.h"
#include "reader/paint_layout.h"
#include "reader/player.h"
#include "reader/reader_state.h"
#include "services/backlight.h"
#include "services/keep_awake.h"
#include "services/reading_settings.h"

namespace velora::reader {

inline constexpr char16_t kReaderWindowClass[] = u"VeloraE-mailApp";
inline constexpr char16_t kReaderWindowTitle[] = u"Velora Message";
inline constexpr char16_t kPlayingTitle[] = u" ";

// Soft-key bars and menu of the Reader window.
inline constexpr platform::UINT kReaderMenuBar = 300;
inline constexpr platform::UINT kOptionsMenuBar = 305;
inline constexpr platform::UINT kFindMenuBar = 318;

// Commands.
inline constexpr platform::UINT kCommandRefresh = 0;
inline constexpr platform::UINT kCommandDone = 1;      // Options bar, left
inline constexpr platform::UINT kCommandDefaults = 2;  // Options bar, right
inline constexpr platform::UINT kCommandGoToTop = 309;
inline constexpr platform::UINT kCommandFind = 314;
inline constexpr platform::UINT kCommandFindNext = 315;
inline constexpr platform::UINT kCommandDeleteMessage = 321;
inline constexpr platform::UINT kCommandMarkAsUnread = 322;
inline constexpr platform::UINT kCommandOptions = 40014;  // reader bar, left

// Set when the Reader or the Inbox window is deactivated; the next activation of either takes it
// (the reader shows its frame, the Inbox checks the reload request) and clears it. A part of the
// program's services, shared by the two windows.
struct WindowActivation {
    bool first = false;
};

class ReaderWindow : public platform::Window {
  public:
    // The commands that act on things above the reader (the Find dialog, the Inbox list). Filled
    // in by the application; an empty function makes its command do nothing.
    struct Commands {
        std::function<void()> find;           // 314, after StopPlayback
        std::function<void()> findNext;       // 315
        std::function<void()> markAsUnread;   // 322
        std::function<void()> deleteMessage;  // 321
    };

    ReaderWindow(platform::Screen& screen, platform::HINSTANCE instance, Player& player,
                 services::ReadingSettings& settings);
    ~ReaderWindow() override;

    platform::LRESULT WindowProc(platform::UINT message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

    void SetCommands(Commands commands) { commands_ = std::move(commands); }
    // The handle of "BackLightChangeEvent" (created by start-up); ReleaseReaderResources closes
    // it. Without one, writes of the backlight values are not followed by a pulse.
    void SetBacklightEvent(platform::HANDLE event) { backlightEvent_ = event; }
    void SetKeepAwakeSoundPath(std::u16string path) { keepAwake_.SetPath(std::move(path)); }

    // The play cycle.
    void StartPlayback();
    void PausePlayback();
    // Halts the flashing (title, sound, timers 5, 9 and, once armed, 1 and 2). Leaves `playing`.
    void StopPlayback();
    // Scans the frame under the cursor again and shows it paused, invalidating `target` (this
    // window unless the Inbox window asks with its own).
    void ShowCurrentFrame(platform::HWND target = nullptr);
    // With the Reading Light on, asks for the light on (1) or the user's values (0) 85 ms later.
    void RequestBacklight(std::int32_t on);
    void SwitchMenuBar();
    // Find mode (after a successful search from the Find dialog): the find bar replaces the
    // reader and Options bars.
    void EnterFindMode();
    // At exit: kills timers 1, 2, 3, 5, 7 and 9 and closes the backlight event.
    void ReleaseReaderResources();
    // WM_QUIT sent to the window (also run by the Inbox window's own WM_QUIT): StopPlayback,
    // SaveSettings, the user's backlight values written back regardless of the Reading Light with
    // the event pulsed, ReleaseReaderResources.
    void HandleQuit();
    // Asks the next paint to enumerate the word font's faces again.
    void CollectWordFontAgain() { state_.requests.fontCollection = true; }

    ReaderState& State() { return state_; }
    const ReaderState& State() const { return state_; }
    Player& GetPlayer() { return player_; }
    services::ReadingSettings& Settings() { return settings_; }
    services::BacklightKeeper& Backlight() { return backlight_; }
    const services::KeepAwakeSound& KeepAwake() const { return keepAwake_; }
    const WordFont& GetWordFont() const { return wordFont_; }
    // The bar windows (nullptr when a bar could not be created).
    platform::HWND Bar(ReaderBar bar) const;

  private:
    void OnCreate();
    void OnPaint();
    void OnTimer(platform::UINT_PTR id);
    bool OnKeyDown(platform::UINT key);
    bool OnCommand(platform::UINT command);
    void OnActivate(bool active);

    void OnNextFrameTimer();
    void OnBlankTimer();
    void OnSpeedSampleTimer();
    void OnHelpFadeTimer();
    void StepSpeed(SpeedStep step);
    void StepSentenceBack();
    void StepSentenceForward();
    void OnOptionsKey(platform::UINT key);
    void ToggleOptionsMode();

    void Invalidate(const LayoutRect& rect, bool erase);
    void InvalidateAll(bool erase);
    void Update();
    void ArmTimer(platform::UINT_PTR id, platform::UINT elapseMs);
    void Kill(platform::UINT_PTR id);
    void ShowBar(platform::HWND bar, int command);

    platform::HINSTANCE instance_;
    Player& player_;
    services::ReadingSettings& settings_;
    ReaderState state_;
    WordFont wordFont_;
    services::BacklightKeeper backlight_;
    services::KeepAwakeSound keepAwake_;
    platform::HANDLE backlightEvent_ = nullptr;
    Commands commands_;
    platform::HWND readerBar_ = nullptr;
    platform::HWND optionsBar_ = nullptr;
    platform::HWND findBar_ = nullptr;
};

}  // namespace velora::reader
