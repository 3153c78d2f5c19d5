// velora: the command-line program. The window commands are handed over to velora-window.
#include "app/window_commands.h"
#include "platform/program_services.h"

int main(int argc, char** argv) {
    const velora::platform::ProgramServices services;  // released before main returns
    return velora::app::RunCommandLine(argc, argv, velora::app::HandOverToWindowProgram);
}
