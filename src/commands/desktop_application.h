// The Qt application of the window commands with the platform layer's services: made in that
// order, so released in the reverse one. What the layer makes while the windows run (the
// keep-awake sound, the screen-saver connection, the fonts) then always goes before the Qt
// application it needs, whichever command made the windows.
#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "platform/base/program_services.h"

namespace velora::platform {
class DeviceScreenWidget;
class Screen;
}  // namespace velora::platform

namespace velora::commands {

class DesktopApplication {
  public:
    DesktopApplication();
    DesktopApplication(const DesktopApplication&) = delete;
    DesktopApplication& operator=(const DesktopApplication&) = delete;

  private:
    // What QApplication keeps a reference to for its whole life.
    int argc_ = 1;
    char name_[7] = "velora";
    char* argv_[2] = {name_, nullptr};
    QApplication application_;
    platform::ProgramServices services_;
};

// The keep-awake sound beside the running program; empty when there is none. Needs the Qt
// application.
std::u16string KeepAwakeSoundBesideProgram();

// The desktop window showing `screen` at `scale` times its pixel size, titled, with the keys of
// the dialogs' edit control filtered; not shown yet.
std::unique_ptr<platform::DeviceScreenWidget> MakeDeviceScreenWidget(platform::Screen& screen,
                                                                     int scale);

}  // namespace velora::commands
