#pragma once
// The time source behind the window timers. The timer queue asks its clock to wake it at the
// earliest due time; the clock calls back when that time has come. The real clock sleeps in the Qt
// event loop (one precise single-shot QTimer, stopped when no timer is armed: nothing wakes the
// program while it is paused). The test clock never sleeps: the test moves time with Advance.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace velora::platform {

class Clock {
  public:
    using WakeupHandler = std::function<void()>;

    virtual ~Clock() = default;
    // Milliseconds on a monotonic scale (the origin is the clock's own).
    virtual std::int64_t NowMs() const = 0;
    // Call `handler` once when NowMs() reaches `atMs` (at once, from the event loop, if it has
    // already). A later call replaces the earlier wake-up.
    virtual void ScheduleWakeup(std::int64_t atMs) = 0;
    virtual void CancelWakeup() = 0;
    // Set by the timer queue that owns this clock.
    void SetWakeupHandler(WakeupHandler handler) { handler_ = std::move(handler); }

  protected:
    void Wake() {
        if (handler_) handler_();
    }

  private:
    WakeupHandler handler_;
};

// Steady time driven by the Qt event loop; needs a QCoreApplication to fire.
std::unique_ptr<Clock> CreateRealClock();

// Manual time for tests, starting at 0.
class TestClock : public Clock {
  public:
    std::int64_t NowMs() const override { return now_; }
    void ScheduleWakeup(std::int64_t atMs) override { wakeup_ = atMs; }
    void CancelWakeup() override { wakeup_.reset(); }

    // Moves time forward by `ms`, stopping at every wake-up on the way so that due timers fire in
    // due-time order, synchronously, with NowMs() equal to their due time.
    void Advance(std::int64_t ms);
    // Moves time forward without firing anything: time spent inside a message handler (painting,
    // loading). Timers that fall due meanwhile fire at the next Advance.
    void Spend(std::int64_t ms) { now_ += ms; }
    [[nodiscard]] std::optional<std::int64_t> PendingWakeup() const { return wakeup_; }

  private:
    std::int64_t now_ = 0;
    std::optional<std::int64_t> wakeup_;
};

}  // namespace velora::platform
