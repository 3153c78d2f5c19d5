#pragma once
// The one way the program reads and writes its files.
//
// Reading: a file is opened without blocking (a FIFO or a device in a file's place must not hang
// the program), without following a symbolic link unless asked to, checked with fstat to be a
// regular file, and read up to a size limit; every failure comes back as a value with a one-line
// reason, never as an exception or a stale errno.
//
// Writing: a file of ours (settings, caches, side files; never a mail file) is replaced
// atomically: a temporary beside it, fsync, rename over it. Mail files are only ever renamed,
// and never onto a name that is taken (RenameWithoutReplacing).

#include <dirent.h>
#include <sys/stat.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velora::platform {

// An owned file descriptor, closed when it goes.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int descriptor) : descriptor_(descriptor) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : descriptor_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return descriptor_; }
    bool Valid() const { return descriptor_ >= 0; }
    int Release();
    void Reset(int descriptor = -1);
    // Closes now; false when close reports an error (a write that did not reach the file).
    [[nodiscard]] bool Close();

  private:
    int descriptor_ = -1;
};

enum class FileError {
    None,
    NotFound,    // no such file (or a directory on its path is missing)
    NotRegular,  // a directory, FIFO, device or socket
    Link,        // a symbolic link where none is followed
    TooLarge,
    Exists,       // the target name of a rename is taken
    Unsupported,  // the file system can do no rename that leaves a taken name alone
    System,       // anything else the system reported (see the error number)
};

// The outcome of a file operation: None, or what went wrong with the system's error number.
class FileStatus {
  public:
    FileStatus() = default;
    // `limit`: the size limit a TooLarge file went over.
    FileStatus(FileError error, int systemError = 0, std::size_t limit = 0)
        : error_(error), systemError_(systemError), limit_(limit) {}
    static FileStatus FromErrno(int systemError);

    explicit operator bool() const { return error_ == FileError::None; }
    FileError Error() const { return error_; }
    int SystemError() const { return systemError_; }
    // A short reason for a one-line message: "not a regular file", "larger than 64 MB", ...
    std::string Reason() const;

  private:
    FileError error_ = FileError::None;
    int systemError_ = 0;
    std::size_t limit_ = 0;
};

enum class Links { Follow, Refuse };

enum class SizeLimit {
    WholeFile,  // a file larger than the limit fails with TooLarge
    Prefix,     // only the first `limit` bytes are wanted; the read stops at fstat's size
};

enum class Streams {
    Refused,  // anything but a regular file fails with NotRegular
    Allowed,  // a FIFO or character device is read (blocking) until its end or the limit
};

// The largest message (or text) read whole: far beyond what mail servers carry.
inline constexpr std::size_t kMaxMessageFileSize = std::size_t{256} << 20;

struct FileReadOptions {
    std::size_t limit = 0;
    Links links = Links::Refuse;
    SizeLimit sizeLimit = SizeLimit::WholeFile;
    Streams streams = Streams::Refused;
};

// Reads the file `name` (relative to the directory descriptor `directory`, or AT_FDCWD) into
// `out`, reusing its capacity; `info` (when given) gets the open file's fstat. On failure `out`
// is left empty or partial.
[[nodiscard]] FileStatus ReadFileAt(int directory, const char* name, const FileReadOptions& options,
                                    std::string& out, struct stat* info = nullptr);
[[nodiscard]] FileStatus ReadFile(const std::filesystem::path& file, const FileReadOptions& options,
                                  std::string& out, struct stat* info = nullptr);

// Writes every byte, going on after EINTR and short writes.
[[nodiscard]] FileStatus WriteAll(int descriptor, std::string_view bytes);

enum class Durability {
    Synced,   // the data reaches the disk before the rename: state that must survive a crash
    Unsynced  // a cache, checked and rebuilt when damaged, need not wait for the disk
};
enum class TemporaryName {
    PerWriter,  // "<file>.tmp.<pid>.<n>", made exclusively: writers need not coordinate
    Shared,     // "<file>.tmp": the caller holds a lock, so a stale one is simply removed first
};

// Replaces `file` with `contents` atomically (a temporary file renamed over it); on failure the
// old file is untouched and the temporary removed.
[[nodiscard]] FileStatus WriteFileAtomically(const std::filesystem::path& file,
                                             std::string_view contents,
                                             Durability durability = Durability::Synced,
                                             TemporaryName temporary = TemporaryName::PerWriter);

// The temporary-file half of WriteFileAtomically, for writers that stream their contents: opens
// a fresh temporary beside `file` (made exclusively, never through a link); Commit renames it
// over `file`. A temporary never committed is removed.
class AtomicFile {
  public:
    explicit AtomicFile(std::filesystem::path file,
                        TemporaryName temporary = TemporaryName::PerWriter);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // The temporary's descriptor, invalid when it could not be made (see Status).
    int Descriptor() const { return descriptor_.Get(); }
    const FileStatus& Status() const { return status_; }
    [[nodiscard]] FileStatus Commit(Durability durability);

  private:
    std::filesystem::path file_;
    std::filesystem::path temporary_;
    UniqueFd descriptor_;
    FileStatus status_;
    bool committed_ = false;
};

// Renames `from` to `to` only when `to` does not exist (Exists otherwise, both files left as
// they were): renameat2 with RENAME_NOREPLACE, or where the file system lacks it, link then
// unlink. Unsupported when the file system can do neither.
[[nodiscard]] FileStatus RenameWithoutReplacing(const std::filesystem::path& from,
                                                const std::filesystem::path& to);

// What a directory says an entry is (d_type); Unknown where the file system does not say, so a
// caller that must know asks fstatat.
enum class EntryType { Unknown, Regular, Directory, Link, Other };

struct DirectoryEntry {
    std::string_view name;  // NUL-terminated; valid until the next entry is read
    EntryType type = EntryType::Unknown;
};

// An open directory read entry by entry ("." and ".." left out), closed when it goes. A link in
// the directory's place is refused (FileError::Link, or NotFound where the system reports no
// directory) unless `links` follows it.
class DirectoryReader {
  public:
    explicit DirectoryReader(const std::filesystem::path& directory, Links links = Links::Refuse);
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    // Why the directory could not be opened or read to its end.
    const FileStatus& Status() const { return status_; }
    // The directory's descriptor, for *at calls on its entries; -1 when it could not be opened.
    int Descriptor() const;
    // The next entry; nullopt at the end, or after a read error (see Status).
    std::optional<DirectoryEntry> Next();

  private:
    DIR* handle_ = nullptr;
    FileStatus status_;
};

// The names of a directory's entries in the order the directory gives them ("." and ".." left
// out); on failure `names` holds those read before it.
[[nodiscard]] FileStatus ListDirectoryNames(const std::filesystem::path& directory, Links links,
                                            std::vector<std::string>& names);

// Prints "velora: MESSAGE" on stderr the first time `key` is seen in this process (a folder's
// path, say), so a problem met on every listing is reported once. Thread-safe.
void WarnOnce(const std::string& key, std::string_view message);

}  // namespace velora::platform
