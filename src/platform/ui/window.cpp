#include "platform/ui/window.h"

#include "platform/ui/screen.h"

namespace velora::platform {

namespace {
thread_local DWORD lastError = 0;

Screen* ScreenOf(HWND window) {
    return window ? &window->GetScreen() : Screen::Current();
}
}  // namespace

Window::Window(Screen& screen, std::u16string title, Kind kind, HWND parent)
    : screen_(screen), title_(std::move(title)), kind_(kind), parent_(parent) {
    screen_.Register(this);
}

Window::~Window() {
    screen_.Unregister(this);
}

LRESULT Window::Create() {
    return SendMessage(this, WM_CREATE, 0, 0);
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(message, wParam, lParam);
}

LRESULT Window::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(this, &paint);
            EndPaint(this, &paint);
            return 0;
        }
        case WM_ERASEBKGND: {
            // The class background, the stock white brush, over the region being painted (the
            // painter in the first parameter is clipped to it).
            auto* painter = reinterpret_cast<Painter*>(wParam);
            if (!painter) return 0;
            RECT client;
            GetClientRect(this, &client);
            painter->FillRect(client, RGB(255, 255, 255));
            return 1;
        }
        case WM_SETTEXT:
            SetTitle(lParam ? std::u16string_view(reinterpret_cast<const char16_t*>(lParam))
                            : std::u16string_view());
            return TRUE;
        case WM_CLOSE:
            ShowWindow(this, SW_HIDE);
            return 0;
        default:
            return 0;
    }
}

void Window::SetTitle(std::u16string_view title) {
    title_ = std::u16string(title);
    screen_.NotifyChanged();
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window) return 0;
    return window->WindowProc(message, wParam, lParam);
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Screen* screen = ScreenOf(window);
    if (!screen) return FALSE;
    screen->Post(window, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    if (Screen* screen = Screen::Current()) screen->PostQuit(exitCode);
}

BOOL ShowWindow(HWND window, int command) {
    if (!window) return FALSE;
    Screen& screen = window->GetScreen();
    const bool wasVisible = screen.IsVisible(window);
    if (command == SW_HIDE)
        screen.Hide(window);
    else
        screen.Show(window);
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    return window && window->GetScreen().IsVisible(window) ? TRUE : FALSE;
}

BOOL SetForegroundWindow(HWND window) {
    if (!window) return FALSE;
    window->GetScreen().Show(window);
    return TRUE;
}

HWND GetActiveWindow() {
    Screen* screen = Screen::Current();
    return screen ? screen->Active() : nullptr;
}

HWND SetFocus(HWND window) {
    Screen* screen = ScreenOf(window);
    return screen ? screen->SetFocusWindow(window) : nullptr;
}

HWND GetFocus() {
    Screen* screen = Screen::Current();
    return screen ? screen->Focus() : nullptr;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    if (!window) return FALSE;
    window->GetScreen().Invalidate(window, rect, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
    if (!window) return FALSE;
    window->GetScreen().Validate(window, rect);
    return TRUE;
}

BOOL UpdateWindow(HWND window) {
    if (!window) return FALSE;
    window->GetScreen().Update(window);
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!window || !rect) return FALSE;
    if (window->GetKind() == Window::Kind::MenuBar)
        *rect = RECT{0, 0, kScreenWidth, kSoftKeyBarHeight};
    else
        *rect = RECT{0, 0, kScreenWidth, kClientHeight};
    return TRUE;
}

BOOL SetWindowText(HWND window, std::u16string_view text) {
    if (!window) return FALSE;
    window->SetTitle(text);
    return TRUE;
}

std::u16string GetWindowText(HWND window) {
    return window ? window->Title() : std::u16string();
}

Painter* BeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (!window || !paint) return nullptr;
    return window->GetScreen().BeginPaint(window, paint);
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) {
    if (!window) return FALSE;
    window->GetScreen().EndPaint(window);
    return TRUE;
}

std::unique_ptr<Painter> GetDC(HWND window) {
    if (!window) return nullptr;
    return window->GetScreen().CreateWindowPainter(window);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, void*) {
    if (!window) return 0;
    window->GetScreen().SetTimer(window, id, elapseMs);
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    if (!window) return FALSE;
    return window->GetScreen().KillTimer(window, id) ? TRUE : FALSE;
}

DWORD GetLastError() {
    return lastError;
}
void SetLastError(DWORD error) {
    lastError = error;
}

}  // namespace velora::platform
