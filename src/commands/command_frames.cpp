// velora frames [--message] [--speed N] [--len N] [--punct1 N] [--punct2 N] [--num N] [--boost]
// [--no-tintline] [FILE|-]: every frame the reader shows for a loaded text played to its end.
//
// One line per frame: CurWordDelay, gapDelay, the Tintline colour as drawn ("R,G,B", low 8 bits
// of red and green, blue 0; "127,127,127" with the Tintline off) and the text shown (empty for a
// sentence-end frame), tab-separated. The first line is the frame shown paused after the load;
// the listing ends with "The End." where the word area shows it. The last sentence-end frame of a
// document stands on the final mark, where the word area already shows "The End.", so it is not
// listed as a frame of its own; a document with nothing to show lists only "The End.".

#include <charconv>
#include <iostream>
#include <string>

#include "commands/command_input.h"
#include "commands/commands.h"
#include "platform/base/text_codec.h"
#include "reader/frame_sequence.h"
#include "reader/player.h"
#include "reader/segment_text.h"
#include "services/settings.h"

namespace velora::commands {
namespace {

std::int32_t ParseNumber(const std::string& option, const std::string& text) {
    std::int32_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) {
        throw UsageError{"frames: " + option + " needs a whole number, not '" + text + "'"};
    }
    return value;
}

void AppendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

}  // namespace

int RunFramesCommand(const CommandContext& context) {
    InputKind kind = InputKind::Text;
    std::optional<std::string> path;
    struct Override {
        const char* option;
        std::optional<std::int32_t> value;
    };
    Override speed{"--speed", {}}, length{"--len", {}}, punct1{"--punct1", {}},
        punct2{"--punct2", {}}, number{"--num", {}};
    Override* const numbered[] = {&speed, &length, &punct1, &punct2, &number};
    bool boost = false;
    bool noTintline = false;
    const std::vector<std::string>& arguments = context.arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--message") {
            kind = InputKind::Message;
            continue;
        }
        if (argument == "--boost") {
            boost = true;
            continue;
        }
        if (argument == "--no-tintline") {
            noTintline = true;
            continue;
        }
        bool matched = false;
        for (Override* candidate : numbered) {
            const std::string option = candidate->option;
            if (argument == option) {
                if (i + 1 >= arguments.size()) throw UsageError{"frames: " + option + " needs N"};
                candidate->value = ParseNumber(option, arguments[++i]);
                matched = true;
            } else if (argument.starts_with(option + "=")) {
                candidate->value = ParseNumber(option, argument.substr(option.size() + 1));
                matched = true;
            }
        }
        if (matched) continue;
        if (argument.starts_with("-") && argument != "-") {
            throw UsageError{"frames: unknown option '" + argument + "'"};
        }
        if (path) throw UsageError{"frames: only one file can be read"};
        path = argument;
    }

    std::string reason;
    const std::optional<std::string> bytes = ReadInputBytes(path.value_or("-"), std::cin, reason);
    if (!bytes) {
        context.err << "velora: " << reason << "\n";
        return kExitInputError;
    }

    // The saved settings (first-run values when none are saved), then the command line's.
    services::ReadingSettings settings;
    services::BacklightSnapshot snapshot;
    services::LoadSettings(settings, snapshot);
    if (speed.value) settings.SpeedSet = *speed.value;
    if (length.value) settings.Len = *length.value;
    if (punct1.value) settings.Punct1 = *punct1.value;
    if (punct2.value) settings.Punct2 = *punct2.value;
    if (number.value) settings.Num = *number.value;
    if (boost) settings.SpeedBoost = 1;
    if (noTintline) settings.Tintline = 0;
    services::SetSpeedBoostFactors(settings);
    services::RecomputeSpeedTimes(settings);

    reader::Player player;
    reader::InstallDocument(player, reader::SegmentText(ReadingTextOfInput(*bytes, kind)));
    const bool tintline = settings.Tintline != 0;
    std::string out;
    reader::PlayLoadedDocument(player, settings, [&](const reader::ShownFrame& frame) {
        AppendNumber(out, frame.onScreen);
        out += '\t';
        AppendNumber(out, frame.gap);
        out += '\t';
        if (tintline) {
            AppendNumber(out, frame.tintRed & 0xff);
            out += ',';
            AppendNumber(out, frame.tintGreen & 0xff);
            out += ",0\t";
        } else {
            out += "127,127,127\t";
        }
        out += platform::EncodeUtf8(frame.text);
        out += '\n';
        if (out.size() >= (1u << 16)) {
            context.out << out;
            out.clear();
        }
    });
    out += "The End.\n";
    context.out << out;
    context.out.flush();
    if (!context.out) {
        context.err << "velora: cannot write the frames\n";
        return kExitInputError;
    }
    return kExitSuccess;
}

}  // namespace velora::commands
