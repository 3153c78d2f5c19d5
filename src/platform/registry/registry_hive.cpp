#include "platform/registry/registry_hive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/base/file_io.h"

namespace velora::platform {
namespace {

// How long a writer waits for another process's commit (normally well under a millisecond).
constexpr int kLockWaitMilliseconds = 5000;

// Largest hive file read; anything bigger is treated as unreadable rather than parsed.
constexpr std::size_t kMaxHiveFileSize = 64u << 20;

std::string UtcTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

// An exclusive advisory lock (flock) on the hive's lock file, held by every writer while it reads,
// merges and replaces the hive. The kernel drops it when its holder dies, so a writer killed in
// the middle never blocks the next one; the lock file itself stays in place.
class HiveLock {
  public:
    explicit HiveLock(const std::filesystem::path& lockFile)
        : descriptor_(::open(lockFile.c_str(),
                             O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600)) {
        if (descriptor_.Get() < 0) return;
        for (int waited = 0;; ++waited) {
            if (::flock(descriptor_.Get(), LOCK_EX | LOCK_NB) == 0) {
                locked_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) return;
            if (waited >= kLockWaitMilliseconds) return;
            const timespec oneMillisecond{0, 1'000'000};
            ::nanosleep(&oneMillisecond, nullptr);
        }
    }
    ~HiveLock() {
        if (locked_) ::flock(descriptor_.Get(), LOCK_UN);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    bool Locked() const { return locked_; }

  private:
    UniqueFd descriptor_;
    bool locked_ = false;
};

// Names the first few lines of the settings file that did not parse, and counts the rest.
void ReportIgnoredLines(const std::filesystem::path& file,
                        const std::vector<std::string>& problems) {
    constexpr std::size_t kMaxNamed = 5;
    for (std::size_t i = 0; i < problems.size() && i < kMaxNamed; ++i) {
        std::fprintf(stderr, "velora: the settings file %s: %s; the line is ignored\n",
                     file.c_str(), problems[i].c_str());
    }
    if (problems.size() > kMaxNamed) {
        std::fprintf(stderr, "velora: the settings file %s: %zu more lines are ignored\n",
                     file.c_str(), problems.size() - kMaxNamed);
    }
}

}  // namespace

RegistryHive::RegistryHive(std::filesystem::path file)
    : file_(std::move(file)), lockFile_(file_.string() + ".lock") {}

RegistryHive::~RegistryHive() {
    // A failed last commit has been reported by Flush; nothing is left to try it again.
    static_cast<void>(Flush());
}

RegistryHive::FileStamp RegistryHive::StampFile() const {
    struct stat status {};
    if (::stat(file_.c_str(), &status) != 0) return FileStamp{};
    return StampFromStatus(status);
}

RegistryHive::FileStamp RegistryHive::StampFromStatus(const struct stat& status) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = status.st_dev;
    stamp.inode = status.st_ino;
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.modifiedSeconds = status.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = status.st_mtim.tv_nsec;
    stamp.changedSeconds = status.st_ctim.tv_sec;
    stamp.changedNanoseconds = status.st_ctim.tv_nsec;
    return stamp;
}

void RegistryHive::Apply(HiveData& hive, const Change& change) {
    RegistryKeyData& key = hive.CreateKey(change.path);
    if (change.setsValue) HiveData::SetValue(key, change.name, change.type, change.data);
}

void RegistryHive::ReplaceWith(HiveData disk, const FileStamp& stamp) {
    for (const Change& change : pending_) Apply(disk, change);
    data_ = std::move(disk);
    stamp_ = stamp;
    loaded_ = true;
}

bool RegistryHive::WriteFile(const HiveData& hive) {
    std::error_code ignored;
    std::filesystem::create_directories(file_.parent_path(), ignored);
    // Only the lock holder writes, so one fixed temporary name suffices; a file left there by a
    // writer that was killed is removed by the next one. The directory is not synced: until the
    // system writes it back, a power cut brings back the previous hive, whole. The data sync is
    // what keeps the new file from being empty.
    const FileStatus status =
        WriteFileAtomically(file_, SerializeHive(hive), Durability::Synced, TemporaryName::Shared);
    // The caller reports a failure by errno.
    if (!status) errno = status.SystemError() != 0 ? status.SystemError() : EIO;
    return static_cast<bool>(status);
}

bool RegistryHive::CreateFileWithDefaults(Locked locked) {
    std::error_code ignored;
    std::filesystem::create_directories(file_.parent_path(), ignored);
    if (locked == Locked::No) {
        const HiveLock lock(lockFile_);
        if (!lock.Locked()) return false;
        if (StampFile().exists) return true;  // another process made it meanwhile
        return WriteFile(DefaultHive());
    }
    return WriteFile(DefaultHive());
}

bool RegistryHive::MoveCorruptFileAside(const std::string& reason) {
    // Called under the lock, so no other copy of the program picks the same name meanwhile.
    const std::string base = file_.string() + ".corrupt-" + UtcTimestamp();
    std::string aside = base;
    FileStatus moved = RenameWithoutReplacing(file_, aside);
    for (int attempt = 2; moved.Error() == FileError::Exists && attempt < 1000; ++attempt) {
        aside = base + "-" + std::to_string(attempt);
        moved = RenameWithoutReplacing(file_, aside);
    }
    if (!moved) {
        std::fprintf(stderr,
                     "velora: the settings file %s is unreadable (%s) and could not be moved "
                     "aside; it is left alone, the defaults are used and nothing is saved\n",
                     file_.c_str(), reason.c_str());
        return false;
    }
    std::fprintf(stderr,
                 "velora: the settings file %s is unreadable (%s); it was kept as %s and the "
                 "defaults are used\n",
                 file_.c_str(), reason.c_str(), aside.c_str());
    return true;
}

void RegistryHive::Refresh(Locked locked) {
    FileStamp now = StampFile();
    if (loaded_ && now == stamp_) return;
    if (!now.exists && !CreateFileWithDefaults(locked)) {
        // No place to keep the hive: run from the defaults in memory; the next write tries again.
        ReplaceWith(DefaultHive(), now);
        return;
    }
    const std::optional<std::string> bytes = ReadHiveFile(now);
    if (!bytes) return;
    std::vector<std::string> problems;
    if (std::optional<HiveData> disk = ParseHive(*bytes, &problems)) {
        // The lines that parse are kept; the others are named once per version of the file (the
        // next commit writes the file without them).
        ReportIgnoredLines(file_, problems);
        keepingCorruptFile_ = false;
        ReplaceWith(std::move(*disk), now);
        return;
    }
    RecoverFromCorruptFile(problems.empty() ? std::string("unreadable") : problems.front(), now,
                           locked);
}

std::optional<std::string> RegistryHive::ReadHiveFile(FileStamp& stamp) {
    // A link to the file (kept with the user's other settings) is followed; anything but a
    // regular file of a sane size is not read, and then never replaced either.
    struct stat status {};
    std::string bytes;
    const FileStatus read =
        ReadFile(file_, {.limit = kMaxHiveFileSize, .links = Links::Follow}, bytes, &status);
    if (read.Error() != FileError::NotFound && read.Error() != FileError::System)
        stamp = StampFromStatus(status);
    if (read) return bytes;
    WarnUnreadableOnce("velora: cannot read the settings file %s (%s); the defaults are used\n",
                       read.Reason());
    keepingCorruptFile_ = stamp.exists;  // what we cannot read we must not replace
    ReplaceWith(DefaultHive(), stamp);
    return std::nullopt;
}

void RegistryHive::RecoverFromCorruptFile(const std::string& reason, FileStamp stamp,
                                          Locked locked) {
    if (locked == Locked::No) {
        // Deal with the corrupt file under the lock: another process may be doing the same.
        const HiveLock lock(lockFile_);
        if (lock.Locked()) {
            loaded_ = false;
            Refresh(Locked::Yes);
            return;
        }
        WarnUnreadableOnce(
            "velora: the settings file %s is unreadable (%s); the defaults are used\n", reason);
        ReplaceWith(DefaultHive(), stamp);
        return;
    }
    if (!MoveCorruptFileAside(reason)) {
        keepingCorruptFile_ = true;  // never write over it
        ReplaceWith(DefaultHive(), stamp);
        return;
    }
    if (WriteFile(DefaultHive())) stamp = StampFile();
    ReplaceWith(DefaultHive(), stamp);
}

void RegistryHive::WarnUnreadableOnce(const char* format, const std::string& reason) {
    if (warnedUnreadable_) return;
    std::fprintf(stderr, format, file_.c_str(), reason.c_str());
    warnedUnreadable_ = true;
}

bool RegistryHive::OpenKey(std::u16string_view path, Create create, bool* created) {
    std::lock_guard guard(mutex_);
    if (created != nullptr) *created = false;
    Refresh(Locked::No);
    if (data_.FindKey(path) != nullptr) return true;
    if (create == Create::Never) return false;
    Change change{std::u16string(path), false, {}, 0, {}};
    Apply(data_, change);
    pending_.push_back(std::move(change));
    if (created != nullptr) *created = true;
    return true;
}

bool RegistryHive::QueryValue(std::u16string_view path, std::u16string_view name,
                              std::uint32_t& type, std::vector<std::uint8_t>& data) {
    std::lock_guard guard(mutex_);
    Refresh(Locked::No);
    const RegistryKeyData* key = data_.FindKey(path);
    if (key == nullptr) return false;
    const RegistryValue* value = HiveData::FindValue(*key, name);
    if (value == nullptr) return false;
    type = value->type;
    data = value->data;
    return true;
}

void RegistryHive::SetValue(std::u16string_view path, std::u16string_view name, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
    std::lock_guard guard(mutex_);
    Refresh(Locked::No);
    // Writing what the hive already holds (the settings are saved after every key, most of
    // which change nothing) costs no commit. data_ is the file as last read plus our pending
    // changes, so the file already has this value, or will with the pending ones.
    if (const RegistryKeyData* key = data_.FindKey(path)) {
        const RegistryValue* value = HiveData::FindValue(*key, name);
        if (value != nullptr && value->type == type && value->data == data) return;
    }
    // A key removed from the file by hand meanwhile is made again rather than losing the write.
    Change change{std::u16string(path), true, std::u16string(name), type, std::move(data)};
    Apply(data_, change);
    // A newer write of the same value replaces a pending older one, so a hive that cannot be
    // committed for a while does not pile up changes.
    const std::u16string foldedPath = FoldRegistryName(path);
    const std::u16string foldedName = FoldRegistryName(name);
    for (Change& earlier : pending_) {
        if (earlier.setsValue && FoldRegistryName(earlier.path) == foldedPath &&
            FoldRegistryName(earlier.name) == foldedName) {
            earlier.type = change.type;
            earlier.data = std::move(change.data);
            return;
        }
    }
    pending_.push_back(std::move(change));
}

std::vector<std::u16string> RegistryHive::ValueNames(std::u16string_view path) {
    std::lock_guard guard(mutex_);
    Refresh(Locked::No);
    std::vector<std::u16string> names;
    if (const RegistryKeyData* key = data_.FindKey(path)) {
        for (const RegistryValue& value : key->values) names.push_back(value.name);
    }
    return names;
}

bool RegistryHive::HasPendingChanges() {
    std::lock_guard guard(mutex_);
    return !pending_.empty();
}

bool RegistryHive::Flush() {
    std::lock_guard guard(mutex_);
    if (pending_.empty()) return true;
    if (keepingCorruptFile_) return false;
    std::error_code ignored;
    std::filesystem::create_directories(file_.parent_path(), ignored);
    const HiveLock lock(lockFile_);
    if (!lock.Locked()) return ReportUnwritable(errno);
    Refresh(Locked::Yes);  // data_ = the file as it is now, plus our pending changes
    if (!WriteFile(data_)) return ReportUnwritable(errno);
    stamp_ = StampFile();
    pending_.clear();
    warnedUnwritable_ = false;
    return true;
}

bool RegistryHive::ReportUnwritable(int error) {
    if (!warnedUnwritable_) {
        std::fprintf(stderr,
                     "velora: cannot save the settings in %s (%s); changes are kept in memory "
                     "until the program ends\n",
                     file_.c_str(), std::strerror(error));
        warnedUnwritable_ = true;
    }
    return false;
}

}  // namespace velora::platform
