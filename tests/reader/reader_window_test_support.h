#pragma once
// A Reader window on a screen driven by the test clock, with the desktop services replaced by
// recording doubles and the hive in a temporary folder. Nothing here sleeps: time moves only when
// a test calls Advance.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/screen_driver.h"
#include "harness/temporary_home.h"
#include "platform/desktop/wake_services.h"
#include "platform/gdi/recording_painter.h"
#include "platform/ui/clock.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/message_box.h"
#include "platform/ui/resource_module.h"
#include "platform/ui/screen.h"
#include "reader/player.h"
#include "reader/reader_window.h"
#include "reader/segment_text.h"
#include "resources/program_resources.h"
#include "services/settings.h"

namespace velora::reader::testing_support {

class ReaderWindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        velora::testing::GuiApplication();
        home_ = std::make_unique<velora::testing::TemporaryHome>();
        services_.Get<platform::WakeServices>().screenSaver = &screenSaver_;
        services_.Get<platform::WakeServices>().soundPlayer = &sound_;
        services_.Get<platform::MessageBoxServices>().service = &boxes_;

        screen_ = driver_.MakeScreen();

        // Settings as at start-up, from an empty hive: the first-run values.
        services::LoadSettings(settings_, snapshot_);
        services::SetSpeedBoostFactors(settings_);
        services::RecomputeSpeedTimes(settings_);
    }

    void TearDown() override {
        if (window_) window_->ReleaseReaderResources();
        window_.reset();
        screen_.reset();
        home_.reset();
    }

    // Loads `text` as a message is loaded and shows the Reader window, which shows the first
    // frame paused (the Inbox window's hand-over).
    void Open(std::u16string_view text) {
        InstallDocument(player_, SegmentText(text));
        JumpToPosition(player_, settings_, 0);
        PrepareNextFrame(player_, settings_, TintStart::Reset);
        window_ = std::make_unique<ReaderWindow>(*screen_, resources::ProgramInstance(), player_,
                                                 settings_);
        window_->Backlight().Snapshot() = snapshot_;
        window_->SetKeepAwakeSoundPath(u"/nonexistent/Keep.dat");
        window_->SetBacklightEvent(platform::CreateEventW(nullptr, platform::FALSE, platform::FALSE,
                                                          u"BackLightChangeEvent"));
        window_->Create();
        services_.Get<WindowActivation>().first = true;
        platform::ShowWindow(window_.get(), platform::SW_SHOW);
        driver_.Process();
    }

    void Command(platform::UINT command) {
        platform::SendMessage(window_.get(), platform::WM_COMMAND, command, 0);
        driver_.Process();
    }
    bool HasTimer(platform::UINT_PTR id) const { return screen_->HasTimer(window_.get(), id); }

    // The word shown in the word area at the last paint that drew a frame.
    std::u16string LastWordDrawn() const {
        std::u16string word;
        bool found = false;
        for (const platform::PaintCall& call : log_.calls) {
            if (call.kind == platform::PaintCallKind::DrawText && call.surface != 0 &&
                (call.flags & platform::DT_SINGLELINE) != 0) {
                word = call.text;
                found = true;
            }
        }
        return found ? word : u"<none>";
    }

    platform::ProgramServices services_;
    std::unique_ptr<velora::testing::TemporaryHome> home_;
    velora::testing::ScreenDriver driver_;
    platform::RecordingScreenSaver screenSaver_;
    platform::RecordingSoundPlayer sound_;
    platform::RecordingMessageBoxes boxes_;
    std::unique_ptr<platform::Screen> screen_;
    services::ReadingSettings settings_;
    services::BacklightSnapshot snapshot_;
    Player player_;
    std::unique_ptr<ReaderWindow> window_;
    platform::PaintLog log_;
};

}  // namespace velora::reader::testing_support
