// Pictures of the device screen through the real painter, written as PNG files to the current
// folder (the build tree when run by CTest), and checked for crisp whole-pixel scaling.

#include "platform/desktop/device_screen.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>

#include "harness/fake_resources.h"
#include "platform/ui/clock.h"
#include "platform/ui/menu_bar.h"
#include "screen_test_support.h"

namespace velora::platform {
namespace {

// Bar 300: "Options" (command 40014) and a "Menu" drop-down.
testing::FakeResources BarResources() {
    testing::FakeResources resources;
    resources.strings = {{205, u"Options"}, {206, u"Menu"}};
    resources.menus[300] = {{{MenuItem{309, u"Go to Top", false}}}};
    resources.bars[300] = {300,    2,      0xFFFE, 40014, 4,    0x10, 205, 0,
                           0xFFFF, 0xFFFE, 0,      4,     0x18, 206,  0,   0};
    return resources;
}

// A window painting what a reader shows: the word off-screen then copied, the colour bar and the
// status box.
class SampleWindow : public Window {
  public:
    explicit SampleWindow(Screen& screen) : Window(screen, u"Velora Message") {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_PAINT) return DefWindowProc(message, wParam, lParam);
        PAINTSTRUCT paint;
        Painter* dc = BeginPaint(this, &paint);
        std::unique_ptr<Painter> memory = dc->CreateCompatiblePainter();
        memory->SelectBitmap(dc->CreateCompatibleBitmap(176, 39));
        memory->SelectFont(CreateFontIndirect(LogFont{kDeviceFontHeight, FW_NORMAL, false, u""}));
        memory->FillRect(RECT{0, 0, 176, 39}, RGB(255, 255, 255));
        RECT word{0, 0, 176, 39};
        memory->DrawText(u"Speedy", &word, DT_CENTER | DT_SINGLELINE);
        dc->BitBlt(0, 0, 176, 39, memory.get(), 0, 0, SRCCOPY);
        dc->FillRect(RECT{0, 39, 177, 49}, RGB(120, 135, 0));
        dc->SelectPen(CreatePen(1, GetSysColor(COLOR_HIGHLIGHT)));
        dc->SelectBrush(CreateSolidBrush(GetSysColor(COLOR_MENU)));
        dc->RoundRect(3, 156, 173, 177, 10, 10);
        dc->SetBkMode(TRANSPARENT);
        dc->TextOut(15, 158, u"WPM: 312");
        dc->TextOut(108, 158, u"POS: 42%");
        EndPaint(this, &paint);
        return 0;
    }
};

TEST(DeviceScreen, ComposedScreenHasCaptionClientAndSoftKeysAndScalesCrisply) {
    testing_support::GuiApplication();
    Screen screen(std::make_unique<TestClock>());
    SampleWindow window(screen);
    const testing::FakeResources resources = BarResources();
    ShowWindow(&window, SW_SHOW);
    ASSERT_NE(testing::CreateMenuBar(&window, 300, &resources), nullptr);
    screen.ProcessMessages();

    const QImage picture = screen.Compose();
    ASSERT_EQ(picture.size(), QSize(176, 220));
    EXPECT_EQ(picture.pixel(100, 20 + 44), qRgb(120, 135, 0));  // the bar, below the caption

    DeviceScreenWidget widget(screen, 3);
    const QImage scaled = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(scaled.size(), QSize(528, 660));
    // Every phone pixel is a 3 x 3 square of one colour.
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 176; ++x)
            for (int dy = 0; dy < 3; ++dy)
                for (int dx = 0; dx < 3; ++dx)
                    ASSERT_EQ(scaled.pixel(x * 3 + dx, y * 3 + dy), picture.pixel(x, y))
                        << x << "," << y;
    const QString folder = QDir::currentPath() + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    EXPECT_TRUE(scaled.save(folder + QStringLiteral("/device_screen_3x.png")));
}

TEST(DeviceScreen, KeysAndSoftKeyClicksReachTheScreen) {
    testing_support::GuiApplication();
    Screen screen(std::make_unique<TestClock>());
    std::vector<std::string> log;
    testing_support::LoggingWindow window(screen, "W", log);
    const testing::FakeResources resources = BarResources();
    ShowWindow(&window, SW_SHOW);
    ASSERT_NE(testing::CreateMenuBar(&window, 300, &resources), nullptr);
    DeviceScreenWidget widget(screen, 2);
    log.clear();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &enter);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(20, 215 * 2), QPointF(20, 215 * 2),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &click);
    const std::vector<std::string> expected = {"W KEYDOWN 13", "W KEYUP 13", "W COMMAND 40014"};
    EXPECT_EQ(log, expected);
}

}  // namespace
}  // namespace velora::platform
