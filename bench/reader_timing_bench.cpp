// How exactly the Reader window keeps the designed frame times with the real clock: plays 500
// frames offscreen (the whole paint runs, only the desktop widget is absent) and compares, for
// each frame, the time from its paint to the next frame's paint with the time scheduled for it
// (CurWordDelay + gapDelay). Prints the scheduled and measured totals, and the median and 99th
// percentile of the per-frame error, for the default settings and for SpeedSet 20 with Speed
// Boost. Targets: totals within 1 %, median error at most 1 ms, 99th percentile at most 4 ms.
//
// Run it from a release build: build/release/bench/velora_bench_reader_timing

#include <stdlib.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/desktop/wake_services.h"
#include "platform/ui/message_box.h"
#include "platform/ui/screen.h"
#include "reader/player.h"
#include "reader/reader_window.h"
#include "reader/segment_text.h"
#include "resources/program_resources.h"
#include "services/settings.h"

namespace {

using namespace velora;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kFrames = 500;

struct FrameRecord {
    double paintedMs;  // when the frame's paint ended
    std::int32_t wordDelay;
    std::int32_t gapDelay;
};

// The Reader window with a stopwatch on every paint that draws a frame.
class TimedReader : public reader::ReaderWindow {
  public:
    using ReaderWindow::ReaderWindow;

    platform::LRESULT WindowProc(platform::UINT message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        const bool frame = message == platform::WM_PAINT && State().requests.frame;
        const platform::LRESULT result = ReaderWindow::WindowProc(message, wParam, lParam);
        if (frame && State().playing && !GetPlayer().atEnd) {
            const double now =
                std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
            records_.push_back({now, Settings().CurWordDelay, Settings().gapDelay});
            if (records_.size() > kFrames) platform::PostQuitMessage(0);
        }
        return result;
    }

    std::vector<FrameRecord> records_;
    Clock::time_point start_ = Clock::now();
};

// The floor under the reader's figures: the same chain of alternating one-shot window timers
// (each armed in the handler of the one before) with no paint at all, so what it shows is the
// timer queue, the clock and the machine's load.
class TimerChain : public platform::Window {
  public:
    TimerChain(platform::Screen& screen, std::vector<std::int32_t> periods)
        : Window(screen, u"timer chain"), periods_(std::move(periods)) {}

    platform::LRESULT WindowProc(platform::UINT message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        if (message != platform::WM_TIMER) return DefWindowProc(message, wParam, lParam);
        static_cast<void>(platform::KillTimer(this, wParam));
        times_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start_).count());
        if (times_.size() > periods_.size()) {
            platform::PostQuitMessage(0);
        } else {
            platform::SetTimer(this, 1, static_cast<platform::UINT>(periods_[times_.size() - 1]));
        }
        return 0;
    }

    std::vector<std::int32_t> periods_;
    std::vector<double> times_;
    Clock::time_point start_ = Clock::now();
};

std::u16string LongText() {
    static const char16_t* const kWords[] = {
        u"The",   u"reader",   u"shows", u"one",    u"word",    u"at",       u"a",
        u"time,", u"and",      u"the",   u"colour", u"bar",     u"runs",     u"from",
        u"green", u"toward",   u"red",   u"across", u"every",   u"sentence", u"of",
        u"2024",  u"letters;", u"then",  u"it",     u"pauses.", u"Speed",    u"counts!"};
    std::u16string text;
    for (std::size_t i = 0; i < 900; ++i) {
        text += kWords[i % std::size(kWords)];
        text += u' ';
    }
    text += u"End.";
    return text;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const std::size_t index =
        std::min(values.size() - 1, static_cast<std::size_t>(fraction * (values.size() - 1) + 0.5));
    return values[index];
}

void Report(const char* label, const std::vector<double>& planned, const std::vector<double>& at) {
    double scheduled = 0;
    std::vector<double> errors;
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const double measured = at[i + 1] - at[i];
        scheduled += planned[i];
        errors.push_back(std::abs(measured - planned[i]));
    }
    const double measuredTotal = at[planned.size()] - at[0];
    std::printf(
        "%-34s frames %zu  scheduled %9.1f ms  measured %9.1f ms  (%+.3f %%)  "
        "per-frame |error| median %.3f ms  p99 %.3f ms  max %.3f ms\n",
        label, planned.size(), scheduled, measuredTotal,
        (measuredTotal - scheduled) / scheduled * 100.0, Percentile(errors, 0.5),
        Percentile(errors, 0.99), Percentile(errors, 1.0));
    std::fflush(stdout);
}

void RunTimerChain(const char* label, std::int32_t first, std::int32_t second, std::size_t count) {
    platform::Screen screen;
    std::vector<std::int32_t> periods;
    for (std::size_t i = 0; i < count; ++i) periods.push_back(i % 2 == 0 ? first : second);
    TimerChain chain(screen, periods);
    chain.Create();
    platform::SetTimer(&chain, 1, static_cast<platform::UINT>(periods[0]));
    chain.periods_.erase(chain.periods_.begin());
    screen.RunMessageLoop();
    std::vector<double> planned(chain.periods_.begin(), chain.periods_.end());
    Report(label, planned, chain.times_);
}

void Run(const char* label, std::int32_t speedSet, std::int32_t speedBoost) {
    platform::Screen screen;  // the real clock
    reader::Player player;
    services::ReadingSettings settings;
    services::BacklightSnapshot snapshot;
    services::LoadSettings(settings, snapshot);
    settings.SpeedSet = speedSet;
    settings.SpeedBoost = speedBoost;
    settings.Light = 0;
    services::SetSpeedBoostFactors(settings);
    services::RecomputeSpeedTimes(settings);
    reader::InstallDocument(player, reader::SegmentText(LongText()));
    reader::JumpToPosition(player, settings, 0);
    reader::PrepareNextFrame(player, settings, reader::TintStart::Reset);

    TimedReader window(screen, resources::ProgramInstance(), player, settings);
    window.Create();
    platform::CurrentProgramServices().Get<reader::WindowActivation>().first = true;
    platform::ShowWindow(&window, platform::SW_SHOW);
    screen.ProcessMessages();
    window.records_.clear();
    platform::SendMessage(&window, platform::WM_KEYDOWN, platform::VK_RETURN, 0);
    screen.RunMessageLoop();
    window.HandleQuit();

    const std::vector<FrameRecord>& r = window.records_;
    if (r.size() < kFrames + 1) {
        std::printf("%s: only %zu frames recorded\n", label, r.size());
        return;
    }
    std::vector<double> planned;
    std::vector<double> at;
    for (std::size_t i = 0; i <= kFrames; ++i) {
        if (i < kFrames) planned.push_back(r[i].wordDelay + r[i].gapDelay);
        at.push_back(r[i].paintedMs);
    }
    Report(label, planned, at);
}

}  // namespace

int main(int argc, char** argv) {
    // Offscreen, in a throw-away settings folder, without sound or screen-saver calls.
    char pattern[] = "/tmp/velora-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    setenv("VELORA_HOME", pattern, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    platform::ProgramServices services;  // released before the Qt application
    platform::RecordingScreenSaver screenSaver;
    platform::RecordingSoundPlayer sound;
    services.Get<platform::WakeServices>().screenSaver = &screenSaver;
    services.Get<platform::WakeServices>().soundPlayer = &sound;

    Run("default settings (SpeedSet 210)", 210, 0);
    Run("SpeedSet 20 with Speed Boost", 20, 1);
    RunTimerChain("timer chain alone (273/78 ms)", 273, 78, 300);
    RunTimerChain("timer chain alone (95/2 ms)", 95, 2, 300);

    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return 0;
}
