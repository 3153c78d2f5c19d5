#pragma once
// What Maildir cannot hold: the per-message download-state word and the partly-downloaded status
// bits, kept in a small text file "velora-state" in the folder's directory, keyed by unique name
// and replaced atomically on every change. A damaged side file is ignored (read as empty) and
// rewritten whole on the next change; one that is no regular file is also reported once on
// stderr (a directory in its place makes every change fail).
//
// Format: the line "velora-state 1", then one line per message "WORD<TAB>STATUS<TAB>UNIQUE"
// (both numbers as 8 hex digits), then "end COUNT".

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace velora::platform {

struct MessageSideState {
    std::uint32_t downloadState = 0;
    std::uint32_t status = 0;  // only the partly-downloaded bits are kept

    bool operator==(const MessageSideState&) const = default;
};

using SideStates = std::map<std::string, MessageSideState>;

inline constexpr const char* kSideFileName = "velora-state";

SideStates ParseSideFile(std::string_view contents);
std::string FormatSideFile(const SideStates& states);

SideStates LoadSideFile(const std::filesystem::path& folder);
// Writes the states (a message whose state is all zero is left out); false on failure.
[[nodiscard]] bool SaveSideFile(const std::filesystem::path& folder, const SideStates& states);

}  // namespace velora::platform
