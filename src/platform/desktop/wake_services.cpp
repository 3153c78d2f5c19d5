#include "platform/desktop/wake_services.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QIODevice>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

#include "platform/base/program_services.h"
#include "platform/registry/registry.h"

namespace velora::platform {

bool RecordingSoundPlayer::Play(const std::u16string& path, bool loop) {
    std::string line = "Play ";
    for (char16_t c : path) line += c < 0x80 ? static_cast<char>(c) : '?';
    line += loop ? " loop" : " once";
    calls.push_back(line);
    playing = playSucceeds;
    return playSucceeds;
}

void RecordingSoundPlayer::Stop() {
    calls.push_back("Stop");
    playing = false;
}

namespace {

// org.freedesktop.ScreenSaver on the session bus. Every call is asynchronous and best effort: no
// bus, no service or an error reply leaves things as they are, without a word, and the user
// interface never waits for the bus. An inhibit still on its way when it is released is released
// as soon as its cookie arrives.
class DesktopScreenSaver : public ScreenSaver {
  public:
    DesktopScreenSaver() = default;
    DesktopScreenSaver(const DesktopScreenSaver&) = delete;
    DesktopScreenSaver& operator=(const DesktopScreenSaver&) = delete;
    ~DesktopScreenSaver() override {
        *alive_ = false;  // a reply still on its way must not reach this object
        if (cookie_) Send(QStringLiteral("UnInhibit"), {*cookie_});
    }

    void Inhibit() override {
        wanted_ = true;
        if (cookie_ || pending_) return;
        std::optional<QDBusPendingCall> call =
            Send(QStringLiteral("Inhibit"), {QStringLiteral("velora"), QStringLiteral("Reading")});
        if (!call) return;
        pending_ = true;
        auto* watcher = new QDBusPendingCallWatcher(*call);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [this, alive = alive_](QDBusPendingCallWatcher* finished) {
                             finished->deleteLater();
                             if (!*alive) return;
                             pending_ = false;
                             const QDBusPendingReply<uint> reply = *finished;
                             if (reply.isError()) return;
                             cookie_ = reply.value();
                             if (!wanted_) UnInhibit();
                         });
    }

    void UnInhibit() override {
        wanted_ = false;
        if (!cookie_) return;
        Send(QStringLiteral("UnInhibit"), {*cookie_});
        cookie_.reset();
    }

    void SimulateUserActivity() override { Send(QStringLiteral("SimulateUserActivity"), {}); }

  private:
    static std::optional<QDBusPendingCall> Send(const QString& method,
                                                const QVariantList& arguments) {
        if (!QCoreApplication::instance()) return std::nullopt;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return std::nullopt;
        QDBusMessage message =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                           QStringLiteral("/org/freedesktop/ScreenSaver"),
                                           QStringLiteral("org.freedesktop.ScreenSaver"), method);
        message.setArguments(arguments);
        return bus.asyncCall(message, 2000);
    }

    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::optional<uint> cookie_;
    bool pending_ = false;
    bool wanted_ = false;
};

// QSoundEffect plays WAV files; without an audio device it stays silent.
class DesktopSoundPlayer : public SoundPlayer {
  public:
    bool Play(const std::u16string& path, bool loop) override {
        const QString file = QString::fromUtf16(path.data(), static_cast<qsizetype>(path.size()));
        if (!QCoreApplication::instance() || !QFileInfo(file).isFile()) return false;
        if (!effect_) effect_ = std::make_unique<QSoundEffect>();
        effect_->setSource(QUrl::fromLocalFile(file));
        effect_->setLoopCount(loop ? QSoundEffect::Infinite : 1);
        effect_->play();
        WaitWhileLoading();
        return true;
    }

    void Stop() override {
        if (effect_) effect_->stop();
    }

