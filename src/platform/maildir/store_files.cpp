#include "platform/maildir/store_files.h"

namespace velora::platform::maildir_files {

namespace fs = std::filesystem;

bool IsDirectory(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsPlainDirectory(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsMaildir(const fs::path& path) {
    return IsDirectory(path / "cur") && IsDirectory(path / "new");
}

std::string CachedFileName(std::string_view unique, const CachedMessage& cached) {
    if (cached.directory == MessageDirectory::Unknown) return {};
    std::string fileName(cached.directory == MessageDirectory::Cur ? "cur/" : "new/");
    fileName.append(unique).append(cached.nameAfterUnique);
    return fileName;
}

void RememberFileName(CachedMessage& cached, std::string_view unique, std::string_view fileName) {
    const bool cur = fileName.starts_with("cur/");
    if ((!cur && !fileName.starts_with("new/")) || !fileName.substr(4).starts_with(unique)) {
        cached.directory = MessageDirectory::Unknown;
        cached.nameAfterUnique.clear();
        return;
    }
    cached.directory = cur ? MessageDirectory::Cur : MessageDirectory::New;
    cached.nameAfterUnique.assign(fileName.substr(4 + unique.size()));
}

}  // namespace velora::platform::maildir_files
