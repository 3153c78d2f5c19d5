#pragma once
// Drives a screen on a test clock as the user would: keys, soft keys, a choice from the pop-up
// menu, and time that moves only when the test advances it (nothing here sleeps). Also the one
// place screenshots are written.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "harness/gui_application.h"
#include "platform/ui/clock.h"
#include "platform/ui/screen.h"

namespace velora::testing {

// Writes `image` as screenshots/NAME under the working directory (CTest runs a test program in
// its build folder), for a person to look at; the tests never read them back.
inline void SaveScreenshot(const QImage& image, const std::string& name) {
    const std::filesystem::path folder = std::filesystem::current_path() / "screenshots";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    EXPECT_TRUE(image.save(QString::fromStdString((folder / name).string()))) << name;
}

class ScreenDriver {
  public:
    // A new screen on a new test clock, driven from now on; the caller owns it.
    std::unique_ptr<platform::Screen> MakeScreen() {
        auto screen = std::make_unique<platform::Screen>(std::make_unique<platform::TestClock>());
        Drive(*screen);
        return screen;
    }
    // Drives a screen made elsewhere; its clock must be a TestClock.
    void Drive(platform::Screen& screen) { screen_ = &screen; }

    platform::Screen& GetScreen() const { return *screen_; }
    platform::TestClock& Clock() const {
        return static_cast<platform::TestClock&>(screen_->GetClock());
    }

    void Process() { screen_->ProcessMessages(); }
    void Press(platform::UINT key) {
        screen_->PressKey(key);
        Process();
    }
    void SoftKey(int index) {
        screen_->PressSoftKey(index);
        Process();
    }
    // Opens the right soft key's menu and chooses `command` from it; the test's pop-up menu
    // chooser must return menuChoice.
    void Choose(platform::UINT command) {
        menuChoice = command;
        SoftKey(1);
        menuChoice.reset();
    }
    void Advance(std::int64_t ms) {
        Clock().Advance(ms);
        Process();
    }
    void Screenshot(const std::string& name) {
        Process();
        SaveScreenshot(screen_->Compose(), name);
    }

    // What the pop-up menu chooser returns: nullopt closes the menu without a choice.
    std::optional<platform::UINT> menuChoice;

  private:
    platform::Screen* screen_ = nullptr;
};

}  // namespace velora::testing
