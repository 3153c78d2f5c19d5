// MaildirStore's listing: a folder's messages from its header cache, from the cache alone while
// the folder's directories are unchanged, else from a scan of cur/ and new/ that reads the new or
// changed files on helper threads, passing again over a folder that changed while it was read.

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <thread>

#include "platform/base/file_io.h"
#include "platform/maildir/file_name.h"
#include "platform/maildir/store.h"
#include "platform/maildir/store_files.h"

namespace velora::platform {
namespace {

namespace fs = std::filesystem;
using maildir_files::FileTimeFromTimespec;
using maildir_files::IsDirectory;
using maildir_files::kHeaderReadOptions;
using maildir_files::Nanoseconds;

// Reports once that a name in cur/ or new/ is skipped because it is no message file.
void WarnSkipped(const fs::path& file, const FileStatus& status) {
    if (status.Error() == FileError::NotRegular || status.Error() == FileError::Link)
        WarnOnce(file.string(), "skipped " + file.string() + ": " + status.Reason());
}

std::int64_t RealTimeNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

// The modification time of cur/ or new/; kAbsentDirectory when it is no plain directory.
std::int64_t DirectoryStamp(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return kAbsentDirectory;
    const std::int64_t stamp = Nanoseconds(info.st_mtim);
    return stamp == 0 || stamp == kAbsentDirectory ? stamp + 2 : stamp;  // keep the two marks free
}

// Whether a directory time lies far enough before the listing to be trusted next time: more than
// the coarsest file-system clock tick (a second on some file systems) plus room for clock steps.
bool IsSettled(std::int64_t stamp, std::int64_t listingStart) {
    constexpr std::int64_t kSettleNanoseconds = 2'000'000'000;
    return stamp == kAbsentDirectory || stamp < listingStart - kSettleNanoseconds;
}

std::uint64_t FileTimeFromNanoseconds(std::int64_t nanoseconds) {
    timespec time{};
    time.tv_sec = static_cast<time_t>(nanoseconds / 1000000000LL);
    time.tv_nsec = static_cast<long>(nanoseconds % 1000000000LL);
    if (time.tv_nsec < 0) {
        time.tv_nsec += 1000000000L;
        time.tv_sec -= 1;
    }
    return FileTimeFromTimespec(time);
}

MaildirMessage RowFromCache(std::string unique, const CachedMessage& cached) {
    MaildirMessage message;
    message.unique = std::move(unique);
    message.size = cached.size;
    message.read = cached.read;
    message.deliveryTime = cached.header->deliveryTime != 0
                               ? cached.header->deliveryTime
                               : FileTimeFromNanoseconds(cached.modifiedNanoseconds);
    message.header = cached.header;
    return message;
}

// Whether a cached entry holds all a row needs without looking at its file.
bool IsListable(const CachedMessage& cached) {
    return cached.header != nullptr && cached.directory != MessageDirectory::Unknown;
}

// The listing straight from the cache, for directories unchanged since it was written; false
// (rows half made) when an entry lacks what a row needs, so the folder must be scanned.
bool ListFromCache(HeaderCacheEntries& cache, std::uint64_t listing,
                   std::vector<MaildirMessage>& messages) {
    for (auto& [unique, cached] : cache) {
        if (!IsListable(cached)) return false;
        cached.listing = listing;
        messages.push_back(RowFromCache(unique, cached));
    }
    return true;
}

// The listing straight from a cache file whose directory times still hold, without an index;
// false (rows half made) when an entry lacks what a row needs.
bool ListFromCacheFile(const HeaderCacheContents& contents, std::vector<MaildirMessage>& messages) {
    messages.reserve(contents.Count());
    bool usable = true;
    const bool complete = contents.ForEachEntry([&](std::string& unique, CachedMessage& cached) {
        if (!usable || !IsListable(cached)) {
            usable = false;
            return;
        }
        messages.push_back(RowFromCache(std::move(unique), cached));
    });
    return complete && usable;
}

// A message file whose header must be read, and what reading it found.
struct FileToRead {
    HeaderCacheEntries::value_type* entry = nullptr;
    bool wanted = true;     // false for a name that is no message file or a later copy of one
    bool vanished = false;  // gone between the directory's reading and its opening
    std::string name;
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::shared_ptr<const MessageHeaderInfo> header;  // null when the file could not be read
};

void ReadHeaderOf(int directory, const fs::path& directoryPath, FileToRead& file,
                  std::string& buffer) {
    struct stat info {};
    const FileStatus read =
        ReadFileAt(directory, file.name.c_str(), kHeaderReadOptions, buffer, &info);
    if (!read) {
        file.vanished = read.Error() == FileError::NotFound;
        WarnSkipped(directoryPath / file.name, read);
        return;
    }
    file.size = static_cast<std::uint64_t>(info.st_size);
    file.modifiedNanoseconds = Nanoseconds(info.st_mtim);
    try {
        file.header = std::make_shared<const MessageHeaderInfo>(ReadMessageHeaderInfo(buffer));
    } catch (const std::bad_alloc&) {
        // Left unread: the message is not listed this time.
    }
}

// Reads the headers of a list of files on helper threads started at once, and on the calling
// thread when it calls Finish (a first listing of a large folder spends most of its time waiting
// for files and parsing headers, and the caller has its own work to do meanwhile). Header parsing
// touches no shared state: GMime's utility functions are thread-safe and each call makes its
// own objects. The files' names and the slots for what is found must stay put until Finish.
class FileReader {
  public:
    FileReader(int directory, const fs::path& directoryPath, std::vector<FileToRead>& files)
        : directory_(directory), directoryPath_(directoryPath), files_(files) {
        constexpr std::size_t kFilesPerThread = 512;
        constexpr unsigned kMaxThreads = 4;
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const std::size_t threads =
            std::min<std::size_t>({cores, kMaxThreads, 1 + files.size() / kFilesPerThread});
        for (std::size_t i = 1; i < threads; ++i) helpers_.emplace_back([this] { Work(); });
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader() { Finish(); }

    void Finish() {
        Work();
        for (std::jthread& helper : helpers_) helper.join();
        helpers_.clear();
    }

  private:
    void Work() {
        std::string buffer;
        for (std::size_t i = next_++; i < files_.size(); i = next_++)
            ReadHeaderOf(directory_, directoryPath_, files_[i], buffer);
    }

    int directory_;
    const fs::path& directoryPath_;
    std::vector<FileToRead>& files_;
    std::atomic<std::size_t> next_{0};
    std::vector<std::jthread> helpers_;
};

// Records a directory entry of this listing in the index: its place, full name and Seen flag.
// Null for a name that is no message file and for a second file of a message already seen by
// this listing (the first one counts).
HeaderCacheEntries::value_type* Remember(HeaderCacheEntries& cache, std::string_view name,
                                         MessageDirectory place, std::uint64_t listing,
                                         bool& changed) {
    const std::optional<MaildirFileName> parsed = ParseMaildirFileName(name);
    if (!parsed) return nullptr;
    auto slot = cache.find(parsed->unique);
    if (slot == cache.end())
        slot = cache.emplace(std::string(parsed->unique), CachedMessage{}).first;
    CachedMessage& cached = slot->second;
    if (cached.listing == listing) return nullptr;
    const std::string_view nameAfterUnique = name.substr(parsed->unique.size());
    const bool read = parsed->hasInfo && HasMaildirFlag(*parsed, 'S');
    if (cached.directory != place || cached.nameAfterUnique != nameAfterUnique ||
        cached.read != read) {
        cached.directory = place;
        cached.nameAfterUnique.assign(nameAfterUnique);
        cached.read = read;
        changed = true;
    }
    cached.listing = listing;
    return &*slot;
}

}  // namespace

std::vector<MaildirMessage> MaildirStore::ListMessages(const std::string& folderPath) {
    std::vector<MaildirMessage> messages;
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory || !IsDirectory(*directory)) return messages;
    FolderIndex& index = folders_[folderPath];
    const fs::path absolute = fs::absolute(*directory);
    const fs::path cacheFile = HeaderCacheFile(absolute);
    // The directory times are taken before anything is read, so a change made while the folder
    // is listed leaves a newer time and is seen by the next listing.
    const std::int64_t listingStart = RealTimeNanoseconds();
    const FolderStamps stamps{DirectoryStamp(*directory / "cur"),
                              DirectoryStamp(*directory / "new")};
    if (!index.loaded) {
        const std::optional<HeaderCacheContents> contents =
            HeaderCacheContents::Read(cacheFile, absolute);
        if (contents && indexUse_ == FolderIndexUse::ReleasedAfterListing &&
            contents->Stamps().Known() && contents->Stamps() == stamps &&
            ListFromCacheFile(*contents, messages)) {
            return messages;  // no index is kept, so none is built
        }
        messages.clear();
        HeaderCache loaded = contents ? IndexHeaderCache(*contents) : HeaderCache{};
        index.cache = std::move(loaded.entries);
        index.stamps = loaded.stamps;
        index.loaded = true;
    }
    messages.reserve(index.cache.size());
    if (!(index.stamps.Known() && index.stamps == stamps &&
          ListFromCache(index.cache, ++index.listing, messages))) {
        messages.clear();
        bool changed = ScanFolder(*directory, index, ++index.listing, messages);
        // A directory changed shortly before the listing may change again within the same tick
        // of the file system's clock without its time moving; its time is trusted only once it
        // lies well before the listing.
        const FolderStamps trusted =
            IsSettled(stamps.cur, listingStart) && IsSettled(stamps.fresh, listingStart)
                ? stamps
                : FolderStamps{};
        if (trusted != index.stamps) changed = true;
        index.stamps = trusted;
        // A cache that cannot be written only makes the next listing slower.
        if (changed) (void)SaveHeaderCache(cacheFile, absolute, index.stamps, index.cache);
    }
    if (indexUse_ == FolderIndexUse::ReleasedAfterListing) {
        // The rows share the headers; only the index around them goes.
        HeaderCacheEntries().swap(index.cache);
        index.loaded = false;
    }
    return messages;
}

bool MaildirStore::ScanFolder(const fs::path& directory, FolderIndex& index, std::uint64_t listing,
                              std::vector<MaildirMessage>& messages) {
    // The cache is updated in place: entries seen by this listing are stamped with its number,
    // the others (files gone) are dropped at the end.
    bool changed = false;
    bool firstListing = index.cache.empty();
    std::vector<FileToRead> toRead;
    // One pass over cur/ and new/; true when a file vanished between the reading of its
    // directory and its opening (renamed by another program: it is looked for again).
    auto pass = [&]() {
        bool vanished = false;
        for (const char* sub : {"cur", "new"}) {
            const fs::path subdirectory = directory / sub;
            // Never through a link out of the store.
            DirectoryReader reader(subdirectory, Links::Refuse);
            const int descriptor = reader.Descriptor();
            if (descriptor < 0) continue;
            const MessageDirectory place =
                sub[0] == 'c' ? MessageDirectory::Cur : MessageDirectory::New;
            toRead.clear();
            if (firstListing) {
                // Nothing is known yet, so every file is read: the reading starts as soon as the
                // names are in, and the index is built beside it.
                while (const std::optional<DirectoryEntry> entry = reader.Next()) {
                    if (entry->name.front() != '.') toRead.emplace_back().name = entry->name;
                }
                FileReader fileReader(descriptor, subdirectory, toRead);
                for (FileToRead& file : toRead) {
                    file.entry = Remember(index.cache, file.name, place, listing, changed);
                    file.wanted = file.entry != nullptr;
                }
                fileReader.Finish();
            } else {
                while (const std::optional<DirectoryEntry> entry = reader.Next()) {
                    const std::string_view name = entry->name;
                    HeaderCacheEntries::value_type* slot =
                        Remember(index.cache, name, place, listing, changed);
                    if (slot == nullptr) continue;
                    CachedMessage& cached = slot->second;
                    if (cached.header) {
                        // Known: trusted while its size and time are unchanged.
                        struct stat info {};
                        const bool found =
                            ::fstatat(descriptor, name.data(), &info, AT_SYMLINK_NOFOLLOW) == 0;
                        if (!found || !S_ISREG(info.st_mode)) {
                            vanished = vanished || (!found && errno == ENOENT);
                            cached.listing = 0;  // not a message file (now): dropped below
                            continue;
                        }
                        if (cached.size == static_cast<std::uint64_t>(info.st_size) &&
                            cached.modifiedNanoseconds == Nanoseconds(info.st_mtim)) {
                            messages.push_back(RowFromCache(slot->first, cached));
                            continue;
                        }
                    }
                    FileToRead& file = toRead.emplace_back();
                    file.entry = slot;
                    file.name.assign(name);
                }
                FileReader(descriptor, subdirectory, toRead).Finish();
            }
            for (FileToRead& file : toRead) {
                if (!file.wanted) continue;
                CachedMessage& cached = file.entry->second;
                if (!file.header) {
                    vanished = vanished || file.vanished;
                    cached.listing = 0;  // unreadable or no regular file: not listed, dropped below
                    continue;
                }
                cached.size = file.size;
                cached.modifiedNanoseconds = file.modifiedNanoseconds;
                cached.header = std::move(file.header);
                changed = true;
                messages.push_back(RowFromCache(file.entry->first, cached));
            }
        }
        return vanished;
    };
    // A message renamed by another program (a sync tool setting flags) while the folder is read
    // can be missed: its file gone before it was opened, or neither of its names met by readdir.
    // Either leaves a trace (a vanished file, a directory time that moved), and the directories
    // are read again for the messages not yet seen, until they hold still; a few passes at most,
    // so a folder that never holds still is still listed.
    constexpr int kMaxPasses = 4;
    FolderStamps before{DirectoryStamp(directory / "cur"), DirectoryStamp(directory / "new")};
    for (int passes = 1;; ++passes) {
        const bool vanished = pass();
        firstListing = false;
        const FolderStamps after{DirectoryStamp(directory / "cur"),
                                 DirectoryStamp(directory / "new")};
        if ((!vanished && after == before) || passes == kMaxPasses) break;
        before = after;
    }
    const std::size_t dropped = std::erase_if(
        index.cache, [listing](const auto& entry) { return entry.second.listing != listing; });
    return changed || dropped != 0;
}

void MaildirStore::CountMessages(const std::string& folderPath, std::uint32_t& total,
                                 std::uint32_t& unread) const {
    total = 0;
    unread = 0;
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory) return;
    for (const char* sub : {"cur", "new"}) {
        std::vector<std::string> names;
        (void)ListDirectoryNames(*directory / sub, Links::Refuse, names);  // none: none counted
        for (const std::string& name : names) {
            const std::optional<MaildirFileName> parsed = ParseMaildirFileName(name);
            if (!parsed) continue;
            ++total;
            if (!(parsed->hasInfo && HasMaildirFlag(*parsed, 'S'))) ++unread;
        }
    }
}

}  // namespace velora::platform
