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
    ShowWindow(&reader_, SW_SHOW);
    EXPECT_EQ(ShowWindow(&inbox_, SW_SHOW), TRUE);  // was visible, under the reader: brought up
    EXPECT_EQ(screen_.Top(), &inbox_);
    EXPECT_TRUE(IsWindowVisible(&reader_));
    ShowWindow(&inbox_, SW_SHOW);  // already on top: nothing
    const Log expected = {"Inbox ACTIVE",
                          "Inbox INACTIVE other=Reader",
                          "Reader ACTIVE other=Inbox",
                          "Reader INACTIVE other=Inbox",
                          "Inbox ACTIVE other=Reader",
                          "Inbox INACTIVE other=Reader",
                          "Reader ACTIVE other=Inbox",
                          "Reader INACTIVE other=Inbox",
                          "Inbox ACTIVE other=Reader"};
    EXPECT_EQ(WithoutPaint(), expected);
}

// Keys go to the active window, as key down then key up; none while the desktop has no focus.
TEST_F(ScreenTest, DesktopFocusLossDeactivatesAndRegainReactivatesTheTopWindow) {
    screen_.SetDesktopFocus(false);
    ShowWindow(&inbox_, SW_SHOW);  // activated only on regain
    EXPECT_TRUE(WithoutPaint().empty());
    screen_.SetDesktopFocus(true);
    EXPECT_EQ(WithoutPaint(), Log{"Inbox ACTIVE"});
    log_.clear();
    screen_.SetDesktopFocus(false);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    screen_.SetDesktopFocus(false);  // no second deactivation
    screen_.PressKey(VK_RETURN);
    screen_.SetDesktopFocus(true);
    screen_.PressKey(VK_LEFT);
    EXPECT_EQ(WithoutPaint(),
              (Log{"Inbox INACTIVE", "Inbox ACTIVE", "Inbox KEYDOWN 37", "Inbox KEYUP 37"}));
    EXPECT_EQ(GetActiveWindow(), &inbox_);
}

TEST_F(ScreenTest, BackWithoutOverrideSendsTheTopWindowBehindAndCancelsADialog) {
    LoggingWindow dialog(screen_, "Dialog", log_, Window::Kind::Dialog);
    ShowWindow(&inbox_, SW_SHOW);
    ShowWindow(&reader_, SW_SHOW);
    log_.clear();
    screen_.PressBack();
    EXPECT_EQ(screen_.Top(), &inbox_);
    EXPECT_EQ(screen_.Stack().size(), 2u);
    screen_.PressBack();  // back and forth between the two
    EXPECT_EQ(screen_.Top(), &reader_);

    ShowWindow(&dialog, SW_SHOW);
    log_.clear();
    screen_.PressBack();
    EXPECT_EQ(WithoutPaint(), Log{"Dialog COMMAND 2"});

    // A lone window stays.
    ShowWindow(&dialog, SW_HIDE);
    ShowWindow(&reader_, SW_HIDE);
    screen_.PressBack();
    EXPECT_EQ(screen_.Top(), &inbox_);
}

TEST_F(ScreenTest, InvalidRegionsAccumulateWithTheEraseFlagAndUpdatePaintsAtOnceClipped) {
    ShowWindow(&inbox_, SW_SHOW);
    screen_.ProcessMessages();  // the first paint
    log_.clear();
    const RECT word{0, 0, 176, 39};
    const RECT status{3, 156, 173, 177};
    InvalidateRect(&inbox_, &word, FALSE);
    EXPECT_FALSE(screen_.EraseFlag(&inbox_));
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
    EXPECT_EQ(surface.pixel(10, 10), qRgb(0, 0, 255));
    EXPECT_EQ(surface.pixel(3, 156), qRgb(0, 0, 255));
    EXPECT_EQ(surface.pixel(10, 100), qRgb(255, 255, 255));  // outside: untouched
    EXPECT_EQ(surface.pixel(175, 39), qRgb(255, 255, 255));

    log_.clear();
    UpdateWindow(&inbox_);  // nothing invalid: no paint
    EXPECT_TRUE(log_.empty());
}

TEST_F(ScreenTest, NothingInvalidatedOutsideTheClientAreaAndCoveredWindowsAreNotPainted) {
    ShowWindow(&inbox_, SW_SHOW);
    ShowWindow(&reader_, SW_SHOW);
    screen_.ProcessMessages();
    log_.clear();
    const RECT outside{0, 200, 176, 220};
    InvalidateRect(&reader_, &outside, TRUE);
    EXPECT_TRUE(screen_.InvalidRegion(&reader_).isEmpty());
    InvalidateRect(&inbox_, nullptr, TRUE);  // covered by the reader
    UpdateWindow(&inbox_);
    screen_.ProcessMessages();
    EXPECT_TRUE(log_.empty());
    // Coming forward, it is painted whole.
    ShowWindow(&reader_, SW_HIDE);
    log_.clear();
    screen_.ProcessMessages();
    EXPECT_EQ(log_, (Log{"Inbox PAINT", "Inbox ERASEBKGND"}));
}

TEST_F(ScreenTest, PostedMessagesRunInOrderBeforeThePendingPaint) {
    ShowWindow(&inbox_, SW_SHOW);
    log_.clear();
    EXPECT_TRUE(PostMessage(&inbox_, WM_COMMAND, 320, 0));
    EXPECT_TRUE(PostMessage(&inbox_, WM_COMMAND, 321, 0));
    screen_.ProcessMessages();
    const Log expected = {"Inbox COMMAND 320", "Inbox COMMAND 321", "Inbox PAINT",
                          "Inbox ERASEBKGND"};
    EXPECT_EQ(log_, expected);
}

TEST_F(ScreenTest, ShutdownSendsQuitThenCloseToTheActiveWindowAndEndsTheLoop) {
    ShowWindow(&inbox_, SW_SHOW);
    ShowWindow(&reader_, SW_SHOW);
    log_.clear();
    reader_.onMessage = [](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_CLOSE) return std::nullopt;
        PostQuitMessage(0);
        return 0;
    };
    screen_.RequestShutdown();
    EXPECT_EQ(log_, (Log{"Reader QUIT", "Reader CLOSE"}));
    EXPECT_TRUE(screen_.QuitPosted());
    EXPECT_EQ(screen_.RunMessageLoop(), 0);
    // The client area lies between the caption and the soft keys.
    RECT client{};
    GetClientRect(&reader_, &client);
    EXPECT_EQ(client, (RECT{0, 0, 176, 180}));
}

TEST_F(ScreenTest, ShutdownEndsTheLoopEvenWhenCloseIsNotHandled) {
    ShowWindow(&inbox_, SW_SHOW);
    screen_.SetDesktopFocus(false);  // the desktop window was closed from elsewhere
    screen_.RequestShutdown();
    EXPECT_TRUE(screen_.QuitPosted());
    EXPECT_EQ(WithoutPaint().back(), "Inbox CLOSE");
}

TEST_F(ScreenTest, ModalDialogRunsUntilEndedAndGivesBackTheResult) {
    LoggingWindow dialog(screen_, "Dialog", log_, Window::Kind::Dialog);
    ShowWindow(&inbox_, SW_SHOW);
    screen_.SetModalDriver([&](HWND shown) {
        EXPECT_EQ(GetActiveWindow(), shown);
        screen_.EndModal(shown, 7);
    });
    EXPECT_EQ(screen_.RunModal(&dialog), 7);
    EXPECT_EQ(GetActiveWindow(), &inbox_);
    EXPECT_FALSE(IsWindowVisible(&dialog));
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
