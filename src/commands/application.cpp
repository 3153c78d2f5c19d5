#include "commands/application.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <optional>

#include "commands/desktop_application.h"
#include "commands/reader_wiring.h"
#include "commands/store_config.h"
#include "content/html_to_text.h"
#include "content/text_sources.h"
#include "mail/inbox_list.h"
#include "platform/base/program_services.h"
#include "platform/base/text_codec.h"
#include "platform/desktop/device_screen.h"
#include "platform/maildir/plain_body.h"
#include "platform/registry/registry.h"
#include "platform/ui/message_box.h"
#include "resources/program_resources.h"
#include "services/dialog.h"
#include "services/home_timeout.h"
#include "services/settings.h"

namespace velora::commands {

using namespace velora::platform;

namespace {

constexpr char16_t kBacklightEventName[] = u"BackLightChangeEvent";

bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// A start-up failure with a reason: the one line on stderr and exit status 1. Started from the
// desktop there is no terminal to read that line, so with a display the reason is shown in a
// message box too, under the caption of the other start-up failures.
int FailStartup(const std::string& reason, std::ostream& err) {
    err << "velora: " << reason << "\n";
    err.flush();
    if (!HasDisplay()) return 1;
    std::optional<DesktopApplication> desktop;
    if (QCoreApplication::instance() == nullptr) desktop.emplace();
    const std::u16string text = QString::fromStdString(reason).toStdU16String();
    MessageBoxW(nullptr, text.c_str(), u"Error!!!", MB_OK);
    return 1;
}

}  // namespace

Application::Application(StartOptions options) : options_(std::move(options)) {}

Application::~Application() {
    Shutdown();
}

Application::Started Application::ClaimInstance() {
    claimed_ = true;
    // 1. The product name must be in the resources.
    instance_ = resources::ProgramInstance();
    if (!LoadStringText(instance_, resources::IDS_APP_TITLE)) return Started::Ended;

    // 2. One instance per settings folder. When that cannot be set up the program runs anyway:
    // a second launch then starts a second copy instead of handing over.
    single_ = std::make_unique<SingleInstance>(
        QString::fromStdString(RegistryHiveFile().parent_path().string()));
    switch (single_->TryClaim()) {
        case SingleInstance::Claim::Failed:
            std::fprintf(stderr, "velora: %s; running without the single-instance check\n",
                         single_->FailureReason().toLocal8Bit().constData());
            single_.reset();
            break;
        case SingleInstance::Claim::AlreadyRunning:
            return SecondLaunch();
        case SingleInstance::Claim::First:
            break;
    }
    return Started::Running;
}

Application::Started Application::Start() {
    if (!claimed_) {
        const Started claim = ClaimInstance();
        if (claim != Started::Running) return claim;
    }
    FindProgramFolder();
    if (!HomeScreenAllowsReading()) return Started::Ended;
    CreateInboxWindow();
    if (!OpenMailStores()) return Started::Ended;
    CreateReaderWindow();
    LoadReadingState();
    ShowInboxWindow();
    ListenForSecondLaunch();
    running_ = true;
    if (options_.desktop) ShowOnDesktop();
    return Started::Running;
}

void Application::FindProgramFolder() {
    // 3. The program folder and the keep-awake sound beside it.
    if (QCoreApplication::instance() == nullptr) return;
    programFolder_ = QCoreApplication::applicationDirPath().toStdU16String();
    soundPath_ = KeepAwakeSoundBesideProgram();
}

bool Application::HomeScreenAllowsReading() {
    // 4. The home screen must not take over while the user reads.
    return services::CheckHomeTimeout([](std::u16string_view text, std::u16string_view caption) {
        const std::u16string textCopy(text), captionCopy(caption);
        MessageBoxW(nullptr, textCopy.c_str(), captionCopy.c_str(), MB_ICONINFORMATION | MB_OK);
    });
}

void Application::CreateInboxWindow() {
    // 5. The Inbox window (it makes its list and menu bar while it is created).
    screen_ = std::make_unique<Screen>(std::move(options_.clock));
    session_ = std::make_unique<mail::MailStoreSession>();
    messages_ = std::make_unique<inbox::MailInboxMessages>(*session_, list_, player_, settings_);
    inbox::ReaderLink link;
    link.stopPlayback = [this] {
        reader_->StopPlayback();
        reader_->State().playing = false;
    };
    link.requestBacklight = [this](std::int32_t on) { reader_->RequestBacklight(on); };
    link.showCurrentFrame = [this](HWND target) { reader_->ShowCurrentFrame(target); };
    link.hideKeyHelp = [this] { reader_->State().helpFade = reader::kHelpHidden; };
    link.optionsMode = [this] { return reader_->State().optionsMode; };
    link.collectWordFontAgain = [this] { reader_->CollectWordFontAgain(); };
    link.quit = [this] { reader_->HandleQuit(); };
    link.firstActivation =
        &platform::CurrentProgramServices().Get<reader::WindowActivation>().first;
    inbox_ =
        std::make_unique<inbox::InboxWindow>(*screen_, instance_, *messages_, link,
                                             [](HWND owner) { services::ShowInboxDialog(owner); });
    inbox_->Create();
}

bool Application::OpenMailStores() {
    // 6. The mail stores.
    mapi_ = std::make_unique<mail::MapiRuntime>();
    if (!storesConfigured_ && !ConfigureStores()) return false;
    if (session_->Logon() < 0) return false;
    // 7. The first fill of the Inbox list; timer 8 shows it.
    mail::LoadInboxList(*session_, list_);
    return true;
}

void Application::CreateReaderWindow() {
    // 8. The Reader window, hidden until something is read.
    reader_ = std::make_unique<reader::ReaderWindow>(*screen_, instance_, player_, settings_);
    inbox_->SetReaderWindow(reader_.get());
    reader_->Create();
    reader_->SetKeepAwakeSoundPath(soundPath_);
    WireReader();
}

void Application::LoadReadingState() {
    // 9-11. The layout is fixed in the reader; the default document.
    content::LoadDefaultDocument(player_, settings_, 0);
    // 12. The settings, after the backlight snapshot.
    services::LoadSettings(settings_, reader_->Backlight().Snapshot());
    // 13. The About text.
    content::LoadAboutText(aboutText_);
    // 14. The bullet in the context text, the speed times.
    reader_->State().requests.contextBullet = true;
    services::SetSpeedBoostFactors(settings_);
    services::RecomputeSpeedTimes(settings_);
    // 15.
    reader_->State().playing = false;
    reader::UpdatePosition(player_);
}

void Application::ShowInboxWindow() {
    // 16. The Inbox window shown.
    UpdateWindow(inbox_.get());
    ShowWindow(inbox_.get(), SW_SHOW);
    // 17. The backlight event, the light held at once when the Reading Light is on.
    backlightEvent_ = CreateEventW(nullptr, FALSE, FALSE, kBacklightEventName);
    reader_->SetBacklightEvent(backlightEvent_);
    if (settings_.Light != 0) reader_->Backlight().ApplyAtStartup(settings_);
}

void Application::ListenForSecondLaunch() {
    if (single_ && !single_->Listen([this] { BringInboxForward(); })) {
        std::fprintf(stderr,
                     "velora: a second velora cannot reach this one (%s cannot be opened)\n",
                     single_->ServerName().toLocal8Bit().constData());
    }
}

void Application::ShowOnDesktop() {
    std::unique_ptr<DeviceScreenWidget> widget = MakeDeviceScreenWidget(*screen_, options_.scale);
    widget->show();
    widget->activateWindow();
    widget_ = std::move(widget);
    shutdownSignals_ = std::make_unique<ShutdownSignals>(*screen_);
}

void Application::WireReader() {
    find_ = WireReaderCommands(
        {*screen_, instance_, *reader_, player_, settings_, findState_,
         [this] { inbox_->MarkSelectedUnread(); }, [this] { inbox_->DeleteSelectedFromReader(); },
         [this] { return aboutText_; }, [this] { reader_->ShowCurrentFrame(inbox_.get()); }});
}

bool Application::ConfigureStores() {
    std::optional<std::vector<MessageStoreDefinition>> stores =
        ResolveMessageStores(options_.maildirs, storeError_);
    if (!stores) return false;
    ProgramServices& services = CurrentProgramServices();
    services.Get<MessageStoreProfile>().stores = std::move(*stores);
    // HTML-only messages get their plain body from the content layer's HTML to text.
    services.Get<PlainBodyConversion>().htmlToPlainText = &content::HtmlToText;
    storesConfigured_ = true;
    return true;
}

Application::Started Application::SecondLaunch() {
    services::WriteReloadFlag(1);
    // The reload flag is written: a running copy that does not answer still reloads on its timer.
    static_cast<void>(single_->AskRunningInstanceForward());
    single_.reset();
    return Started::SecondLaunch;
}

void Application::BringInboxForward() {
    if (!inbox_) return;
    // The dialogs over the Inbox window, top first: each is cancelled as its Cancel key would,
    // then its owner is looked at. Full-screen windows are brought behind, never cancelled.
    HWND window = screen_->Top();
    while (window != nullptr && window != inbox_.get() &&
           window->GetKind() == Window::Kind::Dialog) {
        const HWND owner = window->Parent();
        SendMessage(window, WM_COMMAND, IDCANCEL, 0);
        window = owner;
    }
    static_cast<void>(SetForegroundWindow(inbox_.get()));  // the Inbox window lives here
    if (widget_) {
        widget_->showNormal();
        widget_->raise();
        widget_->activateWindow();
    }
}

int Application::Run() {
    const int code = screen_->RunMessageLoop();
    static_cast<void>(code);
    Shutdown();
    return 0;
}

void Application::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    shutdownSignals_.reset();  // a signal from here on ends the process at once
    widget_.reset();
    platform::CurrentProgramServices().Get<services::DialogContext>() = {};
    // WM_QUIT sent to the active window runs the quit handling (settings saved, the user's
    // backlight values back, the reader's timers and event released). When the loop ended
    // without it reaching the reader (a dialog was the active window), it runs here, so the
    // "on" backlight values never outlive the program.
    if (reader_ && running_) reader_->HandleQuit();
    backlightEvent_ = nullptr;
    player_.document.clear();
    // The Inbox window goes first: its hand-over to the reader must not outlive the reader, and
    // the window below a destroyed one is activated.
    inbox_.reset();
    reader_.reset();
    find_.reset();
    mail::ClearInboxList(list_);
    messages_.reset();
    session_.reset();  // logs off
    mapi_.reset();
    single_.reset();  // the lock and the socket go
    screen_.reset();
}

int RunProgram(const std::vector<std::string>& maildirs, int scale, std::ostream& err) {
    StartOptions options;
    options.maildirs = maildirs;
    options.scale = scale;
    Application program(std::move(options));
    if (program.ClaimInstance() != Application::Started::Running) return 0;
    // Checked before the Qt application exists, so that a bad store or a missing display is a
    // one-line error instead of an abort.
    if (!program.ConfigureStores()) return FailStartup(program.StoreError(), err);
    if (!HasDisplay()) {
        err << "velora: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not "
               "set); the subcommands work without one (see --help)\n";
        return 1;
    }
    const DesktopApplication desktop;
    if (program.Start() != Application::Started::Running) {
        program.Shutdown();  // before the Qt application goes
        if (!program.StoreError().empty()) return FailStartup(program.StoreError(), err);
        return 0;
    }
    return program.Run();
}

}  // namespace velora::commands
