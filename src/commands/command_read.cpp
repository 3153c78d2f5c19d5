// velora read [--message] [--scale N] [FILE|-]: the Reader window alone on one text, on the
// desktop (text_reading.h). Closing the window, SIGINT and SIGTERM end it as the phone's shutdown
// did: WM_QUIT to the window (settings saved, the user's backlight values written back), then
// WM_CLOSE.

#include <QApplication>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "commands/command_input.h"
#include "commands/commands.h"
#include "commands/desktop_application.h"
#include "commands/text_key_filter.h"
#include "commands/text_reading.h"
#include "content/message_file_text.h"
#include "platform/desktop/device_screen.h"
#include "platform/ui/screen.h"
#include "resources/program_resources.h"

namespace velora::commands {
namespace {

struct ReadOptions {
    bool message = false;
    int scale = platform::kDefaultScreenScale;
    std::string path = "-";
};

int ParseScale(const std::string& text) {
    int scale = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), scale);
    if (error != std::errc{} || end != text.data() + text.size() || scale < 1 || scale > 16) {
        throw UsageError{"read: --scale needs a whole number from 1 to 16"};
    }
    return scale;
}

ReadOptions ParseReadOptions(const std::vector<std::string>& arguments) {
    ReadOptions options;
    bool pathGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--message") {
            options.message = true;
        } else if (argument == "--scale") {
            if (i + 1 >= arguments.size()) throw UsageError{"read: --scale needs a number"};
            options.scale = ParseScale(arguments[++i]);
        } else if (argument.starts_with("--scale=")) {
            options.scale = ParseScale(argument.substr(8));
        } else if (argument.starts_with("-") && argument != "-") {
            throw UsageError{"read: unknown option '" + argument + "'"};
        } else if (pathGiven) {
            throw UsageError{"read: only one file can be read"};
        } else {
            options.path = argument;
            pathGiven = true;
        }
    }
    return options;
}

}  // namespace

int RunReadCommand(const CommandContext& context) {
    const ReadOptions options = ParseReadOptions(context.arguments);
    std::string reason;
    const std::optional<std::string> bytes = ReadInputBytes(options.path, std::cin, reason);
    if (!bytes) {
        context.err << "velora: " << reason << "\n";
        return kExitInputError;
    }
    const std::u16string text =
        ReadingTextOfInput(*bytes, options.message ? InputKind::Message : InputKind::Text);

    const DesktopApplication desktop;

    platform::Screen screen;
    const std::filesystem::path sound = resources::FindKeepAwakeSound(
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()));
    TextReading reading(screen, text, QString::fromStdString(sound.string()).toStdU16String());

    platform::DeviceScreenWidget widget(screen, options.scale);
    widget.setWindowTitle(QStringLiteral("Velora"));
    InstallTextKeyFilter(widget, screen);
    const platform::ShutdownSignals shutdownSignals(screen);
    widget.show();
    screen.RunMessageLoop();
    return kExitSuccess;
}

}  // namespace velora::commands
