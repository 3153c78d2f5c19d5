#include "app/command_input.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "content/message_file_text.h"
#include "platform/text_codec.h"

namespace velora::app {

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
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        reason = "cannot read '" + path + "': it is a folder";
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        reason = "cannot open '" + path + "': " + std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        reason = "cannot read '" + path + "'";
        return std::nullopt;
    }
    return bytes;
}

std::u16string ReadingTextOfInput(std::string_view bytes, InputKind kind) {
    if (kind == InputKind::Message) return content::ReadingTextOfMessageFile(bytes);
    constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    return platform::DecodeUtf8OrWindows1252(bytes);
}

}  // namespace velora::app
