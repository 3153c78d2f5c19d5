#pragma once
// The phone's screen as the windows see it: a stack of full-screen windows of which the top one
// is shown and active, one queue of window timers on a swappable clock, the posted-message queue,
// painting, key input and shutdown. It needs no display: DeviceScreenWidget (device_screen.h)
// shows it on the desktop, and tests drive it directly (keys, soft keys, clock, pending messages).
//
// Activation: showing a window puts it on top; the window it covers receives WM_ACTIVATE with
// WA_INACTIVE first, then the new one WM_ACTIVATE with WA_ACTIVE (the second parameter names the
// other window). Hiding the top window activates the one below. While the desktop window does not
// have the keyboard focus no window is active: losing the focus deactivates the top window,
// regaining it activates it again.
//
// Keys go to the focus window (SetFocus), else the active window, as WM_KEYDOWN then WM_KEYUP.
// The soft keys press the buttons of the active window's visible menu bar. The Back key goes to
// the active window as WM_HOTKEY when its visible menu bar has the Back-key override; otherwise
// it does what Back does on the phone: a dialog receives WM_COMMAND IDCANCEL, and a full-screen
// window is sent back behind the window below it (the one below comes forward and is
// activated); the bottom window stays where it is.

#include <QImage>
#include <QRegion>

class QEventLoop;
class QObject;
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/clock.h"
#include "platform/ui/window.h"

namespace velora::platform {

class MenuBar;
class PaintLog;
class TimerQueue;

inline constexpr int kScreenWidth = 176;
inline constexpr int kCaptionHeight = 20;
inline constexpr int kClientHeight = 180;
inline constexpr int kSoftKeyBarHeight = 20;
inline constexpr int kScreenHeight = kCaptionHeight + kClientHeight + kSoftKeyBarHeight;

class Screen {
  public:
    // Uses the real clock when `clock` is null. The newest screen is the current one (the one
    // PostQuitMessage and GetActiveWindow refer to) until it is destroyed; the list of screens
    // alive is a part of the program's services, which must outlive the screen. Windows must be
    // destroyed before their screen (the soft-key bars it owns go with it).
    explicit Screen(std::unique_ptr<Clock> clock = nullptr);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    static Screen* Current();

    Clock& GetClock() { return *clock_; }

    // --- Window stack -----------------------------------------------------------------------
    HWND Active() const { return desktopFocused_ ? Top() : nullptr; }
    // The window shown, whether or not the desktop has the focus.
    HWND Top() const;
    // Full-screen windows shown, bottom first.
    const std::vector<HWND>& Stack() const { return stack_; }
    bool IsVisible(HWND window) const;
    void Show(HWND window);
    void Hide(HWND window);
    void SetDesktopFocus(bool focused);
    bool DesktopFocused() const { return desktopFocused_; }
    HWND Focus() const { return focus_; }
    HWND SetFocusWindow(HWND window);

    // --- Messages ---------------------------------------------------------------------------
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Dispatches posted messages, then pending paints, until none is left or the loop was told
    // to quit. Tests call it in place of the message loop.
    void ProcessMessages();
    // Runs the Qt event loop until PostQuitMessage; returns its exit code.
    int RunMessageLoop();
    void PostQuit(int exitCode);
    bool QuitPosted() const { return quitCode_.has_value(); }
    // Shutdown as the phone did it (desktop window closed, SIGTERM, SIGINT): WM_QUIT sent to the
    // active (else the top) window, then WM_CLOSE, whose handler ends the loop; if it did not,
    // the loop ends anyway.
    void RequestShutdown();

    // Modal dialogs: shows `dialog`, runs a nested loop until EndModal, hides it and returns the
    // result (IDCANCEL when the program ends first, -1 when the dialog went away). A modal driver
    // (tests) runs in place of the nested loop: it sees the dialog shown and must end it.
    std::intptr_t RunModal(HWND dialog);
    void EndModal(HWND dialog, std::intptr_t result);
    void SetModalDriver(std::function<void(HWND dialog)> driver) {
        modalDriver_ = std::move(driver);
    }

