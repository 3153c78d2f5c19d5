#include <string>

#include "commands/application.h"
#include "commands/commands.h"
#include "commands/window_commands.h"

namespace velora::commands {

int RunProgramCommand(const CommandContext& context) {
    int scale = 3;
    const std::vector<std::string>& arguments = context.arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string value;
        if (arguments[i] == "--scale") {
            if (i + 1 >= arguments.size()) throw UsageError{"--scale needs a number"};
            value = arguments[++i];
        } else if (arguments[i].rfind("--scale=", 0) == 0) {
            value = arguments[i].substr(8);
        } else {
            throw UsageError{"unknown option '" + arguments[i] + "'"};
        }
        std::size_t used = 0;
        int parsed = 0;
        try {
            parsed = std::stoi(value, &used);
        } catch (...) {
            used = 0;
        }
        if (used != value.size() || parsed < 1 || parsed > 16) {
            throw UsageError{"--scale needs a whole number from 1 to 16"};
        }
        scale = parsed;
    }
    return RunProgram(context.maildirs, scale, context.err);
}

int RunWindowCommand(WindowCommand command, const CommandContext& context) {
    return command == WindowCommand::Read ? RunReadCommand(context) : RunProgramCommand(context);
}

}  // namespace velora::commands
