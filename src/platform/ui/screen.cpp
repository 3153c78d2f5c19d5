#include "platform/ui/screen.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFont>
#include <QObject>
#include <QPainter>
#include <algorithm>
#include <utility>

#include "platform/base/program_services.h"
#include "platform/gdi/qt_painter.h"
#include "platform/gdi/recording_painter.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/timer_queue.h"

namespace velora::platform {

namespace {
// Screens alive, oldest first; the newest is the current one.
struct ScreenList {
    std::vector<Screen*> screens;
};

std::vector<Screen*>& Screens() {
    return CurrentProgramServices().Get<ScreenList>().screens;
}

QRect ToQRect(const RECT& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

constexpr QRect kClientRect(0, 0, kScreenWidth, kClientHeight);
}  // namespace

Screen::Screen(std::unique_ptr<Clock> clock)
    : alive_(Screens()),
      clock_(clock ? std::move(clock) : CreateRealClock()),
      context_(std::make_unique<QObject>()) {
    timers_ = std::make_unique<TimerQueue>(
        *clock_, [this](HWND window, UINT_PTR id) { DeliverTimer(window, id); });
    alive_.push_back(this);
}

Screen::~Screen() {
    std::vector<std::unique_ptr<MenuBar>> bars = std::move(ownedBars_);
    ownedBars_.clear();
    bars.clear();
    timers_.reset();
    std::erase(alive_, this);
}

Screen* Screen::Current() {
    return Screens().empty() ? nullptr : Screens().back();
}

// --- Bookkeeping ------------------------------------------------------------------------------

void Screen::Register(HWND window) {
    WindowState& state = windows_[window];
    if (window->GetKind() != Window::Kind::MenuBar) {
        state.surface = QImage(kScreenWidth, kClientHeight, QImage::Format_RGB32);
        state.surface.fill(Qt::white);
    }
}

void Screen::Unregister(HWND window) {
    // The window is being destroyed: it receives no more messages. Its bars go with it (they
    // unregister themselves when the list no longer holds them).
    std::vector<std::unique_ptr<MenuBar>> bars;
    for (auto& bar : ownedBars_)
        if (bar && bar->Parent() == window) bars.push_back(std::move(bar));
    std::erase(ownedBars_, nullptr);
    bars.clear();
    timers_->KillAll(window);
    std::erase_if(posted_, [&](const PostedMessage& m) { return m.window == window; });
    std::erase(visibleBars_, window);
    if (focus_ == window) focus_ = nullptr;
    if (backOwner_ == window) backOwner_ = nullptr;
    if (WindowState* state = State(window); state && state->modalLoop) state->modalLoop->exit(0);
    const bool wasTop = Top() == window;
    std::erase(stack_, window);
    windows_.erase(window);
    if (wasTop && Top()) {
        Invalidate(Top(), nullptr, true);
        if (desktopFocused_) Activate(Top(), nullptr);
    }
    NotifyChanged();
}

void Screen::AdoptMenuBar(std::unique_ptr<MenuBar> bar) {
    ownedBars_.push_back(std::move(bar));
}

Screen::WindowState* Screen::State(HWND window) {
    auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : &found->second;
}

// --- Window stack -----------------------------------------------------------------------------

HWND Screen::Top() const {
    return stack_.empty() ? nullptr : stack_.back();
}

HWND Screen::TopApplicationWindow() const {
    const auto found = std::find_if(stack_.rbegin(), stack_.rend(), [](HWND window) {
        return window->GetKind() == Window::Kind::TopLevel;
    });
    return found != stack_.rend() ? *found : Top();
}

bool Screen::IsVisible(HWND window) const {
    if (!window) return false;
    if (window->GetKind() == Window::Kind::MenuBar)
        return std::find(visibleBars_.begin(), visibleBars_.end(), window) != visibleBars_.end();
    return std::find(stack_.begin(), stack_.end(), window) != stack_.end();
}

void Screen::Show(HWND window) {
    if (!State(window)) return;
    if (window->GetKind() == Window::Kind::MenuBar) {
        std::erase(visibleBars_, window);
        visibleBars_.push_back(window);
        NotifyChanged();
        return;
    }
    if (Top() == window) return;
    const HWND previous = Top();
    std::erase(stack_, window);
    stack_.push_back(window);
    // A window coming to the top has nothing of its own on the screen yet.
    Invalidate(window, nullptr, true);
    NotifyChanged();
    if (desktopFocused_) {
        if (previous) Deactivate(previous, window);
        if (Top() == window) Activate(window, previous);
    }
}

void Screen::Hide(HWND window) {
    if (!State(window)) return;
    if (window->GetKind() == Window::Kind::MenuBar) {
        std::erase(visibleBars_, window);
        NotifyChanged();
        return;
    }
    if (!IsVisible(window)) return;
    const bool wasTop = Top() == window;
    std::erase(stack_, window);
    if (focus_ == window) focus_ = nullptr;
    NotifyChanged();
    if (!wasTop) return;
    const HWND next = Top();
    if (next) Invalidate(next, nullptr, true);
    if (desktopFocused_) {
        Deactivate(window, next);
        if (next && Top() == next) Activate(next, window);
    }
}

void Screen::SetDesktopFocus(bool focused) {
    if (focused == desktopFocused_) return;
    desktopFocused_ = focused;
    if (const HWND top = Top()) {
        if (focused)
            Activate(top, nullptr);
        else
            Deactivate(top, nullptr);
    }
}

void Screen::Activate(HWND window, HWND other) {
    focus_ = window;
    SendMessage(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(other));
}

void Screen::Deactivate(HWND window, HWND other) {
    SendMessage(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(other));
}

HWND Screen::SetFocusWindow(HWND window) {
    const HWND previous = focus_;
    focus_ = window;
    return previous;
}

// --- Messages ---------------------------------------------------------------------------------

void Screen::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUIT) {
        PostQuit(static_cast<int>(wParam));
        return;
    }
    posted_.push_back(PostedMessage{window, message, wParam, lParam});
    SchedulePump();
}

