// velora read [--message] [--scale N] [FILE|-]: the Reader window alone on one text, on the
// desktop (text_reading.h). Closing the window, SIGINT and SIGTERM end it as the phone's shutdown
// did: WM_QUIT to the window (settings saved, the user's backlight values written back), then
// WM_CLOSE.

#include <memory>
#include <optional>
#include <string>

#include "commands/command_input.h"
#include "commands/commands.h"
#include "commands/desktop_application.h"
#include "commands/text_reading.h"
#include "platform/desktop/device_screen.h"
#include "platform/ui/screen.h"

namespace velora::commands {
namespace {

struct ReadOptions {
    bool message = false;
    int scale = platform::kDefaultScreenScale;
    std::string path;  // "-": standard input
};

ReadOptions ParseReadOptions(const std::vector<std::string>& arguments) {
    ReadOptions options;
    const auto setScale = [&](std::string_view text) {
        const std::optional<std::int32_t> scale = WholeNumber(text);
        if (!scale || *scale < 1 || *scale > 16) {
            throw UsageError{"read: --scale needs a whole number from 1 to 16"};
        }
        options.scale = *scale;
    };
    options.path =
        ParseCommandOptions(
            arguments, {.command = "read",
                        .options = {Flag("--message", [&] { options.message = true; }),
                                    Valued("--scale", "read: --scale needs a number", setScale)}})
            .value_or("-");
    return options;
}

}  // namespace

int RunReadCommand(const CommandContext& context) {
    const ReadOptions options = ParseReadOptions(context.arguments);
    const std::optional<std::string> bytes = ReadCommandInput(options.path, context);
    if (!bytes) return kExitInputError;
    const std::u16string text =
        ReadingTextOfInput(*bytes, options.message ? InputKind::Message : InputKind::Text);

    const DesktopApplication desktop;
    platform::Screen screen;
    TextReading reading(screen, text, KeepAwakeSoundBesideProgram());
    const std::unique_ptr<platform::DeviceScreenWidget> widget =
        MakeDeviceScreenWidget(screen, options.scale);
    const platform::ShutdownSignals shutdownSignals(screen);
    widget->show();
    screen.RunMessageLoop();
    return kExitSuccess;
}

}  // namespace velora::commands
