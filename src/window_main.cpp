// velora-window: every command, the windows included, run in this process.
#include "app/window_commands.h"

int main(int argc, char** argv) {
    return velora::app::RunCommandLine(argc, argv, velora::app::RunWindowCommand);
}