void Screen::SchedulePump() {
    if (pumpScheduled_ || !QCoreApplication::instance()) return;
    pumpScheduled_ = true;
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            pumpScheduled_ = false;
            ProcessMessages();
        },
        Qt::QueuedConnection);
}

void Screen::ProcessMessages() {
    while (!quitCode_) {
        if (!posted_.empty()) {
            const PostedMessage message = posted_.front();
            posted_.pop_front();
            SendMessage(message.window, message.message, message.wParam, message.lParam);
            continue;
        }
        const HWND top = Top();
        WindowState* state = top ? State(top) : nullptr;
        if (state && !state->invalid.isEmpty()) {
            SendMessage(top, WM_PAINT, 0, 0);
            // A paint handler that did not begin painting leaves the window valid all the same.
            if (State(top)) Validate(top, nullptr);
            continue;
        }
        break;
    }
}

int Screen::RunMessageLoop() {
    if (!quitCode_) {
        QEventLoop loop;
        loops_.push_back(&loop);
        ProcessMessages();
        if (!quitCode_) loop.exec();
        loops_.pop_back();
    }
    return quitCode_.value_or(0);
}

void Screen::PostQuit(int exitCode) {
    if (!quitCode_) quitCode_ = exitCode;
    for (QEventLoop* loop : loops_) loop->exit(exitCode);
}

void Screen::RequestShutdown() {
    const HWND target =
        Active()
            ? (Active()->GetKind() == Window::Kind::TopLevel ? Active() : TopApplicationWindow())
            : TopApplicationWindow();
    if (target) {
        SendMessage(target, WM_QUIT, 0, 0);
        SendMessage(target, WM_CLOSE, 0, 0);
    }
    if (!quitCode_) PostQuit(0);
}

