#pragma once
// The one option parser of the command line: each command describes its options as a table of
// rows (the name, whether it takes a value, what it sets) and the parser walks the arguments in
// order. Every option may be given again: a setter decides whether the later value replaces the
// earlier one (--speed) or adds to it (--sort, --maildir).
//
// A value comes either as the next argument (`--speed 20`, taken whatever it looks like, even
// `--speed -5`) or after an equals sign (`--speed=20`); an option without a value never takes
// `=` (`--raw=1` is an unknown option). "-" alone is an operand (standard input), "--" is an
// unknown option.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velora::commands {

// Thrown by option parsing and by the setters; RunCommandLine prints the message and the usage
// text and exits 2.
struct UsageError {
    std::string message;
};

// Value: the next argument, or what follows '=' in the same one. NextArgument: only the next
// argument (`--name=...` is then not this option).
enum class Takes { Nothing, Value, NextArgument };
// What the parse does after an option: goes on, or stops there (--help, --version).
enum class Then { Continue, Stop };

struct Option {
    std::string_view name = {};  // "--speed"
    Takes takes = Takes::Nothing;
    // The whole usage error when the value is missing.
    std::string missingValue = {};
    // Receives the value ("" for Takes::Nothing); throws UsageError when the value is bad.
    std::function<void(std::string_view value)> set = {};
    Then then = Then::Continue;
};

Option Flag(std::string_view name, std::function<void()> set);
Option Valued(std::string_view name, std::string missingValue,
              std::function<void(std::string_view value)> set);

// Walks `arguments`, giving every option of `options` to its setter and every other argument
// (an operand or an option not in the table) to `other`. Stops after an option or an `other`
// call that says Then::Stop; returns the index of the argument after the stop (arguments.size()
// when it went through). Throws UsageError when a value is missing.
std::size_t ParseArguments(std::span<const std::string> arguments, std::span<const Option> options,
                           const std::function<Then(const std::string& argument)>& other);

enum class Operands { None, AtMostOne };

// The arguments of one command (after its name).
struct CommandOptions {
    // Names the command in its usage errors ("frames: ..."); empty: none.
    std::string_view command = {};
    std::vector<Option> options = {};
    // None: every argument that is not an option is refused as `unknown` is.
    Operands operands = Operands::AtMostOne;
    std::string_view unknown = "unknown option";
};

// Parses a command's arguments by its table. Returns the operand (the file to read), if given.
// Usage errors: "<command>: <unknown> 'ARG'" for what the table does not know, "<command>: only
// one file can be read" for a second operand, and the table's own messages.
std::optional<std::string> ParseCommandOptions(std::span<const std::string> arguments,
                                               const CommandOptions& table);

// `text` as a whole decimal number (an optional '-' and digits, nothing else), or nothing when it
// is not one or does not fit.
[[nodiscard]] std::optional<std::int32_t> WholeNumber(std::string_view text);

}  // namespace velora::commands
