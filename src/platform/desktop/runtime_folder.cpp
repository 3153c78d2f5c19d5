#include "platform/desktop/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velora::platform {
namespace {

// sockaddr_un holds 108 bytes with the terminator; the names kept in the folder take up to 32.
constexpr std::size_t kMaxFolderLength = 70;

}  // namespace

std::string CheckPrivateFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return folder.string() + " cannot be made: " + std::strerror(errno);
    }
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) {
        return folder.string() + ": " + std::strerror(errno);
    }
    if (!S_ISDIR(status.st_mode)) return folder.string() + " is not a folder";
    if (status.st_uid != ::geteuid()) return folder.string() + " belongs to another user";
    if ((status.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        return folder.string() + " cannot be made private: " + std::strerror(errno);
    }
    return {};
}

std::optional<std::filesystem::path> UserRuntimeFolder(std::string& reason) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && std::strlen(runtime) <= kMaxFolderLength &&
        CheckPrivateFolder(runtime).empty()) {
        return std::filesystem::path(runtime);
    }
    const std::filesystem::path fallback = "/tmp/velora-" + std::to_string(::geteuid());
    reason = CheckPrivateFolder(fallback);
    if (!reason.empty()) return std::nullopt;
    return fallback;
}

}  // namespace velora::platform
