#include "platform/ui/menu_bar.h"

#include <gtest/gtest.h>

#include "harness/fake_resources.h"
#include "platform/ui/clock.h"
#include "screen_test_support.h"

namespace velora::platform {
namespace {

using testing_support::LoggingWindow;
using Log = std::vector<std::string>;

// Two bars in the shell's format: 50 ("Go" command 40014 / "Menu" drop-down of menu 50's first
// pop-up) and 51 ("Done" 1 / "Defaults" 2), and a bar 52 whose pop-up index is out of range.
testing::FakeResources BarResources() {
    testing::FakeResources resources;
    resources.strings = {{108, u"Go"}, {206, u"Menu"}, {207, u"Done"}, {209, u"Defaults"}};
    resources.bars[50] = {50,     2,      0xFFFE, 40014, 4,    0x10, 108, 0,
                          0xFFFF, 0xFFFE, 0,      4,     0x18, 206,  0,   0};
    resources.bars[51] = {51,     2,      0xFFFE, 1, 4,    0x10, 207, 0,
                          0xFFFF, 0xFFFE, 2,      4, 0x10, 209,  0,   0xFFFF};
    resources.bars[52] = {52, 2, 0xFFFE, 1, 4, 0x10, 207, 0, 0xFFFF, 0xFFFE, 0, 4, 0x18, 206, 0, 3};
    resources.bars[53] = {53, 2, 0xFFFE, 1};  // cut short
    resources.menus[50].popups = {
        {MenuItem{320, u"Reload", false}, MenuItem{0, u"", true}, MenuItem{301, u"About", false}}};
    resources.menus[52] = resources.menus[50];
    return resources;
}

class MenuBarTest : public ::testing::Test {
  protected:
    MenuBarTest() : screen_(std::make_unique<TestClock>()) { ShowWindow(&window_, SW_SHOW); }

    HWND CreateBar(UINT id) { return testing::CreateMenuBar(&window_, id, &resources_); }

    Log Commands() const {
        Log result;
        for (const std::string& line : log_)
            if (line.find("PAINT") == std::string::npos &&
                line.find("ERASE") == std::string::npos && line.find("ACTIVE") == std::string::npos)
                result.push_back(line);
        return result;
    }

    ProgramServices services_;
    MenuBarServices& menuBars_ = services_.Get<MenuBarServices>();
    testing::FakeResources resources_ = BarResources();
    Screen screen_;
    Log log_;
    LoggingWindow window_{screen_, "W", log_};
};

TEST_F(MenuBarTest, SoftKeysOfTheVisibleBarSendTheirCommands) {
    HWND reader = CreateBar(50);
    HWND options = CreateBar(51);
    ShowWindow(options, SW_HIDE);
    screen_.PressSoftKey(0);
    ShowWindow(reader, SW_HIDE);
    ShowWindow(options, SW_SHOW);
    screen_.PressSoftKey(0);
    screen_.PressSoftKey(1);
    EXPECT_EQ(Commands(), (Log{"W COMMAND 40014", "W COMMAND 1", "W COMMAND 2"}));
}

// Holding Back in a dialog that keeps it: every press reaches the edit control, the repeats
// marked as a held key, and one release.
TEST_F(MenuBarTest, HeldBackReachesTheFocusWindowAsAHeldBackspace) {
    HWND bar = CreateBar(51);
    SendMessage(bar, SHCMBM_OVERRIDEKEY, VK_TBACK,
                MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY));
    LoggingWindow edit(screen_, "Edit", log_);
    std::vector<LPARAM> keyDowns;
    edit.onMessage = [&](UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_KEYDOWN) keyDowns.push_back(lParam);
        return std::nullopt;
    };
    window_.onMessage = [](UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != WM_HOTKEY) return std::nullopt;
        static_cast<void>(SHSendBackToFocusWindow(message, wParam, lParam));
        return TRUE;
    };
    SetFocus(&edit);
    screen_.BackDown();
    screen_.BackDown(Screen::KeyRepeat::Repeat);
    screen_.BackDown(Screen::KeyRepeat::Repeat);
    screen_.BackUp();
    screen_.PressBack();
    const std::vector<LPARAM> expected = {1, 1 | (LPARAM{1} << 30), 1 | (LPARAM{1} << 30), 1};
    EXPECT_EQ(keyDowns, expected);
}

TEST_F(MenuBarTest, CreationFailsForInjectedFailuresAndBadResources) {
    menuBars_.creationFails = [](UINT id) { return id == 51; };
    SetLastError(0);
    EXPECT_EQ(CreateBar(51), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    menuBars_.creationFails = {};
    EXPECT_EQ(CreateBar(52), nullptr);  // pop-up 3 does not exist
    EXPECT_EQ(CreateBar(53), nullptr);  // words missing
    EXPECT_EQ(CreateBar(99), nullptr);  // no such bar
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    SHMENUBARINFO noParent{};
    noParent.nToolBarId = 50;
    noParent.hInstRes = &resources_;
    EXPECT_FALSE(SHCreateMenuBar(&noParent));
}

TEST_F(MenuBarTest, BarsGoWithTheirParent) {
    auto other = std::make_unique<LoggingWindow>(screen_, "Other", log_);
    HWND bar = testing::CreateMenuBar(other.get(), 50, &resources_);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(screen_.VisibleMenuBar(other.get()), bar);
    other.reset();
    EXPECT_EQ(screen_.VisibleMenuBar(&window_), nullptr);
}

}  // namespace
}  // namespace velora::platform
