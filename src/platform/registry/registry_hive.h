#pragma once
// The registry hive file: one text file (see registry_format.h) shared by every running copy of
// the program.
//
// Reads are cheap: before each key open or value query the file's identity (device, inode, size,
// change times) is compared with the one last read, and the file is parsed again only when it
// changed on disk. Writes are kept in memory, visible at once to this process, and committed by
// Flush (RegCloseKey calls it): under a lock (flock on <name>.lock, released by the kernel if
// the holder dies) the current file is re-read, this process's
// pending changes are applied on top of it (so another process's values are never lost), and the
// result replaces the file atomically (temporary file, fdatasync, rename). A crash at any moment
// leaves either the old or the new file.
//
// A missing file is created with DefaultHive(). Lines that cannot be parsed are skipped, each
// named (by line number) in a warning on stderr, and the rest is used. A file of which nothing
// can be used is renamed aside (<name>.corrupt-<UTC time>), never overwritten, with a one-line
// warning, and the hive starts again from the defaults. A file that cannot be read at all (not a
// regular file, too large) is left alone, the defaults are used and nothing is written.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry_format.h"

struct stat;

namespace velora::platform {

class RegistryHive {
  public:
    explicit RegistryHive(std::filesystem::path file);
    ~RegistryHive();  // commits pending changes
    RegistryHive(const RegistryHive&) = delete;
    RegistryHive& operator=(const RegistryHive&) = delete;

    const std::filesystem::path& File() const { return file_; }

    enum class Create { IfMissing, Never };
    // Looks the key up, or creates it (and its parents) with Create::IfMissing. Returns false when
    // it does not exist and was not created. `created` tells whether it was new.
    [[nodiscard]] bool OpenKey(std::u16string_view path, Create create, bool* created = nullptr);

    // Copies the value's type and data. False when the key or value does not exist.
    [[nodiscard]] bool QueryValue(std::u16string_view path, std::u16string_view name,
                                  std::uint32_t& type, std::vector<std::uint8_t>& data);

    // Sets a value in memory (making the key again if the file lost it); Flush commits it. Writing
    // the value the hive already holds changes nothing and leaves nothing to commit.
    void SetValue(std::u16string_view path, std::u16string_view name, std::uint32_t type,
                  std::vector<std::uint8_t> data);

    // The names of a key's values, in the order they were first written.
    std::vector<std::u16string> ValueNames(std::u16string_view path);

    // Commits the pending changes to the file. Returns false (and keeps them pending, to try
    // again on the next Flush) when the lock cannot be taken or the file cannot be written; the
    // first such failure is reported on stderr, once per hive until a commit succeeds again.
    [[nodiscard]] bool Flush();
    bool HasPendingChanges();

  private:
    // Reports (once) that the pending changes stay in memory; returns false for Flush.
    [[nodiscard]] bool ReportUnwritable(int error);

    struct FileStamp {
        bool exists = false;
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modifiedSeconds = 0, modifiedNanoseconds = 0;
        std::int64_t changedSeconds = 0, changedNanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct Change {
        std::u16string path;
        bool setsValue = false;  // false: creates the key only
        std::u16string name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    enum class Locked { No, Yes };

    FileStamp StampFile() const;
    static FileStamp StampFromStatus(const struct stat& status);
    // Brings data_ up to date with the file (plus pending changes) when the file changed.
    void Refresh(Locked locked);
    // Refresh's steps. The file's bytes, with `stamp` made from the file read; on failure the
    // defaults are used (and the file is kept) and the result is empty.
    [[nodiscard]] std::optional<std::string> ReadHiveFile(FileStamp& stamp);
    // A file of which nothing parses: moved aside under the lock and replaced by the defaults;
    // when that cannot be done, the defaults are used in memory.
    void RecoverFromCorruptFile(const std::string& reason, FileStamp stamp, Locked locked);
    void ReplaceWith(HiveData disk, const FileStamp& stamp);
    [[nodiscard]] bool WriteFile(const HiveData& hive);
    [[nodiscard]] bool CreateFileWithDefaults(Locked locked);
    [[nodiscard]] bool MoveCorruptFileAside(const std::string& reason);
    // Prints `format` (a printf format taking the file and the reason) once per hive.
    void WarnUnreadableOnce(const char* format, const std::string& reason);
    static void Apply(HiveData& hive, const Change& change);

    std::filesystem::path file_;
    std::filesystem::path lockFile_;
    std::mutex mutex_;
    HiveData data_;
    FileStamp stamp_;
    bool loaded_ = false;
    bool warnedUnreadable_ = false;
    bool warnedUnwritable_ = false;
    // The file on disk can be neither read nor moved aside: it is kept, and nothing is written.
    bool keepingCorruptFile_ = false;
    std::vector<Change> pending_;
};

}  // namespace velora::platform
