#include "platform/maildir/side_file.h"

#include <cstdio>

#include "platform/base/file_io.h"
#include "platform/base/hex_digits.h"

namespace velora::platform {
namespace {

constexpr std::string_view kHeaderLine = "velora-state 1";

// A line per message of about 40 bytes: room for over a million messages.
constexpr std::size_t kMaxSideFileSize = 64u << 20;

bool ParseHex8(std::string_view text, std::uint32_t& value) {
    if (text.size() != 8) return false;
    value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c, HexLetters::LowerOnly);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

}  // namespace

SideStates ParseSideFile(std::string_view contents) {
    SideStates states;
    std::size_t position = 0;
    bool headerSeen = false;
    while (position < contents.size()) {
        const std::size_t end = contents.find('\n', position);
        if (end == std::string_view::npos) return {};  // truncated: the last line has no newline
        const std::string_view line = contents.substr(position, end - position);
        position = end + 1;
        if (!headerSeen) {
            if (line != kHeaderLine) return {};
            headerSeen = true;
            continue;
        }
        if (line.starts_with("end ")) {
            if (position != contents.size() || line.substr(4) != std::to_string(states.size()))
                return {};
            return states;
        }
        if (line.size() < 19 || line[8] != '\t' || line[17] != '\t') return {};
        MessageSideState state;
        if (!ParseHex8(line.substr(0, 8), state.downloadState) ||
            !ParseHex8(line.substr(9, 8), state.status)) {
            return {};
        }
        const std::string_view unique = line.substr(18);
        if (unique.empty() || !states.emplace(std::string(unique), state).second) return {};
    }
    return {};  // no end line
}

std::string FormatSideFile(const SideStates& states) {
    std::string out(kHeaderLine);
    out += '\n';
    std::size_t count = 0;
    for (const auto& [unique, state] : states) {
        if (state == MessageSideState{} || unique.find('\n') != std::string::npos) continue;
        char numbers[24];
        std::snprintf(numbers, sizeof numbers, "%08x\t%08x\t", state.downloadState, state.status);
        out += numbers;
        out += unique;
        out += '\n';
        ++count;
    }
    out += "end " + std::to_string(count) + "\n";
    return out;
}

SideStates LoadSideFile(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / kSideFileName;
    std::string contents;
    const FileStatus read = ReadFile(file, {.limit = kMaxSideFileSize}, contents);
    if (!read) {
        if (read.Error() != FileError::NotFound)
            WarnOnce(file.string(), file.string() + " is ignored: " + read.Reason());
        return {};
    }
    return ParseSideFile(contents);
}

bool SaveSideFile(const std::filesystem::path& folder, const SideStates& states) {
    return static_cast<bool>(WriteFileAtomically(folder / kSideFileName, FormatSideFile(states)));
}

}  // namespace velora::platform
