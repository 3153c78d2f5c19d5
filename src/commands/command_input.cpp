#include "commands/command_input.h"

#include <iostream>
#include <sstream>

#include "content/message_file_text.h"
#include "platform/base/file_io.h"
#include "platform/base/text_codec.h"

namespace velora::commands {

std::optional<std::string> ReadInputBytes(const std::string& path, std::istream& standardInput,
                                          std::string& reason) {
    if (path.empty() || path == "-") {
        std::ostringstream bytes;
        bytes << standardInput.rdbuf();
        if (standardInput.bad()) {
            reason = "cannot read standard input";
            return std::nullopt;
        }
        return std::move(bytes).str();
    }
    // A named FIFO or device (/dev/stdin, a shell's <(command)) is read as the stream it is; a
    // folder or socket is refused. Nothing larger than any message is read.
    std::string bytes;
    const platform::FileStatus read = platform::ReadFile(path,
                                                         {.limit = platform::kMaxMessageFileSize,
                                                          .links = platform::Links::Follow,
                                                          .streams = platform::Streams::Allowed},
                                                         bytes);
    if (!read) {
        const bool opened = read.Error() != platform::FileError::NotFound &&
                            read.Error() != platform::FileError::System;
        reason = std::string(opened ? "cannot read '" : "cannot open '") + path + "': " +
                 (read.Error() == platform::FileError::NotRegular ? std::string("it is not a file")
                                                                  : read.Reason());
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> ReadCommandInput(const std::string& path,
                                            const CommandContext& context) {
    std::string reason;
    std::optional<std::string> bytes = ReadInputBytes(path, std::cin, reason);
    if (!bytes) context.err << "velora: " << reason << "\n";
    return bytes;
}

int FinishOutput(const CommandContext& context, std::string_view failure) {
    context.out.flush();
    if (context.out) return kExitSuccess;
    context.err << "velora: " << failure << "\n";
    return kExitInputError;
}

std::u16string ReadingTextOfInput(std::string_view bytes, InputKind kind) {
    if (kind == InputKind::Message) {
        return std::u16string(content::ReadingTextOfMessageFile(bytes).View());
    }
    constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    return platform::DecodeUtf8OrWindows1252(bytes);
}

}  // namespace velora::commands
