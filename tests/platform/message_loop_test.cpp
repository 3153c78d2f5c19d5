// The Qt-driven paths: the message loop, a nested modal loop and the shutdown signals. Each runs
// the event loop only until something already queued ends it; nothing waits for time to pass.

#include <gtest/gtest.h>

#include <QTimer>
#include <csignal>

#include "platform/desktop/device_screen.h"
#include "platform/ui/clock.h"
#include "screen_test_support.h"

namespace velora::platform {
namespace {

using testing_support::LoggingWindow;
using Log = std::vector<std::string>;

class MessageLoopTest : public ::testing::Test {
  protected:
    MessageLoopTest() {
        testing_support::GuiApplication();
        ShowWindow(&window_, SW_SHOW);
        window_.onMessage = [](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_CLOSE || (message == WM_COMMAND && wParam == 99)) {
                PostQuitMessage(message == WM_CLOSE ? 0 : 3);
                return 0;
            }
            return std::nullopt;
        };
    }

    Screen screen_{std::make_unique<TestClock>()};
    Log log_;
    LoggingWindow window_{screen_, "W", log_};
};

TEST_F(MessageLoopTest, PostedMessagesAndPaintsRunInTheLoopUntilPostQuitMessage) {
    EXPECT_TRUE(PostMessage(&window_, WM_COMMAND, 5, 0));
    EXPECT_TRUE(PostMessage(&window_, WM_COMMAND, 99, 0));
    EXPECT_TRUE(PostMessage(&window_, WM_COMMAND, 6, 0));  // after the quit: never dispatched
    EXPECT_EQ(screen_.RunMessageLoop(), 3);
    const Log expected = {"W ACTIVE", "W COMMAND 5", "W COMMAND 99"};
    EXPECT_EQ(log_, expected);
}

TEST_F(MessageLoopTest, NestedModalLoopEndsWithEndModal) {
    LoggingWindow dialog(screen_, "D", log_, Window::Kind::Dialog);
    QTimer::singleShot(0, [&] { screen_.EndModal(&dialog, 42); });
    EXPECT_EQ(screen_.RunModal(&dialog), 42);
}

TEST_F(MessageLoopTest, SigtermShutsDownThroughTheActiveWindow) {
    const ShutdownSignals shutdownSignals(screen_);
    std::raise(SIGTERM);  // handled: a byte in the pipe, read by the loop
    const int code = screen_.RunMessageLoop();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(log_, (Log{"W ACTIVE", "W PAINT", "W ERASEBKGND", "W QUIT", "W CLOSE"}));
}

}  // namespace
}  // namespace velora::platform