std::intptr_t Screen::RunModal(HWND dialog) {
    WindowState* state = State(dialog);
    if (!state) return -1;
    state->modalEnded = false;
    state->modalResult = 0;
    Show(dialog);
    if (modalDriver_) {
        modalDriver_(dialog);
    } else if (QCoreApplication::instance()) {
        QEventLoop loop;
        loops_.push_back(&loop);
        ProcessMessages();
        state = State(dialog);
        if (state && !state->modalEnded && !quitCode_) {
            // EndModal exits this loop; so does the end of the program.
            state->modalLoop = &loop;
            loop.exec();
            if ((state = State(dialog))) state->modalLoop = nullptr;
        }
        loops_.pop_back();
    }
    state = State(dialog);
    if (!state) return -1;
    Hide(dialog);
    if (state->modalEnded) return state->modalResult;
    // The program ends under the dialog (its window closed, a signal): the dialog is dismissed as
    // its Cancel key would, which is no failure to show it.
    return quitCode_ ? IDCANCEL : -1;
}

void Screen::EndModal(HWND dialog, std::intptr_t result) {
    WindowState* state = State(dialog);
    if (!state) return;
    state->modalEnded = true;
    state->modalResult = result;
    if (state->modalLoop) state->modalLoop->exit(0);
}

// --- Input ------------------------------------------------------------------------------------

namespace {
constexpr LPARAM kKeyWasDown = LPARAM{1} << 30;
constexpr LPARAM kKeyReleased = static_cast<LPARAM>(0xC0000001u);
}  // namespace

void Screen::KeyDown(UINT virtualKey, KeyRepeat repeat) {
    const HWND active = Active();
    if (!active) return;
    HWND target = active;
    for (HWND w = focus_; w; w = w->Parent())
        if (w == active) target = focus_;
    SendMessage(target, WM_KEYDOWN, virtualKey,
                1 | (repeat == KeyRepeat::Repeat ? kKeyWasDown : 0));
}

void Screen::KeyUp(UINT virtualKey) {
    const HWND active = Active();
    if (!active) return;
    HWND target = active;
    for (HWND w = focus_; w; w = w->Parent())
        if (w == active) target = focus_;
    SendMessage(target, WM_KEYUP, virtualKey, kKeyReleased);
}

