#pragma once
// The input of the text subcommands (document, frames): a file, or standard input for "-" or
// no name, read whole as bytes, and the reading text made from them.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "commands/command_line.h"

namespace velora::commands {

// The bytes of `path` ("-" or empty: standard input); a named FIFO or device is read as a
// stream, a folder is refused, and nothing over kMaxMessageFileSize is read. On failure returns
// std::nullopt and sets `reason` to a one-line explanation naming the file.
[[nodiscard]] std::optional<std::string> ReadInputBytes(const std::string& path,
                                                        std::istream& standardInput,
                                                        std::string& reason);

// ReadInputBytes with standard input for "-", as the commands use it: on failure the reason is
// written to context.err as one line and the result is empty.
[[nodiscard]] std::optional<std::string> ReadCommandInput(const std::string& path,
                                                          const CommandContext& context);

// The end of a command that printed to context.out: flushes it and returns kExitSuccess, or
// kExitInputError after "velora: <failure>" on context.err when the output could not be written.
[[nodiscard]] int FinishOutput(const CommandContext& context, std::string_view failure);

enum class InputKind { Text, Message };

// The reading text of the input: a text file is UTF-8 (a leading byte-order mark is dropped), or
// Windows-1252 when its bytes are not UTF-8; a message file goes through the content code as a
// received message does.
std::u16string ReadingTextOfInput(std::string_view bytes, InputKind kind);

}  // namespace velora::commands
