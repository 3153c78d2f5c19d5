#include "platform/base/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>
#include <system_error>

namespace velora::platform {
namespace {

// Reads what a FIFO or device gives until its end, failing past the limit.
FileStatus ReadStream(int descriptor, std::size_t limit, std::string& out) {
    constexpr std::size_t kChunk = 64 * 1024;
    std::size_t size = 0;
    while (true) {
        if (out.size() < size + kChunk) out.resize(size + kChunk);
        const ssize_t count = ::read(descriptor, out.data() + size, kChunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return FileStatus::FromErrno(errno);
        if (count == 0) break;
        size += static_cast<std::size_t>(count);
        if (size > limit) return {FileError::TooLarge, 0, limit};
    }
    out.resize(size);
    return {};
}

// Reads a regular file whose fstat size is `expected`. A whole file is read to its end (one
// more read call finds it), so a file that grew meanwhile is caught by the limit; a prefix stops
// at the smaller of the limit and the expected size, without that call.
FileStatus ReadRegular(int descriptor, std::size_t expected, const FileReadOptions& options,
                       std::string& out) {
    const bool whole = options.sizeLimit == SizeLimit::WholeFile;
    if (whole && expected > options.limit) return {FileError::TooLarge, 0, options.limit};
    const std::size_t wanted = whole ? options.limit : std::min(options.limit, expected);
    out.resize(whole ? expected + 1 : wanted);
    std::size_t size = 0;
    while (size < wanted || whole) {
        if (size == out.size()) {
            if (size > options.limit) return {FileError::TooLarge, 0, options.limit};
            out.resize(std::min(options.limit + 1, size * 2 + 4096));
        }
        const ssize_t count = ::read(descriptor, out.data() + size, out.size() - size);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return FileStatus::FromErrno(errno);
        if (count == 0) break;
        size += static_cast<std::size_t>(count);
    }
    if (size > options.limit) return {FileError::TooLarge, 0, options.limit};
    out.resize(size);
    return {};
}

std::filesystem::path TemporaryBeside(const std::filesystem::path& file, TemporaryName kind) {
    static std::atomic<unsigned long> counter{0};
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    if (kind == TemporaryName::PerWriter) {
        temporary += "." + std::to_string(::getpid()) + "." + std::to_string(++counter);
    }
    return temporary;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
}

int UniqueFd::Release() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

void UniqueFd::Reset(int descriptor) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = descriptor;
}

bool UniqueFd::Close() {
    return descriptor_ < 0 || ::close(Release()) == 0;
}

FileStatus FileStatus::FromErrno(int systemError) {
    switch (systemError) {
        case 0:
            return {};
        case ENOENT:
        case ENOTDIR:
            return {FileError::NotFound, systemError};
        case EEXIST:
            return {FileError::Exists, systemError};
        default:
            return {FileError::System, systemError};
    }
}

std::string FileStatus::Reason() const {
    switch (error_) {
        case FileError::None:
            return "no error";
        case FileError::NotFound:
            if (systemError_ != 0) break;  // the system's own words
            return "no such file";
        case FileError::NotRegular:
            return "not a regular file";
        case FileError::Link:
            return "a symbolic link, which is not followed here";
        case FileError::TooLarge:
            return limit_ >= (1u << 20) ? "larger than " + std::to_string(limit_ >> 20) + " MB"
                                        : "larger than " + std::to_string(limit_) + " bytes";
        case FileError::Exists:
            return "the name is taken by another file";
        case FileError::Unsupported:
            return "the file system cannot rename without replacing";
        case FileError::System:
            break;
    }
    return std::system_category().message(systemError_);
}

FileStatus ReadFileAt(int directory, const char* name, const FileReadOptions& options,
                      std::string& out, struct stat* info) {
    out.clear();
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY |
                      (options.links == Links::Refuse ? O_NOFOLLOW : 0);
    UniqueFd descriptor(::openat(directory, name, flags));
    if (!descriptor.Valid()) {
        if (errno == ELOOP && options.links == Links::Refuse) return FileError::Link;
        return FileStatus::FromErrno(errno);
    }
    struct stat status {};
    if (::fstat(descriptor.Get(), &status) != 0) return FileStatus::FromErrno(errno);
    if (info != nullptr) *info = status;
    if (S_ISREG(status.st_mode)) {
        return ReadRegular(descriptor.Get(), static_cast<std::size_t>(status.st_size), options,
                           out);
    }
    if (options.streams == Streams::Allowed &&
        (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode))) {
        // Opened without blocking so that nothing hangs before the check; a stream the caller
        // asked for is then read as streams are (a FIFO with no writer reads as empty).
        const int current = ::fcntl(descriptor.Get(), F_GETFL);
        if (current < 0 || ::fcntl(descriptor.Get(), F_SETFL, current & ~O_NONBLOCK) != 0)
            return FileStatus::FromErrno(errno);
        return ReadStream(descriptor.Get(), options.limit, out);
    }
    return FileError::NotRegular;
}

FileStatus ReadFile(const std::filesystem::path& file, const FileReadOptions& options,
                    std::string& out, struct stat* info) {
    return ReadFileAt(AT_FDCWD, file.c_str(), options, out, info);
}

FileStatus WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return FileStatus::FromErrno(errno);
        if (written == 0) return {FileError::System, EIO};
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

AtomicFile::AtomicFile(std::filesystem::path file, TemporaryName temporary)
    : file_(std::move(file)) {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    for (int attempt = 0; attempt < 100 && !descriptor_.Valid(); ++attempt) {
        temporary_ = TemporaryBeside(file_, temporary);
        // Only a lock holder uses the shared name, so what lies there was left by a writer that
        // died: it goes (a link there is removed, never followed).
        if (temporary == TemporaryName::Shared) ::unlink(temporary_.c_str());
        descriptor_.Reset(::open(temporary_.c_str(), kFlags, 0600));
        if (!descriptor_.Valid() && errno != EEXIST) break;
    }
    if (!descriptor_.Valid()) {
        status_ = FileStatus::FromErrno(errno);
        temporary_.clear();
    }
}

AtomicFile::~AtomicFile() {
    if (committed_ || temporary_.empty()) return;
    descriptor_.Reset();
    ::unlink(temporary_.c_str());
}

FileStatus AtomicFile::Commit(Durability durability) {
    if (!descriptor_.Valid()) return status_;
    if (durability == Durability::Synced && ::fdatasync(descriptor_.Get()) != 0)
        return FileStatus::FromErrno(errno);
    if (!descriptor_.Close()) return FileStatus::FromErrno(errno);
    if (::rename(temporary_.c_str(), file_.c_str()) != 0) return FileStatus::FromErrno(errno);
    committed_ = true;
    return {};
}

FileStatus WriteFileAtomically(const std::filesystem::path& file, std::string_view contents,
                               Durability durability, TemporaryName temporary) {
    AtomicFile out(file, temporary);
    if (!out.Status()) return out.Status();
    if (FileStatus written = WriteAll(out.Descriptor(), contents); !written) return written;
    return out.Commit(durability);
}

FileStatus RenameWithoutReplacing(const std::filesystem::path& from,
                                  const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return FileStatus::FromErrno(errno);
    // No RENAME_NOREPLACE here (an older kernel, some network and FUSE file systems): a hard
    // link fails on a taken name just as well, and the old name is removed after it.
    if (::link(from.c_str(), to.c_str()) != 0) {
        if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS)
            return {FileError::Unsupported, errno};
        return FileStatus::FromErrno(errno);
    }
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());  // the new name goes, so the file is where it was
        return FileStatus::FromErrno(error);
    }
    return {};
}

