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
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "commands/command_input.h"
#include "commands/commands.h"
#include "platform/base/text_codec.h"
#include "reader/frame_sequence.h"
#include "reader/player.h"
#include "reader/segment_text.h"
#include "services/settings.h"

namespace velora::commands {
namespace {

using services::ReadingSettings;

struct FramesOptions {
    InputKind kind = InputKind::Text;
    std::string path;  // "-": standard input
    // The command line's settings, put over the saved ones in the order given.
    std::vector<std::pair<std::int32_t ReadingSettings::*, std::int32_t>> overrides;
};

FramesOptions ParseFramesOptions(const std::vector<std::string>& arguments) {
    FramesOptions options;
    const auto setting = [&](std::string_view name, std::int32_t ReadingSettings::*field) {
        return Valued(name, "frames: " + std::string(name) + " needs N",
                      [&options, name, field](std::string_view text) {
                          const std::optional<std::int32_t> value = WholeNumber(text);
                          if (!value) {
                              throw UsageError{"frames: " + std::string(name) +
                                               " needs a whole number, not '" + std::string(text) +
                                               "'"};
                          }
                          options.overrides.emplace_back(field, *value);
                      });
    };
    const auto switchSetting = [&](std::string_view name, std::int32_t ReadingSettings::*field,
                                   std::int32_t value) {
        return Flag(name,
                    [&options, field, value] { options.overrides.emplace_back(field, value); });
    };
    options.path =
        ParseCommandOptions(
            arguments, {.command = "frames",
                        .options = {Flag("--message", [&] { options.kind = InputKind::Message; }),
                                    setting("--speed", &ReadingSettings::SpeedSet),
                                    setting("--len", &ReadingSettings::Len),
                                    setting("--punct1", &ReadingSettings::Punct1),
                                    setting("--punct2", &ReadingSettings::Punct2),
                                    setting("--num", &ReadingSettings::Num),
                                    switchSetting("--boost", &ReadingSettings::SpeedBoost, 1),
                                    switchSetting("--no-tintline", &ReadingSettings::Tintline, 0)}})
            .value_or("-");
    return options;
}

// The saved settings (first-run values when none are saved), then the command line's, with the
// speed times made from them.
ReadingSettings SettingsForFrames(const FramesOptions& options) {
    ReadingSettings settings;
    services::BacklightSnapshot snapshot;
    services::LoadSettings(settings, snapshot);
    for (const auto& [field, value] : options.overrides) settings.*field = value;
    services::SetSpeedBoostFactors(settings);
    services::RecomputeSpeedTimes(settings);
    return settings;
}

void AppendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendFrame(std::string& out, const reader::ShownFrame& frame, bool tintline) {
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
}

// Plays the document to its end, writing a line per frame in pieces of about 64 KB.
void WriteFrames(std::u16string document, ReadingSettings& settings, std::ostream& stream) {
    reader::Player player;
    reader::InstallDocument(player, std::move(document));
    const bool tintline = settings.Tintline != 0;
    std::string out;
    reader::PlayLoadedDocument(player, settings, [&](const reader::ShownFrame& frame) {
        AppendFrame(out, frame, tintline);
        if (out.size() >= (1u << 16)) {
            stream << out;
            out.clear();
        }
    });
    out += "The End.\n";
    stream << out;
}

}  // namespace

int RunFramesCommand(const CommandContext& context) {
    const FramesOptions options = ParseFramesOptions(context.arguments);
    const std::optional<std::string> bytes = ReadCommandInput(options.path, context);
    if (!bytes) return kExitInputError;
    ReadingSettings settings = SettingsForFrames(options);
    WriteFrames(reader::SegmentText(ReadingTextOfInput(*bytes, options.kind)), settings,
                context.out);
    return FinishOutput(context, "cannot write the frames");
}

}  // namespace velora::commands
