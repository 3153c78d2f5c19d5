#include "platform/ui/timer_queue.h"

#include <algorithm>

#include "platform/ui/window.h"

namespace velora::platform {

TimerQueue::TimerQueue(Clock& clock, Delivery deliver)
    : clock_(clock), deliver_(std::move(deliver)) {
    clock_.SetWakeupHandler([this] { FireDue(); });
}

TimerQueue::~TimerQueue() {
    clock_.CancelWakeup();
    clock_.SetWakeupHandler({});
}

std::int64_t TimerQueue::Base() const {
    const std::int64_t now = clock_.NowMs();
    if (handlingDue_ && now - *handlingDue_ <= kTimerCatchUpLimitMs) return *handlingDue_;
    return now;
}

void TimerQueue::Set(HWND window, UINT_PTR id, UINT periodMs) {
    const std::int64_t period = std::max<std::int64_t>(periodMs, 1);
    const std::int64_t due = Base() + period;
    auto found = std::find_if(timers_.begin(), timers_.end(),
                              [&](const Timer& t) { return t.window == window && t.id == id; });
    if (found != timers_.end()) {
        found->period = period;
        found->due = due;
        found->order = nextOrder_++;
    } else {
        timers_.push_back(Timer{window, id, period, due, nextOrder_++});
    }
    if (!firing_) Reschedule();
}

bool TimerQueue::Kill(HWND window, UINT_PTR id) {
    auto found = std::find_if(timers_.begin(), timers_.end(),
                              [&](const Timer& t) { return t.window == window && t.id == id; });
    if (found == timers_.end()) return false;
    timers_.erase(found);
    if (!firing_) Reschedule();
    return true;
}

void TimerQueue::KillAll(HWND window) {
    std::erase_if(timers_, [&](const Timer& t) { return t.window == window; });
    if (!firing_) Reschedule();
}

std::optional<std::int64_t> TimerQueue::Due(HWND window, UINT_PTR id) const {
    for (const Timer& t : timers_)
        if (t.window == window && t.id == id) return t.due;
    return std::nullopt;
}

void TimerQueue::FireDue() {
    if (firing_) return;  // a nested event loop inside a handler: the outer call goes on
    firing_ = true;
    for (;;) {
        const std::int64_t now = clock_.NowMs();
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->due > now) continue;
            if (next == timers_.end() || it->due < next->due ||
                (it->due == next->due && it->order < next->order))
                next = it;
        }
        if (next == timers_.end()) break;
        const HWND window = next->window;
        const UINT_PTR id = next->id;
        const std::int64_t due = next->due;
        // The next expiry of a repeating timer counts from this one's due time; a timer that
        // fell behind by more than the catch-up limit starts again from now (no burst).
        next->due = due + next->period;
        if (now - due > kTimerCatchUpLimitMs) next->due = now + next->period;
        next->order = nextOrder_++;
        handlingDue_ = due;
        deliver_(window, id);
        handlingDue_.reset();
    }
    firing_ = false;
    Reschedule();
}

void TimerQueue::Reschedule() {
    if (timers_.empty()) {
        clock_.CancelWakeup();
        return;
    }
    std::int64_t earliest = timers_.front().due;
    for (const Timer& t : timers_) earliest = std::min(earliest, t.due);
    clock_.ScheduleWakeup(earliest);
}

}  // namespace velora::platform
