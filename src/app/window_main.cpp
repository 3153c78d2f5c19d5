// velora-window: every command, the windows included, run in this process.
#include "commands/window_commands.h"
#include "platform/base/program_services.h"

int main(int argc, char** argv) {
    // What is made before a Qt application exists (the resource tables) is released here; the
    // window commands install their own services for the time of their Qt application.
    const velora::platform::ProgramServices services;
    return velora::commands::RunCommandLine(argc, argv, velora::commands::RunWindowCommand);
}
