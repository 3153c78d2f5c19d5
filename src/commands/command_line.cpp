#include "commands/command_line.h"

#include <malloc.h>

#include <iostream>
#include <string_view>

#include "commands/commands.h"

namespace velora::commands {
namespace {

constexpr std::string_view kVersion = "0.1.0";

struct Subcommand {
    std::string_view name;
    int (*run)(const CommandContext&);
};

constexpr Subcommand kSubcommands[] = {
    {"version",
     [](const CommandContext& context) {
         context.out << "velora " << kVersion << "\n";
         return kExitSuccess;
     }},
    {"document", RunDocumentCommand},
    {"frames", RunFramesCommand},
    {"body", RunBodyCommand},
    {"list", RunListCommand},
};

}  // namespace

std::string UsageText() {
    return R"(Usage: velora [OPTIONS] [SUBCOMMAND ...]

Velora reads e-mail one word at a time.

Without a subcommand, velora opens the Inbox of the mail stores in a window showing the
phone screen (--scale N sets its pixel size, default 3). Keys:
  Enter         the Action key pressed: read the selected message; play and pause
  arrow keys    the Action key tilted: Up/Down move in the list and step by sentence,
                Left/Right switch the date display and change the reading speed
  F1, F2        the left and right soft keys (the labels can be clicked too)
  Escape        the Back key
Only one copy runs at a time: starting velora again brings the running one forward and
makes it reload its Inbox.

Subcommands (each runs without a display):
  document [--message] [--raw] [FILE|-]
        Print the reading document of a text file (or of a message file with --message):
        tokens separated by one space, the marks written [S], [L] and [P].
  frames [--message] [--speed N] [--len N] [--punct1 N] [--punct2 N] [--num N]
         [--boost] [--no-tintline] [FILE|-]
        Print every frame the reader shows for the text: on-screen time, gap, Tintline
        colour and text, tab-separated, then "The End.".
  body FILE|-
        Print the reading text of a message file, taken from its MIME source as the
        reader takes it for a received message, before segmentation.
  list [--sort read|sender|date]...
        Print the Inbox list of the mail stores, one message a line: R or - (read),
        A or - (attachment), D or - (marked for download), the delivery time
        (YYYY-MM-DD HH:MM, UTC), sender and subject, tab-separated. Each --sort is one
        sort command of the Inbox menu, applied in order (a repeated key reverses).

Reading on the desktop:
  read [--message] [--scale N] [FILE|-]
        Show the reader on the text of a file (or of a message file with --message),
        paused on its first word; Enter plays and pauses, the arrows change the speed and
        step by sentence, F1/F2 are the soft keys. --scale sets the pixel size (default 3).

Options:
  --maildir PATH   read mail from this Maildir (repeatable); without it the stores of
                   $VELORA_HOME/stores.ini, else $MAILDIR, else the demo store
  --help           show this text
  --version        show the version

Files named "-" or left out are read from standard input. Text that is not UTF-8 is read
as Windows-1252. Exit status: 0 success, 1 input/output error, 2 usage error.
)";
}

namespace {

enum class Request { Run, Help, Version };

// The options of every command, taken out wherever they stand. The first argument that is not an
// option names the subcommand; every other argument is left, in order, for the subcommand (or,
// without one, the window).
Request ParseCommonOptions(const std::vector<std::string>& arguments, CommandContext& context,
                           std::string& subcommand) {
    Request request = Request::Run;
    // --help and --version answer at once: what follows them is not looked at.
    const auto answer = [&request](std::string_view name, Request asked) {
        return Option{name,
                      Takes::Nothing,
                      {},
                      [&request, asked](std::string_view) { request = asked; },
                      Then::Stop};
    };
    const std::vector<Option> common = {
        answer("--help", Request::Help), answer("-h", Request::Help),
        answer("--version", Request::Version),
        Valued("--maildir", "--maildir needs a path",
               [&](std::string_view path) { context.maildirs.emplace_back(path); })};
    const auto leave = [&](const std::string& argument) {
        context.arguments.push_back(argument);
        return Then::Continue;
    };
    // Before the subcommand, the window's --scale keeps its value, which is then never taken for
    // the subcommand.
    std::vector<Option> beforeSubcommand = common;
    beforeSubcommand.push_back(
        {"--scale", Takes::NextArgument, "--scale needs a number", [&](std::string_view value) {
             context.arguments.emplace_back("--scale");
             context.arguments.emplace_back(value);
         }});
    const std::size_t next =
        ParseArguments(arguments, beforeSubcommand, [&](const std::string& argument) {
            if (argument.starts_with("-")) return leave(argument);
            subcommand = argument;
            return Then::Stop;
        });
    if (request == Request::Run && !subcommand.empty()) {
        ParseArguments(std::span(arguments).subspan(next), common, leave);
    }
    return request;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   WindowCommandRunner runWindowCommand) {
    CommandContext context{{}, {}, arguments, out, err};
    try {
        std::string subcommand;
        switch (ParseCommonOptions(arguments, context, subcommand)) {
            case Request::Help:
                out << UsageText();
                return kExitSuccess;
            case Request::Version:
                out << "velora " << kVersion << "\n";
                return kExitSuccess;
            case Request::Run:
                break;
        }
        if (subcommand.empty()) return runWindowCommand(WindowCommand::Inbox, context);
        if (subcommand == "read") return runWindowCommand(WindowCommand::Read, context);
        for (const Subcommand& candidate : kSubcommands) {
            if (candidate.name == subcommand) return candidate.run(context);
        }
        throw UsageError{"unknown subcommand '" + subcommand + "'"};
    } catch (const UsageError& error) {
        err << "velora: " << error.message << "\n\n" << UsageText();
        return kExitUsageError;
    }
}

int RunCommandLine(int argc, char** argv, WindowCommandRunner runWindowCommand) {
    // No fast bins: a large folder's listing frees hundreds of thousands of small blocks, and
    // glibc's later consolidation of the fast bins cost about a tenth of the listing. Small
    // blocks still come from the per-thread cache.
    mallopt(M_MXFAST, 0);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunCommandLine(arguments, std::cout, std::cerr, runWindowCommand);
}

}  // namespace velora::commands
