#include "app/desktop_application.h"

namespace velora::app {
namespace {

// What QApplication keeps a reference to for its whole life.
int applicationArgc = 1;
char applicationName[] = "velora";
char* applicationArgv[] = {applicationName, nullptr};

}  // namespace

DesktopApplication::DesktopApplication() : application_(applicationArgc, applicationArgv) {
    QApplication::setApplicationName(QStringLiteral("velora"));
}

}  // namespace velora::app
