// velora body FILE|-: the reading text of a message file, taken from its MIME source as the reader
// takes it for a received message, before segmentation. Written as UTF-8 exactly as it is (line
// ends included, nothing added), so that scripts can compare it byte for byte.

#include <optional>
#include <ostream>
#include <string>

#include "commands/command_input.h"
#include "commands/commands.h"
#include "content/message_file_text.h"
#include "platform/base/text_codec.h"

namespace velora::commands {

int RunBodyCommand(const CommandContext& context) {
    const std::optional<std::string> path =
        ParseCommandOptions(context.arguments, {.command = "body"});
    if (!path) throw UsageError{"body: name a message file, or - for standard input"};
    const std::optional<std::string> bytes = ReadCommandInput(*path, context);
    if (!bytes) return kExitInputError;
    platform::WriteUtf8(context.out, content::ReadingTextOfMessageFile(*bytes).View());
    return FinishOutput(context, "cannot write the output");
}

}  // namespace velora::commands
