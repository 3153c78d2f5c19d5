#pragma once
// The window timers of one screen on one queue: armed by (window, id), each with its due time on
// the clock's scale. The queue keeps exactly one wake-up scheduled with its clock (none when no
// timer is armed) and, when woken, delivers every timer that is due, earliest first (ties in the
// order they were armed), through the delivery function. The timing rule is window.h's.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/ui/clock.h"

namespace velora::platform {

class TimerQueue {
  public:
    using Delivery = std::function<void(HWND window, UINT_PTR id)>;

    TimerQueue(Clock& clock, Delivery deliver);
    ~TimerQueue();

    void Set(HWND window, UINT_PTR id, UINT periodMs);
    [[nodiscard]] bool Kill(HWND window, UINT_PTR id);
    void KillAll(HWND window);
    [[nodiscard]] std::optional<std::int64_t> Due(HWND window, UINT_PTR id) const;
    bool Empty() const { return timers_.empty(); }
    // Delivers every timer due now (the clock's wake-up calls it).
    void FireDue();

  private:
    struct Timer {
        HWND window;
        UINT_PTR id;
        std::int64_t period;
        std::int64_t due;
        std::uint64_t order;
    };
    // The time a timer armed now counts from.
    std::int64_t Base() const;
    void Reschedule();

    Clock& clock_;
    Delivery deliver_;
    std::vector<Timer> timers_;
    std::uint64_t nextOrder_ = 0;
    std::optional<std::int64_t> handlingDue_;  // due time of the timer being delivered
    bool firing_ = false;
};

}  // namespace velora::platform
