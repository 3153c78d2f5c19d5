// velora: the command-line program. The window commands are handed over to velora-window.
#include "app/window_commands.h"

int main(int argc, char** argv) {
    return velora::app::RunCommandLine(argc, argv, velora::app::HandOverToWindowProgram);
}
