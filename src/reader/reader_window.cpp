#include "reader/reader_window.h"

#include "platform/base/program_services.h"
#include "platform/ui/menu_bar.h"
#include "reader/options_screen.h"
#include "reader/paint_layout.h"
#include "services/settings.h"

namespace velora::reader {
namespace {

using namespace platform;

RECT ToRect(const LayoutRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

}  // namespace

ReaderWindow::ReaderWindow(Screen& screen, HINSTANCE instance, Player& player,
                           services::ReadingSettings& settings)
    : Window(screen, kReaderWindowTitle),
      instance_(instance),
      player_(player),
      settings_(settings),
      backlight_(services::BacklightKeeper::Hooks{
          [this] { ArmTimer(kBacklightTimer, services::kBacklightDelayMs); },
          [this] { Kill(kBacklightTimer); },
          [this] {
              // A pulse nobody waits for is lost, as it should be.
              if (backlightEvent_ != nullptr)
                  static_cast<void>(EventModify(backlightEvent_, EVENT_PULSE));
          }}) {}

ReaderWindow::~ReaderWindow() = default;

HWND ReaderWindow::Bar(ReaderBar bar) const {
    switch (bar) {
        case ReaderBar::Reader:
            return readerBar_;
        case ReaderBar::Options:
            return optionsBar_;
        case ReaderBar::Find:
            return findBar_;
    }
    return nullptr;
}

// --- Helpers ----------------------------------------------------------------------------------

void ReaderWindow::Invalidate(const LayoutRect& rect, bool erase) {
    const RECT r = ToRect(rect);
    InvalidateRect(this, &r, erase ? TRUE : FALSE);
}

void ReaderWindow::InvalidateAll(bool erase) {
    InvalidateRect(this, nullptr, erase ? TRUE : FALSE);
}

void ReaderWindow::Update() {
    UpdateWindow(this);
}

void ReaderWindow::ArmTimer(UINT_PTR id, UINT elapseMs) {
    SetTimer(this, id, elapseMs);
}

void ReaderWindow::Kill(UINT_PTR id) {
    static_cast<void>(KillTimer(this, id));  // false when the timer was not running
}

void ReaderWindow::ShowBar(HWND bar, int command) {
    if (bar != nullptr) ShowWindow(bar, command);
}

// --- The play cycle -----------------------------------------------------------------------------

void ReaderWindow::StartPlayback() {
    SetWindowText(this, kPlayingTitle);
    RequestBacklight(1);
    ArmTimer(kKeepAwakeTimer, kKeepAwakePeriodMs);
    keepAwake_.Start();
    state_.helpFade = 0;
    if (state_.findMode) {
        state_.findMode = false;
        ShowBar(findBar_, SW_HIDE);
        ShowBar(optionsBar_, SW_HIDE);
        ShowBar(readerBar_, SW_SHOW);
        state_.currentBar = ReaderBar::Reader;
    }
    ArmTimer(kHelpFadeTimer, kHelpFadePeriodMs);
    player_.wpm = 0;
    player_.wpmMark = player_.cursor;
    ArmTimer(kSpeedSampleTimer, kSpeedSamplePeriodMs);
    player_.pastSentenceStart = false;
    state_.requests.contextBullet = false;
    state_.requests.statusBox = true;
    state_.requests.helpText = true;
    Invalidate(kHelpArea, true);
    Invalidate(kStatusBox, false);
    Update();
    ArmTimer(kNextFrameTimer, kPlayStartDelayMs);
    state_.timer1Armed = true;
    state_.playing = true;
}

void ReaderWindow::PausePlayback() {
    StopPlayback();
    Kill(kHelpFadeTimer);
    state_.requests.contextText = true;
    state_.requests.statusBox = true;
    // Back to the frame last shown: the paint had already moved past it. Before the first frame
    // of a run is drawn there is nothing to step back over.
    const std::size_t shown = static_cast<std::size_t>(player_.wordLength) + 1;
    player_.cursor = player_.cursor >= shown ? player_.cursor - shown : 0;
    state_.requests.frame = true;
    state_.requests.contextBullet = true;
    UpdatePosition(player_);
    Invalidate(kHelpArea, true);
    Invalidate(kWordAreaAndBar, false);
    Invalidate(kStatusBox, false);
    Update();
    state_.playing = false;
}

void ReaderWindow::StopPlayback() {
    SetWindowText(this, kReaderWindowTitle);
    services::KeepAwakeSound::StopAnySound();
    Kill(kSpeedSampleTimer);
    Kill(kKeepAwakeTimer);
    if (state_.timer1Armed) Kill(kNextFrameTimer);
    if (state_.timer2Armed) Kill(kBlankTimer);
    keepAwake_.Release();
}

void ReaderWindow::OnNextFrameTimer() {
    Kill(kNextFrameTimer);
    state_.requests.frame = true;
    if (!PrepareNextFrame(player_, settings_, TintStart::Continue)) {
        player_.atEnd = true;
        UpdatePosition(player_);
        state_.requests.statusBox = true;
        Invalidate(kStatusBox, false);
    } else {
        player_.atEnd = false;
    }
    Invalidate(kWordAreaAndBar, false);
    Update();
}

void ReaderWindow::OnBlankTimer() {
    Kill(kBlankTimer);
    if (!state_.playing) return;
    state_.requests.blank = true;
    Invalidate(kWordArea, false);
    Update();
}

void ReaderWindow::OnSpeedSampleTimer() {
    if (player_.atEnd) return;
    SampleSpeed(player_);
    UpdatePosition(player_);
    state_.requests.statusBox = true;
    Invalidate(kStatusBox, false);
    Update();
}

void ReaderWindow::OnHelpFadeTimer() {
    if (state_.helpFade == kHelpHidden) {
        Kill(kHelpFadeTimer);
        return;
    }
    state_.helpFade += kHelpFadeStep;
    state_.requests.helpText = true;
    Invalidate(kHelpArea, false);
    Update();
}

void ReaderWindow::ShowCurrentFrame(HWND target) {
    player_.wordLength = ScanToken(player_, settings_);
    state_.requests.frame = true;
    state_.requests.contextText = true;
    state_.requests.contextBullet = true;
    state_.requests.statusBox = true;
    player_.wpmKnown = false;
    UpdatePosition(player_);
    state_.skipNextTimer = true;
    InvalidateRect(target != nullptr ? target : this, nullptr, TRUE);
}

void ReaderWindow::RequestBacklight(std::int32_t on) {
    backlight_.Request(on, settings_);
}

void ReaderWindow::SwitchMenuBar() {
    if (state_.optionsMode) {
        ShowBar(readerBar_, SW_HIDE);
        ShowBar(optionsBar_, SW_SHOW);
        state_.currentBar = ReaderBar::Options;
    } else {
        ShowBar(optionsBar_, SW_HIDE);
        ShowBar(readerBar_, SW_SHOW);
        state_.currentBar = ReaderBar::Reader;
    }
}

void ReaderWindow::EnterFindMode() {
    ShowBar(optionsBar_, SW_HIDE);
    ShowBar(readerBar_, SW_HIDE);
    ShowBar(findBar_, SW_SHOW);
    state_.currentBar = ReaderBar::Find;
    state_.findMode = true;
}

void ReaderWindow::ReleaseReaderResources() {
    for (UINT_PTR id : {kNextFrameTimer, kBlankTimer, kBacklightTimer, kSpeedSampleTimer,
                        kHelpFadeTimer, kKeepAwakeTimer}) {
        Kill(id);
    }
    if (backlightEvent_ != nullptr) {
        static_cast<void>(CloseHandle(backlightEvent_));  // the event is ours and is let go
        backlightEvent_ = nullptr;
    }
}

// --- Keys -----------------------------------------------------------------------------------

void ReaderWindow::StepSpeed(SpeedStep step) {
    state_.requests.speedBox = true;
    state_.requests.contextText = true;
    state_.helpFade = kHelpHidden;
    RequestBacklight(0);
    StopPlayback();
    reader::StepSpeed(settings_, step);
    state_.speedCaption = step == SpeedStep::Slower ? kDecreaseSpeed : kIncreaseSpeed;
    state_.playing = false;
    state_.requests.contextBullet = true;
    Invalidate(kWordAreaAndBar, true);
    player_.wpmKnown = false;
    Update();
}

void ReaderWindow::StepSentenceBack() {
    state_.helpFade = kHelpHidden;
    player_.atEnd = false;
    RequestBacklight(0);
    state_.requests.contextText = true;
    StopPlayback();
    SentenceBack(player_);
    CountSentenceSpaces(player_);
    state_.playing = false;
    state_.requests.contextBullet = true;
    state_.requests.frame = true;
    state_.requests.statusBox = true;
    PrepareNextFrame(player_, settings_, TintStart::Reset);
    UpdatePosition(player_);
    Invalidate(kStatusBox, false);
    InvalidateAll(true);
    Update();
}

void ReaderWindow::StepSentenceForward() {
    state_.helpFade = kHelpHidden;
    state_.requests.contextText = true;
    RequestBacklight(0);
    StopPlayback();
    state_.playing = false;
    SentenceForward(player_);
    CountSentenceSpaces(player_);
    state_.requests.contextBullet = true;
    state_.requests.frame = true;
    state_.requests.statusBox = true;
    // The result is not used: atEnd keeps its value.
    PrepareNextFrame(player_, settings_, TintStart::Reset);
    UpdatePosition(player_);
    InvalidateAll(true);
    Invalidate(kStatusBox, false);
    Update();
}

void ReaderWindow::OnOptionsKey(UINT key) {
    const OptionsBacklight backlight{
        [this](std::int32_t on) { RequestBacklight(on); },
        [this] { backlight_.RestoreSoon(); },
    };
    const std::optional<OptionsRepaint> repaint =
        HandleOptionsKey(static_cast<int>(key), state_.optionSel, settings_, backlight);
    if (!repaint) return;
    state_.requests.optionsScreen = true;
    if (repaint->area == OptionsRepaint::Area::WholeWindow) {
        InvalidateAll(repaint->erase);
    } else {
        Invalidate(repaint->rect, repaint->erase);
    }
    Update();
}

bool ReaderWindow::OnKeyDown(UINT key) {
    if (key != VK_RETURN && key != VK_LEFT && key != VK_RIGHT && key != VK_UP && key != VK_DOWN) {
        return false;
    }
    if (state_.optionsMode) {
        OnOptionsKey(key);
        return true;
    }
    switch (key) {
        case VK_RETURN:
            if (state_.playing) {
                PausePlayback();
            } else {
                StartPlayback();
            }
            break;
        case VK_LEFT:
            StepSpeed(SpeedStep::Slower);
            break;
        case VK_RIGHT:
            StepSpeed(SpeedStep::Faster);
            break;
        case VK_UP:
            StepSentenceBack();
            break;
        case VK_DOWN:
            StepSentenceForward();
            break;
        default:
            break;
    }
    return true;
}

// --- Commands -------------------------------------------------------------------------------

void ReaderWindow::ToggleOptionsMode() {
    RequestBacklight(0);
    StopPlayback();
    state_.playing = false;
    state_.helpFade = kHelpHidden;
    state_.optionsMode = !state_.optionsMode;
    if (state_.optionsMode) {
        state_.optionSel = 0;
        state_.requests.optionsScreen = true;
    } else {
        ShowCurrentFrame();
    }
    InvalidateAll(true);
    SwitchMenuBar();
    Update();
}

bool ReaderWindow::OnCommand(UINT command) {
    switch (command) {
        case kCommandOptions:
        case kCommandDone:
            ToggleOptionsMode();
            return true;
        case kCommandDefaults:
            if (state_.optionsMode) {
                services::ApplyDefaults(settings_,
                                        [this](std::int32_t on) { RequestBacklight(on); });
                state_.optionSel = 0;
                state_.requests.optionsScreen = true;
                InvalidateAll(true);
                Update();
            }
            return true;
        case kCommandGoToTop:
            StopPlayback();
            JumpToPosition(player_, settings_, 0);
            ShowCurrentFrame();
            return true;
        case kCommandFind:
            StopPlayback();
            if (commands_.find) commands_.find();
            return true;
        case kCommandFindNext:
            if (commands_.findNext) commands_.findNext();
            return true;
        case kCommandMarkAsUnread:
            if (commands_.markAsUnread) commands_.markAsUnread();
            return true;
        case kCommandDeleteMessage:
            if (commands_.deleteMessage) commands_.deleteMessage();
            return true;
        case kCommandRefresh:
            InvalidateAll(true);
            return true;
        default:
            return false;
    }
}

// --- Window messages ------------------------------------------------------------------------

void ReaderWindow::OnCreate() {
    const auto createBar = [this](UINT id) -> HWND {
        SHMENUBARINFO info{};
        info.cbSize = sizeof info;
        info.hwndParent = this;
        info.nToolBarId = id;
        info.hInstRes = instance_;
        return SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
    };
    // A bar that cannot be created leaves out every step after it.
    if ((readerBar_ = createBar(kReaderMenuBar)) == nullptr) return;
    if ((optionsBar_ = createBar(kOptionsMenuBar)) == nullptr) return;
    if ((findBar_ = createBar(kFindMenuBar)) == nullptr) return;
    ShowWindow(findBar_, SW_HIDE);
    ShowWindow(optionsBar_, SW_HIDE);
    ShowWindow(readerBar_, SW_SHOW);
    state_.currentBar = ReaderBar::Reader;
    std::unique_ptr<Painter> painter = GetDC(this);
    if (painter) CollectWordFontFamily(*painter, wordFont_);
}

void ReaderWindow::OnPaint() {
    PAINTSTRUCT paint;
    Painter* painter = BeginPaint(this, &paint);
    if (painter != nullptr) {
        RECT client;
        GetClientRect(this, &client);
        PaintReader(ReaderPaintContext{
            *painter, client, player_, settings_, state_, wordFont_,
            [this](std::uint32_t id, std::uint32_t elapseMs) { ArmTimer(id, elapseMs); }});
    }
    EndPaint(this, &paint);
}

void ReaderWindow::OnTimer(UINT_PTR id) {
    switch (id) {
        case kNextFrameTimer:
            OnNextFrameTimer();
            break;
        case kBlankTimer:
            OnBlankTimer();
            break;
        case kBacklightTimer:
            backlight_.OnTimer();
            break;
        case kSpeedSampleTimer:
            OnSpeedSampleTimer();
            break;
        case kHelpFadeTimer:
            OnHelpFadeTimer();
            break;
        case kKeepAwakeTimer:
            RequestBacklight(1);
            services::ResetIdleTimer();
            break;
        default:
            break;
    }
}

void ReaderWindow::OnActivate(bool active) {
    bool& firstActivation = CurrentProgramServices().Get<WindowActivation>().first;
    state_.helpFade = kHelpHidden;
    if (!active) {
        RequestBacklight(0);
        StopPlayback();
        state_.playing = false;
        firstActivation = true;
        return;
    }
    if (state_.optionsMode) {
        SendMessage(this, WM_COMMAND, kCommandOptions, 0);
    } else if (firstActivation) {
        ShowCurrentFrame();
    } else {
        state_.requests.fontCollection = true;
    }
    firstActivation = false;
}

void ReaderWindow::HandleQuit() {
    StopPlayback();
    services::SaveSettings(settings_);
    backlight_.RestoreNow();
    ReleaseReaderResources();
}

LRESULT ReaderWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_TIMER:
            switch (wParam) {
                case kNextFrameTimer:
                case kBlankTimer:
                case kBacklightTimer:
                case kSpeedSampleTimer:
                case kHelpFadeTimer:
                case kKeepAwakeTimer:
                    OnTimer(wParam);
                    return 0;
                default:
                    return DefWindowProc(message, wParam, lParam);
            }
        case WM_KEYDOWN: {
            const bool handled = OnKeyDown(static_cast<UINT>(wParam));
            LRESULT result = 1;
            if (handled) {
                services::SaveSettings(settings_);
            } else {
                result = DefWindowProc(message, wParam, lParam);
            }
            // Every key-down, handled or not: a speed step or a Speed Boost change takes effect
            // with the next frame.
            services::RecomputeSpeedTimes(settings_);
            return result;
        }
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam))) return 0;
            return DefWindowProc(message, wParam, lParam);
        case WM_ENTERMENULOOP:
            StopPlayback();
            state_.playing = false;
            state_.helpFade = kHelpHidden;
            return 0;
        case WM_EXITMENULOOP:
            state_.playing = false;
            state_.helpFade = kHelpHidden;
            ShowCurrentFrame();
            return 0;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        case WM_QUIT:
            HandleQuit();
            return 0;
        default:
            return DefWindowProc(message, wParam, lParam);
    }
}

}  // namespace velora::reader
