#include <gtest/gtest.h>

#include "platform/ui/clock.h"
#include "screen_test_support.h"

namespace velora::platform {
namespace {

using testing_support::LoggingWindow;

class TimerTest : public ::testing::Test {
  protected:
    TimerTest()
        : screen_(std::make_unique<TestClock>()),
          clock_(static_cast<TestClock&>(screen_.GetClock())) {
        window_.onMessage = [this](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_TIMER) fired_.push_back({static_cast<int>(wParam), clock_.NowMs()});
            if (message == WM_TIMER && onTimer) onTimer(static_cast<int>(wParam));
            return std::nullopt;
        };
    }

    Screen screen_;
    TestClock& clock_;
    std::vector<std::string> log_;
    LoggingWindow window_{screen_, "w", log_};
    std::vector<std::pair<int, std::int64_t>> fired_;  // id, time
    std::function<void(int id)> onTimer;
};

TEST_F(TimerTest, FireInDueOrderWithTiesInArmingOrderAndRepeat) {
    SetTimer(&window_, 5, 30);
    SetTimer(&window_, 7, 10);
    SetTimer(&window_, 2, 30);
    clock_.Advance(60);
    const std::vector<std::pair<int, std::int64_t>> expected = {
        {7, 10}, {7, 20}, {5, 30}, {2, 30}, {7, 30}, {7, 40}, {7, 50}, {5, 60}, {2, 60}, {7, 60}};
    EXPECT_EQ(fired_, expected);
}

TEST_F(TimerTest, SettingAnArmedIdRearmsItFromNowAndKillStopsIt) {
    SetTimer(&window_, 1, 100);
    clock_.Advance(80);
    SetTimer(&window_, 1, 100);  // re-armed: due at 180, not 100
    clock_.Advance(99);
    EXPECT_TRUE(fired_.empty());
    clock_.Advance(1);
    EXPECT_EQ(fired_, (decltype(fired_){{1, 180}}));
    EXPECT_TRUE(KillTimer(&window_, 1));
    EXPECT_FALSE(KillTimer(&window_, 1));
}

// The reader's play cycle: each one-shot handler kills its timer, spends time painting, then
// arms the other timer. The next word must come when the previous one was due plus its delay.
TEST_F(TimerTest, OneShotChainCountsFromTheDueTimeNotFromAfterTheHandler) {
    onTimer = [this](int id) {
        EXPECT_TRUE(KillTimer(&window_, static_cast<UINT_PTR>(id)));
        clock_.Spend(7);  // painting
        SetTimer(&window_, id == 1 ? 2 : 1, id == 1 ? 200 : 50);
    };
    SetTimer(&window_, 1, 10);
    clock_.Advance(10 + 4 * 250);
    std::vector<std::int64_t> times;
    for (const auto& [id, at] : fired_) times.push_back(at);
    const std::vector<std::int64_t> expected = {10, 210, 260, 460, 510, 710, 760, 960, 1010};
    EXPECT_EQ(times, expected);
}

TEST_F(TimerTest, AHandlerHeldUpBeyondTheLimitCountsFromNow) {
    onTimer = [this](int id) {
        EXPECT_TRUE(KillTimer(&window_, static_cast<UINT_PTR>(id)));
        if (id == 1) {
            clock_.Spend(kTimerCatchUpLimitMs + 1);
            SetTimer(&window_, 2, 100);
        }
    };
    SetTimer(&window_, 1, 10);
    clock_.Advance(10);
    EXPECT_EQ(screen_.TimerDue(&window_, 2), 10 + kTimerCatchUpLimitMs + 1 + 100);
}

TEST_F(TimerTest, TimersOfADestroyedWindowAreGone) {
    {
        LoggingWindow other(screen_, "other", log_);
        SetTimer(&other, 1, 10);
        SetTimer(&window_, 1, 20);
    }
    clock_.Advance(30);
    EXPECT_EQ(fired_, (decltype(fired_){{1, 20}}));
}

}  // namespace
}  // namespace velora::platform