void Screen::PressKey(UINT virtualKey) {
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

MenuBar* Screen::VisibleMenuBar(HWND window) const {
    if (!window) return nullptr;
    const auto found = std::find_if(visibleBars_.rbegin(), visibleBars_.rend(),
                                    [window](HWND bar) { return bar->Parent() == window; });
    return found != visibleBars_.rend() ? static_cast<MenuBar*>(*found) : nullptr;
}

void Screen::PressSoftKey(int index) {
    // A soft key without a button (a bar with one label) does nothing when pressed.
    if (MenuBar* bar = VisibleMenuBar(Active())) static_cast<void>(bar->Press(index));
}

void Screen::BackDown(KeyRepeat repeat) {
    const HWND active = Active();
    if (!active) return;
    if (MenuBar* bar = VisibleMenuBar(active); bar && bar->OverridesBack()) {
        if (bar->NotifiesBack()) {
            backOwner_ = active;
            SendMessage(active, WM_HOTKEY, 0, MAKELPARAM(0, VK_TBACK));
        }
        return;
    }
    if (repeat == KeyRepeat::Repeat) return;
    if (active->GetKind() == Window::Kind::Dialog) {
        SendMessage(active, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (stack_.size() >= 2) Show(stack_[stack_.size() - 2]);
}

void Screen::BackUp() {
    const HWND owner = std::exchange(backOwner_, nullptr);
    if (owner && State(owner)) SendMessage(owner, WM_HOTKEY, 0, MAKELPARAM(MOD_KEYUP, VK_TBACK));
}

void Screen::PressBack() {
    BackDown();
    BackUp();
}

// --- Timers -----------------------------------------------------------------------------------

void Screen::SetTimer(HWND window, UINT_PTR id, UINT elapseMs) {
    if (State(window)) timers_->Set(window, id, elapseMs);
}

bool Screen::KillTimer(HWND window, UINT_PTR id) {
    return timers_->Kill(window, id);
}

bool Screen::HasTimer(HWND window, UINT_PTR id) const {
    return timers_->Due(window, id).has_value();
}

std::optional<std::int64_t> Screen::TimerDue(HWND window, UINT_PTR id) const {
    return timers_->Due(window, id);
}

void Screen::DeliverTimer(HWND window, UINT_PTR id) {
    SendMessage(window, WM_TIMER, id, 0);
}

// --- Painting ---------------------------------------------------------------------------------

void Screen::Invalidate(HWND window, const RECT* rect, bool erase) {
    WindowState* state = State(window);
    if (!state) return;
    if (window->GetKind() == Window::Kind::MenuBar) {
        NotifyChanged();
        return;
    }
    const QRect area = rect ? ToQRect(*rect).intersected(kClientRect) : kClientRect;
    if (area.isEmpty()) return;
    state->invalid += area;
    state->erase = state->erase || erase;
    if (window == Top()) SchedulePump();
}

void Screen::Validate(HWND window, const RECT* rect) {
    WindowState* state = State(window);
    if (!state) return;
    if (rect)
        state->invalid -= ToQRect(*rect);
    else
        state->invalid = QRegion();
    if (state->invalid.isEmpty()) state->erase = false;
}

void Screen::Update(HWND window) {
    WindowState* state = State(window);
    if (!state || window != Top() || state->invalid.isEmpty()) return;
    SendMessage(window, WM_PAINT, 0, 0);
    if (State(window)) Validate(window, nullptr);
}

QRegion Screen::InvalidRegion(HWND window) const {
    auto found = windows_.find(window);
    return found == windows_.end() ? QRegion() : found->second.invalid;
}

bool Screen::EraseFlag(HWND window) const {
    auto found = windows_.find(window);
    return found != windows_.end() && found->second.erase;
}

Painter* Screen::BeginPaint(HWND window, PAINTSTRUCT* paint) {
    WindowState* state = State(window);
    if (!state || window->GetKind() == Window::Kind::MenuBar) return nullptr;
    const QRegion clip = state->invalid;
    const bool erase = state->erase;
    state->invalid = QRegion();
    state->erase = false;
    std::unique_ptr<Painter> painter = CreateQtPainter(&state->surface, clip);
    if (recorder_) painter = CreateRecordingPainter(*recorder_, std::move(painter), 0);
    state->painter = std::move(painter);
    paint->hdc = state->painter.get();
    const QRect bounds = clip.boundingRect();
    paint->rcPaint = RECT{bounds.left(), bounds.top(), bounds.left() + bounds.width(),
                          bounds.top() + bounds.height()};
    paint->fErase = FALSE;
    if (erase) {
        const LRESULT erased =
            SendMessage(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0);
        paint->fErase = erased ? FALSE : TRUE;
    }
    return paint->hdc;
}

void Screen::EndPaint(HWND window) {
    if (WindowState* state = State(window)) state->painter.reset();
    NotifyChanged();
}

std::unique_ptr<Painter> Screen::CreateWindowPainter(HWND window) {
    WindowState* state = State(window);
    if (!state || window->GetKind() == Window::Kind::MenuBar) return nullptr;
    std::unique_ptr<Painter> painter = CreateQtPainter(&state->surface);
    if (recorder_) painter = CreateRecordingPainter(*recorder_, std::move(painter), 0);
    NotifyChanged();
    return painter;
}

const QImage& Screen::Surface(HWND window) {
    WindowState* state = State(window);
    return state ? state->surface : noSurface_;
}

void Screen::NotifyChanged() {
    if (changed_) changed_();
}

}  // namespace velora::platform
