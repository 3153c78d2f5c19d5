#include "platform/keep_awake.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

#include "platform/registry.h"

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

// org.freedesktop.ScreenSaver on the session bus. Every call is best effort: no bus, no service
// or an error reply leaves things as they are, without a word.
class DesktopScreenSaver : public ScreenSaver {
public:
    void Inhibit() override {
        if (cookie_) return;
        QDBusInterface* service = Service();
        if (!service) return;
        const QDBusReply<uint> reply = service->call(QStringLiteral("Inhibit"), QStringLiteral("velora"),
                                                     QStringLiteral("Reading"));
        if (reply.isValid()) cookie_ = reply.value();
    }

    void UnInhibit() override {
        if (!cookie_) return;
        if (QDBusInterface* service = Service())
            service->asyncCall(QStringLiteral("UnInhibit"), *cookie_);
        cookie_.reset();
    }

    void SimulateUserActivity() override {
        if (QDBusInterface* service = Service())
            service->asyncCall(QStringLiteral("SimulateUserActivity"));
    }

private:
    QDBusInterface* Service() {
        if (!QCoreApplication::instance()) return nullptr;
        if (!service_) {
            QDBusConnection bus = QDBusConnection::sessionBus();
            if (!bus.isConnected()) return nullptr;
            service_ = std::make_unique<QDBusInterface>(
                QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                QStringLiteral("org.freedesktop.ScreenSaver"), bus);
            service_->setTimeout(1000);
        }
        return service_->isValid() ? service_.get() : nullptr;
    }

    std::unique_ptr<QDBusInterface> service_;
    std::optional<uint> cookie_;
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
        return true;
    }

    void Stop() override {
        if (effect_) effect_->stop();
    }

private:
    std::unique_ptr<QSoundEffect> effect_;
};

struct Services {
    ScreenSaver* screenSaver = nullptr;
    SoundPlayer* player = nullptr;
    std::unique_ptr<ScreenSaver> desktopScreenSaver;
    std::unique_ptr<SoundPlayer> desktopPlayer;
    BacklightValueReader reader;
    bool held = false;

    ScreenSaver& Saver() {
        if (screenSaver) return *screenSaver;
        if (!desktopScreenSaver) desktopScreenSaver = CreateDesktopScreenSaver();
        return *desktopScreenSaver;
    }
    SoundPlayer& Player() {
        if (player) return *player;
        if (!desktopPlayer) desktopPlayer = CreateDesktopSoundPlayer();
        return *desktopPlayer;
    }
};

Services& State() {
    static Services services;
    return services;
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
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return std::nullopt;
    return value;
}

}  // namespace

struct EventObject {
    std::u16string name;
    bool manualReset = false;
    bool signalled = false;
};

std::unique_ptr<ScreenSaver> CreateDesktopScreenSaver() { return std::make_unique<DesktopScreenSaver>(); }
std::unique_ptr<SoundPlayer> CreateDesktopSoundPlayer() { return std::make_unique<DesktopSoundPlayer>(); }

void SetScreenSaver(ScreenSaver* screenSaver) {
    State().screenSaver = screenSaver;
    State().held = false;
}

void SetSoundPlayer(SoundPlayer* player) { State().player = player; }

void SetBacklightValueReader(BacklightValueReader reader) { State().reader = std::move(reader); }

void RereadBacklightValues() {
    Services& services = State();
    const auto read = [&](std::u16string_view name) {
        return services.reader ? services.reader(name) : ReadBacklightValue(name);
    };
    const bool on = read(u"BatteryTimeout") == kBacklightOnValue || read(u"ACTimeout") == kBacklightOnValue;
    if (on == services.held) return;
    services.held = on;
    if (on)
        services.Saver().Inhibit();
    else
        services.Saver().UnInhibit();
}

bool BacklightHeld() { return State().held; }

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

void SystemIdleTimerReset() { State().Saver().SimulateUserActivity(); }

BOOL sndPlaySoundW(const char16_t* sound, UINT flags) {
    SoundPlayer& player = State().Player();
    player.Stop();
    if (!sound || !*sound) return TRUE;
    return player.Play(std::u16string(sound), (flags & SND_LOOP) != 0) ? TRUE : FALSE;
}

}  // namespace velora::platform
