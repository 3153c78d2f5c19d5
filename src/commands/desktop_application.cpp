#include "commands/desktop_application.h"

#include <filesystem>

#include "commands/text_key_filter.h"
#include "platform/desktop/device_screen.h"
#include "resources/program_resources.h"

namespace velora::commands {

DesktopApplication::DesktopApplication() : application_(argc_, argv_) {
    QApplication::setApplicationName(QStringLiteral("velora"));
}

std::u16string KeepAwakeSoundBesideProgram() {
    const std::filesystem::path sound = resources::FindKeepAwakeSound(
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()));
    return QString::fromStdString(sound.string()).toStdU16String();
}

std::unique_ptr<platform::DeviceScreenWidget> MakeDeviceScreenWidget(platform::Screen& screen,
                                                                     int scale) {
    auto widget = std::make_unique<platform::DeviceScreenWidget>(screen, scale);
    widget->setWindowTitle(QStringLiteral("Velora"));
    InstallTextKeyFilter(*widget, screen);
    return widget;
}

}  // namespace velora::commands
