#pragma once
// The two ways of running the commands that open windows (see command_line.h).

#include <filesystem>

#include "commands/command_line.h"

namespace velora::commands {

// The window program's runner: the Inbox or the reader, in this process.
int RunWindowCommand(WindowCommand command, const CommandContext& context);

// The command-line program's runner: replaces this process with the window program, given the
// same arguments. Returns only when the window program cannot be started, after a one-line reason
// on context.err (exit status 1).
int HandOverToWindowProgram(WindowCommand command, const CommandContext& context);

// The window program that belongs to the program at `thisProgram`: beside it (the build tree),
// else where the install puts it relative to the program's folder. Empty when neither exists.
std::filesystem::path FindWindowProgram(const std::filesystem::path& thisProgram);

inline constexpr const char* kWindowProgramName = "velora-window";

}  // namespace velora::commands
