#pragma once
// The program from start-up to shutdown: one running instance per settings folder, the home-screen
// check, the Inbox and Reader windows, the logon and the first Inbox list, the default document,
// the settings with the backlight snapshot, the About text, the speed times, the backlight event,
// the message loop, and the release of everything at the end.
//
// A second launch writes the reload request ("Reload" = 1), asks the running instance to bring its
// Inbox window forward and cancel what lies over it, and ends at once; the running instance
// reloads the list when its Inbox window is next activated.
//
// Tests run the whole program on a screen with the test clock and without the desktop widget
// (StartOptions::desktop off), and call ProcessMessages in place of the message loop.

#include <QString>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "commands/command_line.h"
#include "inbox/inbox_window.h"
#include "inbox/inbox_window_mail.h"
#include "mail/mail_store_session.h"
#include "mail/message_summary.h"
#include "platform/desktop/single_instance.h"
#include "platform/desktop/wake_services.h"
#include "platform/ui/clock.h"
#include "platform/ui/screen.h"
#include "reader/find.h"
#include "reader/find_commands.h"
#include "reader/player.h"
#include "reader/reader_window.h"
#include "services/reading_settings.h"

class QWidget;

namespace velora::platform {
class ShutdownSignals;
}

namespace velora::commands {

struct StartOptions {
    std::vector<std::string> maildirs;       // --maildir, in order; empty: the configured stores
    int scale = 3;                           // --scale
    bool desktop = true;                     // show the device screen on the desktop
    std::unique_ptr<platform::Clock> clock;  // nullptr: the real clock
};

class Application {
  public:
    explicit Application(StartOptions options);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    enum class Started {
        Running,       // the windows exist; run the loop (Run) or drive the screen (tests)
        SecondLaunch,  // another instance runs: the reload request was handed over
        Ended,         // start-up ended early (a check said no, or a failure)
    };
    [[nodiscard]] Started Start();
    // The first two start-up steps alone (the product name, the single instance), which need no
    // display: RunProgram calls it before it makes the Qt application, so a second launch ends
    // without one. Start calls it when it has not run yet.
    [[nodiscard]] Started ClaimInstance();

    // The message loop; then the shutdown steps. Returns the exit code (0).
    int Run();
    // The shutdown steps after the loop (Run calls it; tests call it after driving the screen).
    void Shutdown();

    platform::Screen& GetScreen() { return *screen_; }
    inbox::InboxWindow* Inbox() { return inbox_.get(); }
    reader::ReaderWindow* Reader() { return reader_.get(); }
    reader::Player& GetPlayer() { return player_; }
    services::ReadingSettings& Settings() { return settings_; }
    mail::InboxList& List() { return list_; }
    reader::FindState& Find() { return findState_; }
    const std::u16string& AboutText() const { return aboutText_; }
    QWidget* DesktopWidget() { return widget_.get(); }
    // Why start-up ended early when the stores could not be set up (a --maildir that is not a
    // Maildir, a malformed stores.ini); empty otherwise.
    const std::string& StoreError() const { return storeError_; }

    // What a second launch asks of the running instance: cancel the dialogs over the Inbox
    // window (and over the window they cover), then bring the Inbox window forward.
    void BringInboxForward();

    // The mail stores by the command line, stores.ini, $MAILDIR or the demo store (Start does it
    // when it was not done before). False with StoreError set when they cannot be set up.
    [[nodiscard]] bool ConfigureStores();

  private:
    [[nodiscard]] Started SecondLaunch();
    // The start-up steps after the instance is claimed, in order.
    void FindProgramFolder();
    [[nodiscard]] bool HomeScreenAllowsReading();
    void CreateInboxWindow();
    [[nodiscard]] bool OpenMailStores();  // false: start-up ends
    void CreateReaderWindow();
    void WireReader();
    void LoadReadingState();
    void ShowInboxWindow();
    void ListenForSecondLaunch();
    void ShowOnDesktop();

    StartOptions options_;
    std::unique_ptr<platform::Screen> screen_;
    std::unique_ptr<platform::SingleInstance> single_;
    platform::HINSTANCE instance_ = nullptr;
    std::u16string programFolder_;
    std::u16string soundPath_;

    reader::Player player_;
    services::ReadingSettings settings_;
    std::unique_ptr<mail::MapiRuntime> mapi_;
    std::unique_ptr<mail::MailStoreSession> session_;
    mail::InboxList list_;
    std::unique_ptr<inbox::MailInboxMessages> messages_;
    std::unique_ptr<inbox::InboxWindow> inbox_;
    std::unique_ptr<reader::ReaderWindow> reader_;
    reader::FindState findState_;
    std::unique_ptr<reader::FindCommands> find_;
    std::u16string aboutText_;
    platform::HANDLE backlightEvent_ = nullptr;
    std::unique_ptr<QWidget> widget_;
    std::unique_ptr<platform::ShutdownSignals> shutdownSignals_;
    bool shutDown_ = false;
    bool claimed_ = false;
    bool running_ = false;
    bool storesConfigured_ = false;  // start-up went through to the message loop
    std::string storeError_;
};

// `velora` with no subcommand: the program on the desktop. Creates the Qt application. Returns 0,
// or 1 with a one-line reason on `err` when the mail stores cannot be set up.
int RunProgram(const std::vector<std::string>& maildirs, int scale, std::ostream& err);

// The command line's no-subcommand path: `[--scale N]` among the arguments.
int RunProgramCommand(const CommandContext& context);

}  // namespace velora::commands
