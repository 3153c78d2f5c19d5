#pragma once
// The program's command line: subcommands for scripts, tests and benchmarks, and the window.
// Exit codes: 0 success, 1 an input/output error (one-line reason on stderr), 2 a usage error
// (the usage text on stderr).

#include <iosfwd>
#include <string>
#include <vector>

namespace velora::app {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitInputError = 1;
inline constexpr int kExitUsageError = 2;

// What every subcommand receives: its own arguments (after the subcommand name, with the
// options common to all subcommands already taken out) and the streams to write to.
struct CommandContext {
    std::vector<std::string> arguments;
    std::vector<std::string> maildirs;  // every --maildir PATH, in order
    std::ostream& out;
    std::ostream& err;
};

// Thrown by a subcommand's option parsing; RunCommandLine prints the message and the usage text
// and exits 2.
struct UsageError {
    std::string message;
};

int RunCommandLine(int argc, char** argv);
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

std::string UsageText();

}  // namespace velora::app
