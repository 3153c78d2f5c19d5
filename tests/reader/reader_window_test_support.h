#pragma once
// A Reader window on a screen driven by the test clock, with the desktop services replaced by
// recording doubles and the hive in a temporary folder. Nothing here sleeps: time moves only when
// a test calls Advance.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

inline QApplication& Application() {
    static int argc = 1;
    static char name[] = "velora_tests_reader";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

class ReaderWindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        Application();
        char pattern[] = "/tmp/velora-reader-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home_ = pattern;
        setenv("VELORA_HOME", home_.c_str(), 1);
        setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home_ / "cache").c_str(), 1);
        services_.Get<platform::WakeServices>().screenSaver = &screenSaver_;
        services_.Get<platform::WakeServices>().soundPlayer = &sound_;
        services_.Get<platform::MessageBoxServices>().service = &boxes_;

        auto clock = std::make_unique<platform::TestClock>();
        clock_ = clock.get();
        screen_ = std::make_unique<platform::Screen>(std::move(clock));

        // Settings as at start-up, from an empty hive: the first-run values.
        services::LoadSettings(settings_, snapshot_);
        services::SetSpeedBoostFactors(settings_);
        services::RecomputeSpeedTimes(settings_);
    }

    void TearDown() override {
        if (window_) window_->ReleaseReaderResources();
        window_.reset();
        screen_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
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
        screen_->ProcessMessages();
    }

    void Press(platform::UINT key) {
        screen_->PressKey(key);
        screen_->ProcessMessages();
    }
    void Command(platform::UINT command) {
        platform::SendMessage(window_.get(), platform::WM_COMMAND, command, 0);
        screen_->ProcessMessages();
    }
    void Advance(std::int64_t ms) {
        clock_->Advance(ms);
        screen_->ProcessMessages();
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
    std::filesystem::path home_;
    platform::RecordingScreenSaver screenSaver_;
    platform::RecordingSoundPlayer sound_;
    platform::RecordingMessageBoxes boxes_;
    platform::TestClock* clock_ = nullptr;
    std::unique_ptr<platform::Screen> screen_;
    services::ReadingSettings settings_;
    services::BacklightSnapshot snapshot_;
    Player player_;
    std::unique_ptr<ReaderWindow> window_;
    platform::PaintLog log_;
};

}  // namespace velora::reader::testing_support