  private:
    // Qt 6.4's sample cache deadlocks at exit when its loading thread is still at work (its
    // destructor holds the lock the loader needs), so a sound is never left loading: the loader's
    // answer is taken in here (up to a second; a short WAV takes a millisecond or two). Only the
    // effect's own queued calls are delivered, so no other handler runs inside Play.
    void WaitWhileLoading() {
        const QDeadlineTimer deadline(1000);
        QObject* const receivers[] = {effect_.get(), effect_->findChild<QIODevice*>()};
        while (effect_->status() == QSoundEffect::Loading && !deadline.hasExpired()) {
            QThread::yieldCurrentThread();
            for (QObject* receiver : receivers) {
                if (receiver != nullptr)
                    QCoreApplication::sendPostedEvents(receiver, QEvent::MetaCall);
            }
        }
    }

    std::unique_ptr<QSoundEffect> effect_;
};

WakeServices& State() {
    return CurrentProgramServices().Get<WakeServices>();
}

std::optional<DWORD> ReadBacklightValue(std::u16string_view name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\Backlight", 0, 0, &key) != ERROR_SUCCESS)
        return std::nullopt;
    const std::u16string valueName(name);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(&value), &size);
    static_cast<void>(RegCloseKey(key));  // a key only read: closing it cannot lose anything
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return std::nullopt;
    return value;
}

}  // namespace

struct EventObject {
    std::u16string name;
    bool manualReset = false;
    bool signalled = false;
};

std::unique_ptr<ScreenSaver> CreateDesktopScreenSaver() {
    return std::make_unique<DesktopScreenSaver>();
}
std::unique_ptr<SoundPlayer> CreateDesktopSoundPlayer() {
    return std::make_unique<DesktopSoundPlayer>();
}

ScreenSaver& WakeServices::Saver() {
    if (screenSaver) return *screenSaver;
    if (!desktopScreenSaver) desktopScreenSaver = CreateDesktopScreenSaver();
    return *desktopScreenSaver;
}

SoundPlayer& WakeServices::Player() {
    if (soundPlayer) return *soundPlayer;
    if (!desktopSoundPlayer) desktopSoundPlayer = CreateDesktopSoundPlayer();
    return *desktopSoundPlayer;
}

void RereadBacklightValues() {
    WakeServices& services = State();
    const auto read = [&](std::u16string_view name) {
        return services.backlightValueReader ? services.backlightValueReader(name)
                                             : ReadBacklightValue(name);
    };
    const bool on =
        read(u"BatteryTimeout") == kBacklightOnValue || read(u"ACTimeout") == kBacklightOnValue;
    if (on == services.backlightHeld) return;
    services.backlightHeld = on;
    if (on)
        services.Saver().Inhibit();
    else
        services.Saver().UnInhibit();
}

bool BacklightHeld() {
    return State().backlightHeld;
}

HANDLE CreateEventW(void*, BOOL manualReset, BOOL initialState, const char16_t* name) {
    auto* event = new EventObject;
    event->name = name ? std::u16string(name) : std::u16string();
    event->manualReset = manualReset != FALSE;
    event->signalled = initialState != FALSE;
    return event;
}

BOOL EventModify(HANDLE event, DWORD function) {
    if (!event) return FALSE;
    switch (function) {
        case EVENT_PULSE:
            // Nobody waits on our events: a pulse releases its listener and leaves the event
            // not signalled. The backlight event's listener is the backlight handling.
            event->signalled = false;
            if (event->name == u"BackLightChangeEvent") RereadBacklightValues();
            return TRUE;
        case EVENT_RESET:
            event->signalled = false;
            return TRUE;
        case EVENT_SET:
            event->signalled = true;
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle) return FALSE;
    delete handle;
    return TRUE;
}

void SystemIdleTimerReset() {
    State().Saver().SimulateUserActivity();
}

BOOL sndPlaySoundW(const char16_t* sound, UINT flags) {
    SoundPlayer& player = State().Player();
    player.Stop();
    if (!sound || !*sound) return TRUE;
    return player.Play(std::u16string(sound), (flags & SND_LOOP) != 0) ? TRUE : FALSE;
}

}  // namespace velora::platform
