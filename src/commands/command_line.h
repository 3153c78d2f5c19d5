#pragma once
// The program's command line: subcommands for scripts, tests and benchmarks, and the window.
// Exit codes: 0 success, 1 an input/output error (one-line reason on stderr), 2 a usage error
// (the usage text on stderr).
//
// Two programs share it. `velora-window` links the windows and runs every command itself.
// `velora`, the one users start, runs the commands that need no display itself and hands the
// others (the Inbox, with no subcommand, and `read`) over to `velora-window` by exec: its script
// commands then start without loading the GUI libraries (a tenth of the start-up time of the
// window program).

#include <iosfwd>
#include <string>
#include <vector>

#include "commands/option_parser.h"

namespace velora::commands {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitInputError = 1;
inline constexpr int kExitUsageError = 2;

// What every subcommand receives: its own arguments (after the subcommand name, with the
// options common to all subcommands already taken out) and the streams to write to.
struct CommandContext {
    std::vector<std::string> arguments;
    std::vector<std::string> maildirs;     // every --maildir PATH, in order
    std::vector<std::string> commandLine;  // every argument as given, for a hand-over
    std::ostream& out;
    std::ostream& err;
};

// The commands that open windows: the Inbox (no subcommand) and `read`.
enum class WindowCommand { Inbox, Read };
using WindowCommandRunner = int (*)(WindowCommand command, const CommandContext& context);

// `runWindowCommand` runs the window commands: RunWindowCommand (window_commands.h) in the window
// program, HandOverToWindowProgram in the command-line program.
int RunCommandLine(int argc, char** argv, WindowCommandRunner runWindowCommand);
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   WindowCommandRunner runWindowCommand);

std::string UsageText();

}  // namespace velora::commands
