#include <gtest/gtest.h>

#include "platform/ui/clock.h"
#include "screen_test_support.h"

namespace velora::platform {
namespace {

using testing_support::LoggingWindow;
using Log = std::vector<std::string>;

class ScreenTest : public ::testing::Test {
  protected:
    ScreenTest() : screen_(std::make_unique<TestClock>()) {}

    // Messages of the log that are not paint traffic.
    Log WithoutPaint() const {
        Log result;
        for (const std::string& line : log_)
            if (line.find("PAINT") == std::string::npos &&
                line.find("ERASEBKGND") == std::string::npos)
                result.push_back(line);
        return result;
    }

    Screen screen_;
    Log log_;
    LoggingWindow inbox_{screen_, "Inbox", log_};
    LoggingWindow reader_{screen_, "Reader", log_};
};

TEST_F(ScreenTest, ShowingOverAWindowDeactivatesItFirstAndHidingActivatesTheOneBelow) {
    ShowWindow(&inbox_, SW_SHOW);
    ShowWindow(&reader_, SW_SHOW);
    EXPECT_EQ(GetActiveWindow(), &reader_);
    ShowWindow(&reader_, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), &inbox_);
    const Log expected = {"Inbox ACTIVE", "Inbox INACTIVE other=Reader",
                          "Reader ACTIVE other=Inbox", "Reader INACTIVE other=Inbox",
                          "Inbox ACTIVE other=Reader"};
    EXPECT_EQ(WithoutPaint(), expected);
}

TEST_F(ScreenTest, BackWithoutOverrideSendsTheTopWindowBehindAndCancelsADialog) {
    LoggingWindow dialog(screen_, "Dialog", log_, Window::Kind::Dialog);
    ShowWindow(&inbox_, SW_SHOW);
    ShowWindow(&reader_, SW_SHOW);
    log_.clear();
    screen_.PressBack();
    EXPECT_EQ(screen_.Top(), &inbox_);
    screen_.PressBack();  // back and forth between the two
    EXPECT_EQ(screen_.Top(), &reader_);

    ShowWindow(&dialog, SW_SHOW);
    log_.clear();
    screen_.PressBack();
    EXPECT_EQ(WithoutPaint(), Log{"Dialog COMMAND 2"});
}

TEST_F(ScreenTest, InvalidRegionsAccumulateWithTheEraseFlagAndUpdatePaintsAtOnceClipped) {
    ShowWindow(&inbox_, SW_SHOW);
    screen_.ProcessMessages();  // the first paint
    log_.clear();
    const RECT word{0, 0, 176, 39};
    const RECT status{3, 156, 173, 177};
    InvalidateRect(&inbox_, &word, FALSE);
    InvalidateRect(&inbox_, &status, TRUE);
    EXPECT_TRUE(screen_.EraseFlag(&inbox_));
    QRegion expectedRegion = QRegion(0, 0, 176, 39) + QRegion(3, 156, 170, 21);
    EXPECT_EQ(screen_.InvalidRegion(&inbox_), expectedRegion);

    RECT painted{};
    BOOL eraseLeft = TRUE;
    inbox_.onMessage = [&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_PAINT) return std::nullopt;
        PAINTSTRUCT paint;
        Painter* painter = BeginPaint(&inbox_, &paint);
        painted = paint.rcPaint;
        eraseLeft = paint.fErase;
        painter->FillRect(RECT{0, 0, 176, 180}, RGB(0, 0, 255));  // clipped to the region
        EndPaint(&inbox_, &paint);
        return 0;
    };
    UpdateWindow(&inbox_);
    EXPECT_EQ(log_, (Log{"Inbox PAINT", "Inbox ERASEBKGND"}));
    EXPECT_EQ(painted, (RECT{0, 0, 176, 177}));
    EXPECT_EQ(eraseLeft, FALSE);
    EXPECT_TRUE(screen_.InvalidRegion(&inbox_).isEmpty());

    const QImage& surface = screen_.Surface(&inbox_);
    EXPECT_EQ(surface.pixel(10, 100), qRgb(255, 255, 255));  // outside: untouched
}

TEST_F(ScreenTest, ShutdownEndsTheLoopEvenWhenCloseIsNotHandled) {
    ShowWindow(&inbox_, SW_SHOW);
    screen_.SetDesktopFocus(false);  // the desktop window was closed from elsewhere
    screen_.RequestShutdown();
    EXPECT_TRUE(screen_.QuitPosted());
    EXPECT_EQ(WithoutPaint().back(), "Inbox CLOSE");
}

TEST_F(ScreenTest, DestroyingTheTopWindowActivatesTheOneBelowWithoutMessagingTheDeadOne) {
    ShowWindow(&inbox_, SW_SHOW);
    {
        LoggingWindow temporary(screen_, "Temporary", log_);
        ShowWindow(&temporary, SW_SHOW);
        log_.clear();
    }
    EXPECT_EQ(WithoutPaint(), Log{"Inbox ACTIVE"});
    EXPECT_EQ(GetActiveWindow(), &inbox_);
}

}  // namespace
}  // namespace velora::platform
