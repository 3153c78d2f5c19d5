#include "app/command_input.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
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
    // Sized from the file and read in one go (a character iterator cost a tenth of `velora body`
    // on a 1 MB message); whatever the file grew by meanwhile is read after it.
    std::string bytes(static_cast<std::size_t>(std::filesystem::file_size(path, error)), '\0');
    if (error) bytes.clear();
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    if (file) {
        std::ostringstream rest;
        rest << file.rdbuf();
        bytes += std::move(rest).str();
    }
    if (file.bad()) {
        reason = "cannot read '" + path + "'";
        return std::nullopt;
    }
    return bytes;
}

std::u16string ReadingTextOfInput(std::string_view bytes, InputKind kind) {
    if (kind == InputKind::Message) {
        return std::u16string(content::ReadingTextOfMessageFile(bytes).View());
    }
    constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    return platform::DecodeUtf8OrWindows1252(bytes);
}

}  // namespace velora::app
