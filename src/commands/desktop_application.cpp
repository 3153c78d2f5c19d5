#include "commands/desktop_application.h"

namespace velora::commands {

DesktopApplication::DesktopApplication() : application_(argc_, argv_) {
    QApplication::setApplicationName(QStringLiteral("velora"));
}

}  // namespace velora::commands
