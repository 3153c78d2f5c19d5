#include "platform/ui/clock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace velora::platform {

void TestClock::Advance(std::int64_t ms) {
    const std::int64_t target = now_ + std::max<std::int64_t>(ms, 0);
    while (wakeup_ && *wakeup_ <= target) {
        now_ = std::max(now_, *wakeup_);
        wakeup_.reset();
        Wake();  // the queue fires what is due and schedules its next wake-up
    }
    now_ = std::max(now_, target);
}

namespace {

class RealClock : public Clock {
  public:
    RealClock() {
        elapsed_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Wake(); });
    }

    std::int64_t NowMs() const override { return elapsed_.elapsed(); }

    void ScheduleWakeup(std::int64_t atMs) override {
        const std::int64_t wait = std::max<std::int64_t>(atMs - NowMs(), 0);
        timer_.start(static_cast<int>(std::min<std::int64_t>(wait, 0x7FFFFFFF)));
    }

    void CancelWakeup() override { timer_.stop(); }

  private:
    QElapsedTimer elapsed_;
    QTimer timer_;
};

}  // namespace

std::unique_ptr<Clock> CreateRealClock() {
    return std::make_unique<RealClock>();
}

}  // namespace velora::platform
