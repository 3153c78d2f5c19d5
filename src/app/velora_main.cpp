// velora: the command-line program. The window commands are handed over to velora-window.
#include "commands/window_commands.h"
#include "platform/base/program_services.h"

int main(int argc, char** argv) {
    const velora::platform::ProgramServices services;  // released before main returns
    return velora::commands::RunCommandLine(argc, argv, velora::commands::HandOverToWindowProgram);
}
