#include "commands/desktop_application.h"

namespace velora::commands {
namespace {

// What QApplication keeps a reference to for its whole life.
int applicationArgc = 1;
char applicationName[] = "velora";
char* applicationArgv[] = {applicationName, nullptr};

}  // namespace

DesktopApplication::DesktopApplication() : application_(applicationArgc, applicationArgv) {
    QApplication::setApplicationName(QStringLiteral("velora"));
}

}  // namespace velora::commands
