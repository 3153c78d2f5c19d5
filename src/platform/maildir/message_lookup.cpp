// MaildirStore's look-up of one message by its unique name: where its file is now (found again
// after another program renamed it) and its row as that file gives it.

#include <sys/stat.h>

#include "platform/base/file_io.h"
#include "platform/maildir/file_name.h"
#include "platform/maildir/path_safety.h"
#include "platform/maildir/store.h"
#include "platform/maildir/store_files.h"

namespace velora::platform {

namespace fs = std::filesystem;
using maildir_files::CachedFileName;
using maildir_files::FileTimeFromTimespec;
using maildir_files::IsPlainDirectory;
using maildir_files::kHeaderReadOptions;
using maildir_files::Nanoseconds;
using maildir_files::RememberFileName;

std::optional<std::string> MaildirStore::CurrentFileName(const std::string& folderPath,
                                                         const std::string& unique) {
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory || !IsSafeUniqueName(unique)) return std::nullopt;
    FolderIndex& index = folders_[folderPath];
    auto known = index.cache.find(unique);
    const std::string knownName =
        known != index.cache.end() ? CachedFileName(unique, known->second) : std::string();
    if (!knownName.empty() && IsPlainDirectory(*directory / knownName.substr(0, 3))) {
        struct stat info {};
        if (::lstat((*directory / knownName).c_str(), &info) == 0 && S_ISREG(info.st_mode))
            return knownName;
        known->second.directory = MessageDirectory::Unknown;
    }
    // Renamed or never listed: look at the names as they are now.
    for (const char* sub : {"cur", "new"}) {
        std::vector<std::string> names;
        (void)ListDirectoryNames(*directory / sub, Links::Refuse, names);  // none: not found there
        for (const std::string& name : names) {
            const std::optional<MaildirFileName> parsed = ParseMaildirFileName(name);
            if (!parsed || parsed->unique != unique) continue;
            const std::string fileName = std::string(sub) + "/" + name;
            struct stat info {};
            if (::lstat((*directory / fileName).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
                continue;
            RememberFileName(index.cache[unique], unique, fileName);
            return fileName;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> MaildirStore::MessagePath(const std::string& folderPath,
                                                  const std::string& unique) {
    const std::optional<std::string> fileName = CurrentFileName(folderPath, unique);
    if (!fileName) return std::nullopt;
    return *FolderDirectory(folderPath) / *fileName;
}

std::optional<MaildirMessage> MaildirStore::RowFromFile(const std::string& folderPath,
                                                        const std::string& fileName) {
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory) return std::nullopt;
    const fs::path file = *directory / fileName;
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    const std::string name = file.filename().string();
    const std::optional<MaildirFileName> parsed = ParseMaildirFileName(name);
    if (!parsed) return std::nullopt;
    MaildirMessage message;
    message.unique = std::string(parsed->unique);
    message.size = static_cast<std::uint64_t>(info.st_size);
    message.read = parsed->hasInfo && HasMaildirFlag(*parsed, 'S');
    FolderIndex& index = folders_[folderPath];
    auto hit = index.cache.find(message.unique);
    if (hit != index.cache.end() && hit->second.size == message.size &&
        hit->second.modifiedNanoseconds == Nanoseconds(info.st_mtim)) {
        message.header = hit->second.header;
    }
    if (!message.header) {
        std::string buffer;
        if (!ReadFile(file, kHeaderReadOptions, buffer)) return std::nullopt;
        message.header = std::make_shared<const MessageHeaderInfo>(ReadMessageHeaderInfo(buffer));
    }
    message.deliveryTime = message.header->deliveryTime != 0 ? message.header->deliveryTime
                                                             : FileTimeFromTimespec(info.st_mtim);
    return message;
}

std::optional<MaildirMessage> MaildirStore::FindMessageNow(const std::string& folderPath,
                                                           const std::string& unique) {
    const std::optional<std::string> fileName = CurrentFileName(folderPath, unique);
    if (!fileName) return std::nullopt;
    return RowFromFile(folderPath, *fileName);
}

}  // namespace velora::platform
