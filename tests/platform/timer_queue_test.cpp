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
    ASSERT_EQ(fired_.size(), 1u);
    EXPECT_EQ(fired_[0].second, 180);
    EXPECT_TRUE(KillTimer(&window_, 1));
    EXPECT_FALSE(KillTimer(&window_, 1));
    clock_.Advance(1000);
    EXPECT_EQ(fired_.size(), 1u);
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

    // Within the limit the due time still counts.
    fired_.clear();
    onTimer = [this](int id) {
        EXPECT_TRUE(KillTimer(&window_, static_cast<UINT_PTR>(id)));
        clock_.Spend(kTimerCatchUpLimitMs);
        if (id == 3) SetTimer(&window_, 4, 100);
    };
    const std::int64_t start = clock_.NowMs();
    SetTimer(&window_, 3, 10);
    clock_.Advance(10);
    EXPECT_EQ(screen_.TimerDue(&window_, 4), start + 10 + 100);
}

// Outside a handler a timer counts from now; with none armed there is nothing to wake up for.
TEST_F(TimerTest, ATimerArmedOutsideAHandlerCountsFromNow) {
    EXPECT_FALSE(clock_.PendingWakeup());
    clock_.Spend(13);
    SetTimer(&window_, 9, 4000);
    EXPECT_EQ(screen_.TimerDue(&window_, 9), 13 + 4000);
    EXPECT_EQ(clock_.PendingWakeup(), 13 + 4000);
    EXPECT_TRUE(KillTimer(&window_, 9));
    EXPECT_FALSE(clock_.PendingWakeup());
}

TEST_F(TimerTest, ARepeatingTimerThatFellBehindFiresOnceAndDoesNotBurst) {
    SetTimer(&window_, 7, 500);
    clock_.Spend(2000);  // the program was busy for 2 s
    clock_.Advance(0);
    ASSERT_EQ(fired_.size(), 1u);
    EXPECT_EQ(screen_.TimerDue(&window_, 7), 2000 + 500);
}

TEST_F(TimerTest, TimersOfADestroyedWindowAreGone) {
    {
        LoggingWindow other(screen_, "other", log_);
        SetTimer(&other, 1, 10);
        SetTimer(&window_, 1, 20);
    }
    clock_.Advance(30);
    ASSERT_EQ(fired_.size(), 1u);
    EXPECT_EQ(fired_[0].second, 20);
}

}  // namespace
}  // namespace velora::platform
