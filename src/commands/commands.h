#pragma once
// One function per subcommand; each lives in a file of its own (command_NAME.cpp).

#include "commands/command_line.h"

namespace velora::commands {

// velora document [--message] [--raw] [FILE|-]
int RunDocumentCommand(const CommandContext& context);
// velora frames [--message] [--speed N] [--len N] [--punct1 N] [--punct2 N] [--num N] [--boost]
//               [--no-tintline] [FILE|-]
int RunFramesCommand(const CommandContext& context);

// velora body FILE|-
int RunBodyCommand(const CommandContext& context);

// velora read [--message] [--scale N] [FILE|-]: the Reader window on the desktop.
int RunReadCommand(const CommandContext& context);

// velora list [--sort read|sender|date]...: the Inbox list of the stores, one message a line.
int RunListCommand(const CommandContext& context);

}  // namespace velora::commands