DirectoryReader::DirectoryReader(const std::filesystem::path& directory, Links links) {
    const int flags =
        O_RDONLY | O_DIRECTORY | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
    UniqueFd descriptor(::open(directory.c_str(), flags));
    if (!descriptor.Valid()) {
        status_ = errno == ELOOP && links == Links::Refuse ? FileStatus(FileError::Link)
                                                           : FileStatus::FromErrno(errno);
        return;
    }
    handle_ = ::fdopendir(descriptor.Get());
    if (handle_ == nullptr) {
        status_ = FileStatus::FromErrno(errno);
        return;
    }
    descriptor.Release();  // closedir closes it
}

DirectoryReader::~DirectoryReader() {
    if (handle_ != nullptr) ::closedir(handle_);
}

int DirectoryReader::Descriptor() const {
    return handle_ != nullptr ? ::dirfd(handle_) : -1;
}

std::optional<DirectoryEntry> DirectoryReader::Next() {
    if (handle_ == nullptr) return std::nullopt;
    while (true) {
        errno = 0;
        const dirent* entry = ::readdir(handle_);
        if (entry == nullptr) {
            if (errno != 0) status_ = FileStatus::FromErrno(errno);
            return std::nullopt;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        switch (entry->d_type) {
            case DT_REG:
                return DirectoryEntry{name, EntryType::Regular};
            case DT_DIR:
                return DirectoryEntry{name, EntryType::Directory};
            case DT_LNK:
                return DirectoryEntry{name, EntryType::Link};
            case DT_UNKNOWN:
                return DirectoryEntry{name, EntryType::Unknown};
            default:
                return DirectoryEntry{name, EntryType::Other};
        }
    }
}

FileStatus ListDirectoryNames(const std::filesystem::path& directory, Links links,
                              std::vector<std::string>& names) {
    DirectoryReader reader(directory, links);
    while (const std::optional<DirectoryEntry> entry = reader.Next())
        names.emplace_back(entry->name);
    return reader.Status();
}

void WarnOnce(const std::string& key, std::string_view message) {
    // Never destroyed: a listing thread may still warn while the program exits.
    static auto* const mutex = new std::mutex;
    static auto* const warned = new std::set<std::string>;
    {
        const std::lock_guard lock(*mutex);
        if (!warned->insert(key).second) return;
    }
    std::fprintf(stderr, "velora: %.*s\n", static_cast<int>(message.size()), message.data());
}

}  // namespace velora::platform
