// MaildirStore's changes to messages: the Seen flag, the move to Trash (under a fresh unique
// name, across file systems the way a delivery does) and the side-file states. A message file is
// only ever renamed, never onto a taken name.

#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/base/file_io.h"
#include "platform/maildir/file_name.h"
#include "platform/maildir/store.h"
#include "platform/maildir/store_files.h"

namespace velora::platform {
namespace {

namespace fs = std::filesystem;
using maildir_files::IsDirectory;
using maildir_files::IsPlainDirectory;
using maildir_files::RememberFileName;

// Moves a message to a Trash on another file system the way a delivery does: copied into the
// Trash's tmp/ first, so no other program sees half a message, then renamed into place without
// replacing anything, and only then removed from where it was.
FileStatus MoveAcrossFileSystems(const fs::path& source, const fs::path& staging,
                                 const fs::path& target) {
    std::error_code error;
    if (!fs::copy_file(source, staging, fs::copy_options::none, error))
        return FileStatus::FromErrno(error.value() != 0 ? error.value() : EIO);
    FileStatus status = RenameWithoutReplacing(staging, target);
    if (status && ::unlink(source.c_str()) != 0) {
        status = FileStatus::FromErrno(errno);
        ::unlink(target.c_str());  // the original stays; its copy goes
    }
    if (!status) ::unlink(staging.c_str());
    return status;
}

}  // namespace

std::string FreshUniqueName() {
    static std::atomic<unsigned long long> counter{0};
    timeval now{};
    ::gettimeofday(&now, nullptr);
    char name[96];
    std::snprintf(name, sizeof name, "%lld.M%ldP%dQ%llu.velora", static_cast<long long>(now.tv_sec),
                  static_cast<long>(now.tv_usec), static_cast<int>(::getpid()), ++counter);
    return name;
}

MaildirStatus MaildirStore::SetSeen(const std::string& folderPath, const std::string& unique,
                                    bool seen) {
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory) return MaildirStatus::UnsafePath;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::optional<std::string> fileName = CurrentFileName(folderPath, unique);
        if (!fileName) return MaildirStatus::NotFound;
        const std::string name = fs::path(*fileName).filename().string();
        const std::optional<MaildirFileName> parsed = ParseMaildirFileName(name);
        if (!parsed) return MaildirStatus::NotFound;
        const std::string renamed = WithMaildirFlag(*parsed, 'S', seen);
        const bool inNew = fileName->starts_with("new/");
        if (renamed == name && !(inNew && seen)) return MaildirStatus::Done;
        const std::string target = (seen || parsed->hasInfo || !inNew ? "cur/" : "new/") + renamed;
        if (target == *fileName) return MaildirStatus::Done;
        const FileStatus moved =
            RenameWithoutReplacing(*directory / *fileName, *directory / target);
        if (moved) {
            RememberFileName(folders_[folderPath].cache[unique], unique, target);
            return MaildirStatus::Done;
        }
        if (moved.Error() == FileError::Exists) return MaildirStatus::Collision;  // both files stay
        if (moved.Error() != FileError::NotFound) return MaildirStatus::DiskError;
        // Renamed under us: find it again.
        folders_[folderPath].cache[unique].directory = MessageDirectory::Unknown;
    }
    return MaildirStatus::NotFound;
}

MaildirStatus MaildirStore::MoveToTrash(const std::string& folderPath, const std::string& unique) {
    const std::string& trash = SpecialFolderPath(SpecialFolder::DeletedItems);
    if (folderPath == trash)
        return CurrentFileName(folderPath, unique) ? MaildirStatus::Done : MaildirStatus::NotFound;
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory) return MaildirStatus::UnsafePath;
    const std::optional<fs::path> trashDirectory = FolderDirectory(trash);
    if (!trashDirectory)
        return MaildirStatus::NoAccess;  // a link out of the store: never written to
    std::error_code error;
    for (const char* sub : {"cur", "new", "tmp"})
        fs::create_directories(*trashDirectory / sub, error);
    if (!IsPlainDirectory(*trashDirectory / "cur") || !IsPlainDirectory(*trashDirectory / "new") ||
        !IsPlainDirectory(*trashDirectory / "tmp")) {
        return MaildirStatus::DiskError;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::optional<std::string> fileName = CurrentFileName(folderPath, unique);
        if (!fileName) return MaildirStatus::NotFound;
        const std::string name = fs::path(*fileName).filename().string();
        const std::optional<MaildirFileName> parsed = ParseMaildirFileName(name);
        if (!parsed) return MaildirStatus::NotFound;
        const fs::path source = *directory / *fileName;
        std::string freshUnique;
        FileStatus moved;
        // A fresh name is unique to this process, so a taken one (by a file copied in by hand,
        // say) only means another fresh name; each is tried without replacing anything.
        for (int naming = 0; naming < 100; ++naming) {
            freshUnique = FreshUniqueName();
            std::string targetName = freshUnique;
            if (parsed->hasInfo) targetName += ":2," + std::string(parsed->flags);
            const fs::path target = *trashDirectory / (fileName->substr(0, 4) + targetName);
            moved = RenameWithoutReplacing(source, target);
            if (moved.Error() == FileError::System && moved.SystemError() == EXDEV)
                moved = MoveAcrossFileSystems(source, *trashDirectory / "tmp" / targetName, target);
            if (moved.Error() != FileError::Exists) break;
        }
        if (moved.Error() == FileError::NotFound) {
            folders_[folderPath].cache[unique].directory = MessageDirectory::Unknown;
            continue;
        }
        if (!moved)
            return moved.Error() == FileError::Exists ? MaildirStatus::Collision
                                                      : MaildirStatus::DiskError;
        folders_[folderPath].cache.erase(unique);
        const MessageSideState state = SideState(folderPath, unique);
        if (state != MessageSideState{}) {
            SideStates movedStates = LoadSideFile(*trashDirectory);
            movedStates[freshUnique] = state;
            // The message has moved: a state that cannot be saved is lost, not the move.
            (void)SaveSideFile(*trashDirectory, movedStates);
            SideStates remaining = LoadSideFile(*directory);
            remaining.erase(unique);
            (void)SaveSideFile(*directory, remaining);
        }
        return MaildirStatus::Done;
    }
    return MaildirStatus::NotFound;
}

MessageSideState MaildirStore::SideState(const std::string& folderPath,
                                         const std::string& unique) const {
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory) return {};
    const SideStates states = LoadSideFile(*directory);
    auto found = states.find(unique);
    return found != states.end() ? found->second : MessageSideState{};
}

MaildirStatus MaildirStore::SetSideState(const std::string& folderPath, const std::string& unique,
                                         MessageSideState state) {
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory || !IsDirectory(*directory)) return MaildirStatus::NotFound;
    SideStates states = LoadSideFile(*directory);
    if (state == MessageSideState{}) {
        states.erase(unique);
    } else {
        states[unique] = state;
    }
    return SaveSideFile(*directory, states) ? MaildirStatus::Done : MaildirStatus::DiskError;
}

}  // namespace velora::platform
