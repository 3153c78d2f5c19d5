// velora body FILE|-: the reading text of a message file, taken from its MIME source as the reader
// takes it for a received message, before segmentation. Written as UTF-8 exactly as it is (line
// ends included, nothing added), so that scripts can compare it byte for byte.

#include <iostream>
#include <optional>
#include <string>

#include "commands/command_input.h"
#include "commands/commands.h"
#include "content/message_file_text.h"
#include "platform/base/text_codec.h"

namespace velora::commands {

int RunBodyCommand(const CommandContext& context) {
    std::optional<std::string> path;
    for (const std::string& argument : context.arguments) {
        if (argument.starts_with("-") && argument != "-") {
            throw UsageError{"body: unknown option '" + argument + "'"};
        }
        if (path) throw UsageError{"body: only one file can be read"};
        path = argument;
    }
    if (!path) throw UsageError{"body: name a message file, or - for standard input"};
    std::string reason;
    const std::optional<std::string> bytes = ReadInputBytes(*path, std::cin, reason);
    if (!bytes) {
        context.err << "velora: " << reason << "\n";
        return kExitInputError;
    }
    platform::WriteUtf8(context.out, content::ReadingTextOfMessageFile(*bytes).View());
    context.out.flush();
    if (!context.out) {
        context.err << "velora: cannot write the output\n";
        return kExitInputError;
    }
    return kExitSuccess;
}

}  // namespace velora::commands
