#pragma once
// Windows and their messages, as the phone's window procedures expect them. A window is an object
// deriving from Window that overrides WindowProc (message, first parameter, second parameter ->
// result) and passes what it does not handle to DefWindowProc. A window handle (HWND) is the
// Window itself. Every window lives on one Screen (screen.h), which stacks the full-screen
// windows, keeps their timers and paints them.
//
// The functions below the class carry the phone's names and rules:
// - SendMessage calls the window procedure at once; PostMessage queues the message for the
//   message loop; PostQuitMessage ends the loop (WM_QUIT is never dispatched to a window by the
//   loop; shutdown sends it, see Screen::RequestShutdown).
// - InvalidateRect adds to the window's invalid region (nullptr: the whole client area) and, with
//   erase, marks it for erasing; UpdateWindow sends WM_PAINT at once when the region is not empty
//   and the window is the one on top of the screen (windows that are hidden or covered are
//   painted when they come to the top, where their whole client area is invalidated and erased).
//   Otherwise WM_PAINT arrives when the message queue is empty.
// - BeginPaint gives a painter clipped to the invalid region, erases it first when asked
//   (WM_ERASEBKGND with the painter as first parameter; its default fills with the window's white
//   background and returns 1) and validates the window.
// - SetTimer arms or re-arms timer `id` of a window (WM_TIMER with the id as first parameter
//   every `ms` milliseconds until KillTimer). Timing rule, so that a chain of one-shot timers
//   does not accumulate handler time: a timer armed while a WM_TIMER is being handled counts from
//   the moment the timer being handled was due, not from now, unless that moment lies more than
//   kTimerCatchUpLimitMs in the past (the program was held up): then it counts from now. A
//   repeating timer's next expiry is likewise its previous due time plus its period. Periods
//   below 1 ms count as 1 ms.

#include <memory>
#include <string>
#include <string_view>

#include "platform/base/win_types.h"
#include "platform/gdi/painter.h"

namespace velora::platform {

class Screen;

inline constexpr std::int64_t kTimerCatchUpLimitMs = 40;

class Window {
  public:
    enum class Kind {
        TopLevel,  // a full-screen application window
        Dialog,    // a full-screen modal dialog (Back without override cancels it)
        MenuBar,   // a soft-key bar of its parent window (menu_bar.h)
    };

    Window(Screen& screen, std::u16string title, Kind kind = Kind::TopLevel, HWND parent = nullptr);
    virtual ~Window();  // hides the window, kills its timers, forgets its posted messages
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The second half of CreateWindow: sends WM_CREATE and returns its result. The window
    // starts hidden.
    LRESULT Create();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing: WM_PAINT begins and ends painting; WM_ERASEBKGND fills the invalid
    // region white; WM_SETTEXT sets the title; WM_CLOSE hides the window; everything else 0.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    Screen& GetScreen() const { return screen_; }
    Kind GetKind() const { return kind_; }
    HWND Parent() const { return parent_; }
    const std::u16string& Title() const { return title_; }
    void SetTitle(std::u16string_view title);

  private:
    Screen& screen_;
    std::u16string title_;
    Kind kind_;
    HWND parent_;
};

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
[[nodiscard]] BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Ends the message loop of the current screen with `exitCode`.
void PostQuitMessage(int exitCode);

// SW_SHOW (or SW_SHOWNORMAL) brings a full-screen window to the top of its screen and activates
// it, visible already or not; SW_HIDE takes it off and activates the one below. On a menu bar it
// shows or hides the bar. Returns whether the window was visible before.
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
[[nodiscard]] BOOL SetForegroundWindow(HWND window);
HWND GetActiveWindow();
// The window that receives key messages: the one given, if it is the active window or belongs
// to it; key presses otherwise go to the active window.
HWND SetFocus(HWND window);
HWND GetFocus();

// The painting calls below fail only for a window that does not exist; every caller passes its
// own live window, so their results are not [[nodiscard]].
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL UpdateWindow(HWND window);
// The client area: (0, 0) to (176, 180).
BOOL GetClientRect(HWND window, RECT* rect);
BOOL SetWindowText(HWND window, std::u16string_view text);
std::u16string GetWindowText(HWND window);

struct PAINTSTRUCT {
    Painter* hdc = nullptr;
    BOOL fErase = FALSE;  // the background still has to be erased (WM_ERASEBKGND returned 0)
    RECT rcPaint;         // bounding box of the region being painted
};
// The painter lives until EndPaint.
Painter* BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
// A painter on the window's client area outside WM_PAINT, unclipped (GetDC / ReleaseDC).
std::unique_ptr<Painter> GetDC(HWND window);

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, void* timerProc = nullptr);
[[nodiscard]] BOOL KillTimer(HWND window, UINT_PTR id);

// GetLastError / SetLastError: the calling thread's last error code.
DWORD GetLastError();
void SetLastError(DWORD error);
// (ERROR_SUCCESS and ERROR_FILE_NOT_FOUND are registry.h's.)
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

}  // namespace velora::platform
