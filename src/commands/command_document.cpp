// velora document [--message] [--raw] [FILE|-]: the reading document of a text or message file.

#include <ostream>
#include <string>

#include "commands/command_input.h"
#include "commands/commands.h"
#include "platform/base/text_codec.h"
#include "reader/segment_text.h"

namespace velora::commands {
namespace {

// The marks written readably: U+007F as [S], U+008F as [L], U+0090 as [P]. In UTF-8 these are the
// byte 7F and the pairs C2 8F and C2 90; C2 is never a continuation byte, so the pairs cannot be
// part of another character.
std::string WithReadableMarks(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 16);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\x7f') {
            out += "[S]";
        } else if (c == '\xc2' && i + 1 < utf8.size() && utf8[i + 1] == '\x8f') {
            out += "[L]";
            ++i;
        } else if (c == '\xc2' && i + 1 < utf8.size() && utf8[i + 1] == '\x90') {
            out += "[P]";
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

int RunDocumentCommand(const CommandContext& context) {
    InputKind kind = InputKind::Text;
    bool raw = false;
    const std::optional<std::string> path = ParseCommandOptions(
        context.arguments, {.command = "document",
                            .options = {Flag("--message", [&] { kind = InputKind::Message; }),
                                        Flag("--raw", [&] { raw = true; })}});
    const std::optional<std::string> bytes = ReadCommandInput(path.value_or("-"), context);
    if (!bytes) return kExitInputError;
    const std::string document =
        platform::EncodeUtf8(reader::SegmentText(ReadingTextOfInput(*bytes, kind)));
    context.out << (raw ? document : WithReadableMarks(document)) << "\n";
    return FinishOutput(context, "cannot write the document");
}

}  // namespace velora::commands
