#pragma once
// The folder for this user's lock files and sockets: $XDG_RUNTIME_DIR, the desktop's place for
// them, or a private folder in /tmp when it is unset or unusable.

#include <filesystem>
#include <optional>
#include <string>

namespace velora::platform {

// Makes `folder` with mode 0700 when it is missing, then checks that it is a real directory (not
// a link to one) owned by this user; one that others may enter is made private. Returns the
// reason it cannot be used, or an empty string.
[[nodiscard]] std::string CheckPrivateFolder(const std::filesystem::path& folder);

// $XDG_RUNTIME_DIR when it is set, absolute, short enough for the socket names kept in it and
// passes CheckPrivateFolder; else /tmp/velora-UID when that passes. Nothing, with `reason` set,
// when neither can be used (someone else made /tmp/velora-UID, for example).
[[nodiscard]] std::optional<std::filesystem::path> UserRuntimeFolder(std::string& reason);

}  // namespace velora::platform
