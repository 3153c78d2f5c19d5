#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "commands/application.h"
#include "commands/commands.h"
#include "commands/window_commands.h"

namespace velora::commands {

namespace {

// The window's --scale is read as strtol reads a number: white space and one '+' may come first.
int ParseWindowScale(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size()));
    if (text.starts_with('+')) text.remove_prefix(1);
    const std::optional<std::int32_t> scale = WholeNumber(text);
    if (!scale || *scale < 1 || *scale > 16) {
        throw UsageError{"--scale needs a whole number from 1 to 16"};
    }
    return *scale;
}

}  // namespace

int RunProgramCommand(const CommandContext& context) {
    int scale = 3;
    ParseCommandOptions(
        context.arguments,
        {.options = {Valued("--scale", "--scale needs a number",
                            [&](std::string_view value) { scale = ParseWindowScale(value); })},
         .operands = Operands::None});
    return RunProgram(context.maildirs, scale, context.err);
}

int RunWindowCommand(WindowCommand command, const CommandContext& context) {
    return command == WindowCommand::Read ? RunReadCommand(context) : RunProgramCommand(context);
}

}  // namespace velora::commands
