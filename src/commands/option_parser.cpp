#include "commands/option_parser.h"

#include <charconv>

namespace velora::commands {
namespace {

// The row `argument` names, with the value it carries after '=' (`--speed=20`), if any.
const Option* FindOption(std::span<const Option> options, std::string_view argument,
                         std::optional<std::string_view>& attachedValue) {
    for (const Option& option : options) {
        if (argument == option.name) return &option;
        if (option.takes == Takes::Value && argument.size() > option.name.size() &&
            argument.starts_with(option.name) && argument[option.name.size()] == '=') {
            attachedValue = argument.substr(option.name.size() + 1);
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

Option Flag(std::string_view name, std::function<void()> set) {
    return {name, Takes::Nothing, {}, [set = std::move(set)](std::string_view) { set(); }};
}

Option Valued(std::string_view name, std::string missingValue,
              std::function<void(std::string_view value)> set) {
    return {name, Takes::Value, std::move(missingValue), std::move(set)};
}

std::size_t ParseArguments(std::span<const std::string> arguments, std::span<const Option> options,
                           const std::function<Then(const std::string& argument)>& other) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::optional<std::string_view> value;
        const Option* option = FindOption(options, arguments[i], value);
        if (option == nullptr) {
            if (other(arguments[i]) == Then::Stop) return i + 1;
            continue;
        }
        if (option->takes != Takes::Nothing && !value) {
            if (i + 1 >= arguments.size()) throw UsageError{option->missingValue};
            value = arguments[++i];
        }
        option->set(value.value_or(std::string_view()));
        if (option->then == Then::Stop) return i + 1;
    }
    return arguments.size();
}

std::optional<std::string> ParseCommandOptions(std::span<const std::string> arguments,
                                               const CommandOptions& table) {
    const std::string prefix = table.command.empty() ? "" : std::string(table.command) + ": ";
    std::optional<std::string> operand;
    ParseArguments(arguments, table.options, [&](const std::string& argument) {
        const bool isOperand = argument == "-" || !argument.starts_with("-");
        if (!isOperand || table.operands == Operands::None) {
            throw UsageError{prefix + std::string(table.unknown) + " '" + argument + "'"};
        }
        if (operand) throw UsageError{prefix + "only one file can be read"};
        operand = argument;
        return Then::Continue;
    });
    return operand;
}

std::optional<std::int32_t> WholeNumber(std::string_view text) {
    std::int32_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

}  // namespace velora::commands
