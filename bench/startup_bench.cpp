// Start-up and "Read" timings of the whole program on the test clock (no display, offscreen Qt):
// - StartupToPaintedInbox/10000: Application::Start on a Maildir of 10,000 messages with a warm
//   header cache, then timer 8 (the clock moved on at once, so the designed 250 ms wait is not
//   part of the figure) and the Inbox's first paint. Target: under 500 ms.
// - ReadToFirstWordPainted: the "Read" soft key on a 1 MB message until the Reader window has
//   painted its first word. Target: under 100 ms.
// Shutdown is not timed. Settings, stores and caches live in a temporary folder.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "commands/application.h"
#include "platform/desktop/wake_services.h"
#include "platform/ui/message_box.h"

namespace {

namespace fs = std::filesystem;
using velora::commands::Application;
using velora::commands::StartOptions;

fs::path BenchRoot() {
    static fs::path root = [] {
        char pattern[] = "/tmp/velora-startup-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        return fs::path(made != nullptr ? made : "/tmp/velora-startup-bench");
    }();
    return root;
}

void UseFolders() {
    const fs::path root = BenchRoot();
    setenv("VELORA_HOME", (root / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
}

std::string Message(int number, const std::string& body) {
    const int day = 1 + number % 28;
    const int hour = number % 24;
    const int minute = number % 60;
    char date[64];
    std::snprintf(date, sizeof date, "%02d Nov 2026 %02d:%02d:00 +0000", day, hour, minute);
    return "From: Sender " + std::to_string(number % 97) + " <sender" +
           std::to_string(number % 97) +
           "@example.org>\r\nTo: me@example.org\r\nSubject: Message number " +
           std::to_string(number) + "\r\nDate: " + date + "\r\nMessage-ID: <" +
           std::to_string(number) +
           "@example.org>\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + body;
}

// A Maildir of `count` short messages (made once per run).
fs::path MakeMaildir(int count) {
    const fs::path maildir = BenchRoot() / ("mail" + std::to_string(count));
    if (fs::exists(maildir / "cur")) return maildir;
    for (const char* sub : {"cur", "new", "tmp"}) fs::create_directories(maildir / sub);
    for (int i = 0; i < count; ++i) {
        const std::string name = std::to_string(1700000000 + i) + ".M" + std::to_string(i) +
                                 ".bench:2," + (i % 3 == 0 ? "S" : "");
        std::ofstream(maildir / "cur" / name, std::ios::binary)
            << Message(i, "Short body of the message. It says hello.\r\n");
    }
    return maildir;
}

// A Maildir holding one message of about 1 MB of running text.
fs::path MakeLargeMessageMaildir() {
    const fs::path maildir = BenchRoot() / "large";
    if (fs::exists(maildir / "cur")) return maildir;
    for (const char* sub : {"cur", "new", "tmp"}) fs::create_directories(maildir / sub);
    std::string body;
    const std::string sentence =
        "The quick brown fox jumps over the lazy dog, and then it runs back home again. ";
    while (body.size() < 1024 * 1024) {
        body += sentence;
        if (body.size() % 1000 < sentence.size()) body += "\r\n\r\n";
    }
    std::ofstream(maildir / "cur" / "1700000000.M1.bench:2,", std::ios::binary) << Message(1, body);
    return maildir;
}

std::unique_ptr<Application> Start(const fs::path& maildir, velora::platform::TestClock*& clock) {
    StartOptions options;
    options.maildirs = {maildir.string()};
    options.desktop = false;
    auto testClock = std::make_unique<velora::platform::TestClock>();
    clock = testClock.get();
    options.clock = std::move(testClock);
    auto app = std::make_unique<Application>(std::move(options));
    if (app->Start() != Application::Started::Running) return nullptr;
    return app;
}

void StartupToPaintedInbox(benchmark::State& state) {
    UseFolders();
    const fs::path maildir = MakeMaildir(static_cast<int>(state.range(0)));
    velora::platform::TestClock* clock = nullptr;
    {
        // Warm the header cache.
        auto warm = Start(maildir, clock);
        if (!warm) {
            state.SkipWithError("start-up failed");
            return;
        }
        warm->Shutdown();
    }
    for (auto _ : state) {
        auto app = Start(maildir, clock);
        if (!app) {
            state.SkipWithError("start-up failed");
            return;
        }
        clock->Advance(250);                 // timer 8: the list view gets its count
        app->GetScreen().ProcessMessages();  // the first paint
        benchmark::DoNotOptimize(app->Inbox()->List()->GetItemCount());
        state.PauseTiming();
        if (app->Inbox()->List()->GetItemCount() != state.range(0)) {
            state.SkipWithError("the Inbox does not list every message");
        }
        app->Shutdown();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartupToPaintedInbox)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void ReadToFirstWordPainted(benchmark::State& state) {
    UseFolders();
    const fs::path maildir = MakeLargeMessageMaildir();
    velora::platform::TestClock* clock = nullptr;
    auto app = Start(maildir, clock);
    if (!app) {
        state.SkipWithError("start-up failed");
        return;
    }
    clock->Advance(250);
    app->GetScreen().ProcessMessages();
    for (auto _ : state) {
        app->GetScreen().PressSoftKey(0);    // "Read"
        app->GetScreen().ProcessMessages();  // the Reader window paints its first word
        benchmark::DoNotOptimize(app->GetPlayer().document.size());
        state.PauseTiming();
        velora::platform::ShowWindow(app->Inbox(), velora::platform::SW_SHOW);
        app->GetScreen().ProcessMessages();
        state.ResumeTiming();
    }
    state.counters["document_units"] = static_cast<double>(app->GetPlayer().document.size());
    app->Shutdown();
}
BENCHMARK(ReadToFirstWordPainted)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qtArgc = 1;
    static char name[] = "velora_bench_startup";
    static char* qtArgv[] = {name, nullptr};
    QApplication application(qtArgc, qtArgv);
    velora::platform::ProgramServices services;  // released before the Qt application
    velora::platform::RecordingMessageBoxes boxes;
    services.Get<velora::platform::MessageBoxServices>().service = &boxes;
    velora::platform::RecordingScreenSaver screenSaver;
    services.Get<velora::platform::WakeServices>().screenSaver = &screenSaver;
    velora::platform::RecordingSoundPlayer sound;
    services.Get<velora::platform::WakeServices>().soundPlayer = &sound;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(BenchRoot(), ignored);
    return 0;
}