    // --- Input ------------------------------------------------------------------------------
    // A key held down repeats its WM_KEYDOWN with the previous-state bit (bit 30 of the second
    // parameter) set, and is released once.
    enum class KeyRepeat { First, Repeat };
    void KeyDown(UINT virtualKey, KeyRepeat repeat = KeyRepeat::First);
    void KeyUp(UINT virtualKey);
    // KeyDown then KeyUp.
    void PressKey(UINT virtualKey);
    // 0: left soft key, 1: right soft key.
    void PressSoftKey(int index);
    // The Back key: with the override, WM_HOTKEY on the press (and each repeat) and on the
    // release; otherwise Back's default on the first press.
    void BackDown(KeyRepeat repeat = KeyRepeat::First);
    void BackUp();
    void PressBack();
    // The visible menu bar of `window`, if any.
    MenuBar* VisibleMenuBar(HWND window) const;

    // --- Timers -----------------------------------------------------------------------------
    void SetTimer(HWND window, UINT_PTR id, UINT elapseMs);
    [[nodiscard]] bool KillTimer(HWND window, UINT_PTR id);
    bool HasTimer(HWND window, UINT_PTR id) const;
    // When the timer is next due, on the clock's scale.
    [[nodiscard]] std::optional<std::int64_t> TimerDue(HWND window, UINT_PTR id) const;

    // --- Painting ---------------------------------------------------------------------------
    void Invalidate(HWND window, const RECT* rect, bool erase);
    void Validate(HWND window, const RECT* rect);
    // Sends WM_PAINT now if `window` is on top and has an invalid region.
    void Update(HWND window);
    QRegion InvalidRegion(HWND window) const;
    bool EraseFlag(HWND window) const;
    Painter* BeginPaint(HWND window, PAINTSTRUCT* paint);
    void EndPaint(HWND window);
    std::unique_ptr<Painter> CreateWindowPainter(HWND window);
    // The client area's pixels of a window (kScreenWidth x kClientHeight).
    const QImage& Surface(HWND window);
    // While set, every window painter also records into `log` (recording_painter.h).
    void SetPaintRecorder(PaintLog* log) { recorder_ = log; }
    // The whole phone screen: caption strip, the top window's client area, the soft-key bar.
    QImage Compose();
    // Called whenever what Compose shows may have changed.
    void SetChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }
    void NotifyChanged();

    // --- Window bookkeeping (Window's constructor and destructor) --------------------------
    void Register(HWND window);
    void Unregister(HWND window);
    // The screen owns the soft-key bars; a bar is destroyed with its parent window.
    void AdoptMenuBar(std::unique_ptr<MenuBar> bar);

  private:
    struct WindowState {
        QImage surface;
        QRegion invalid;
        bool erase = false;
        std::unique_ptr<Painter> painter;  // between BeginPaint and EndPaint
        bool modalEnded = false;
        std::intptr_t modalResult = 0;
        QEventLoop* modalLoop = nullptr;
    };
    struct PostedMessage {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    WindowState* State(HWND window);
    void Activate(HWND window, HWND other);
    void Deactivate(HWND window, HWND other);
    HWND TopApplicationWindow() const;
    void SchedulePump();
    void DeliverTimer(HWND window, UINT_PTR id);

    std::vector<Screen*>& alive_;  // the screens of the services it was made under
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<TimerQueue> timers_;
    std::map<HWND, WindowState> windows_;
    std::vector<HWND> stack_;
    std::vector<HWND> visibleBars_;  // in the order they were shown
    std::vector<std::unique_ptr<MenuBar>> ownedBars_;
    std::vector<QEventLoop*> loops_;    // running loops, outermost first
    std::unique_ptr<QObject> context_;  // receiver of the queued pump calls
    const QImage noSurface_;            // what Surface gives for a window it does not know
    std::deque<PostedMessage> posted_;
    HWND focus_ = nullptr;
    bool desktopFocused_ = true;
    bool pumpScheduled_ = false;
    HWND backOwner_ = nullptr;  // who received the WM_HOTKEY of the Back key being held
    std::optional<int> quitCode_;
    PaintLog* recorder_ = nullptr;
    std::function<void()> changed_;
    std::function<void(HWND)> modalDriver_;
};

}  // namespace velora::platform
