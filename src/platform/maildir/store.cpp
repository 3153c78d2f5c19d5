#include "platform/maildir/store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <set>
#include <thread>

#include "platform/base/ascii_case.h"
#include "platform/base/file_io.h"
#include "platform/base/file_time.h"
#include "platform/maildir/file_name.h"
#include "platform/maildir/path_safety.h"

namespace velora::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxHeaderRead = 4 * 1024 * 1024;  // bytes read from one file for the list

bool IsDirectory(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsMaildir(const fs::path& path) {
    return IsDirectory(path / "cur") && IsDirectory(path / "new");
}

// Usual names of the special folders, preferred first, by SpecialFolder value.
const std::vector<std::vector<std::string_view>>& SpecialNames() {
    static const std::vector<std::vector<std::string_view>> names{
        {},
        {"Outbox"},
        {"Drafts"},
        {"Trash", "Deleted Items", "Deleted Messages"},
        {"Sent", "Sent Items", "Sent Messages"},
    };
    return names;
}

bool IsExcludedTopName(std::string_view name) {
    for (const auto& names : SpecialNames()) {
        for (std::string_view special : names) {
            if (EqualsIgnoringAsciiCase(name, special)) return true;
        }
    }
    return EqualsIgnoringAsciiCase(name, "Junk") || EqualsIgnoringAsciiCase(name, "Spam") ||
           EqualsIgnoringAsciiCase(name, "INBOX");
}

std::vector<std::string> DirectoryNames(const fs::path& directory) {
    std::vector<std::string> names;
    DIR* handle = ::opendir(directory.c_str());
    if (handle == nullptr) return names;
    while (dirent* entry = ::readdir(handle)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    ::closedir(handle);
    return names;
}

bool IsPlainDirectory(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct FolderCandidate {
    std::vector<std::string> components;
    std::vector<std::string> prefixes;  // the folder path of each component's level
    std::string path;
};

// Every Maildir below the root, at any depth. Links to directories are never followed and each
// directory is visited once (by device and inode), so no layout of the disk can make it loop;
// the length of a path the system accepts bounds the depth.
void CollectFolders(const fs::path& root, std::vector<std::string>& found) {
    std::set<std::pair<dev_t, ino_t>> visited;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        const fs::path directory = relative.empty() ? root : root / relative;
        struct stat info {};
        if (::lstat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            !visited.emplace(info.st_dev, info.st_ino).second) {
            continue;
        }
        if (!relative.empty() && IsMaildir(directory)) found.push_back(relative);
        for (const std::string& name : DirectoryNames(directory)) {
            if (name == "cur" || name == "new" || name == "tmp") continue;
            pending.push_back(relative.empty() ? name : relative + "/" + name);
        }
    }
}

FolderCandidate SplitFolderPath(const std::string& path) {
    FolderCandidate candidate;
    candidate.path = path;
    std::string directoryPrefix;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string segment = path.substr(start, slash - start);
        if (!segment.empty() && segment.front() == '.') {
            std::string dotted = directoryPrefix + ".";
            std::size_t partStart = 1;
            bool first = true;
            while (partStart <= segment.size()) {
                std::size_t dot = segment.find('.', partStart);
                if (dot == std::string::npos) dot = segment.size();
                const std::string part = segment.substr(partStart, dot - partStart);
                dotted += (first ? "" : ".") + part;
                first = false;
                if (!part.empty()) {
                    candidate.components.push_back(part);
                    candidate.prefixes.push_back(dotted);
                }
                partStart = dot + 1;
            }
        } else if (!segment.empty()) {
            candidate.components.push_back(segment);
            candidate.prefixes.push_back(directoryPrefix + segment);
        }
        directoryPrefix += segment + "/";
        start = slash + 1;
    }
    if (candidate.components.size() > 1 &&
        EqualsIgnoringAsciiCase(candidate.components.front(), "INBOX")) {
        candidate.components.erase(candidate.components.begin());
        candidate.prefixes.erase(candidate.prefixes.begin());
    }
    return candidate;
}

void SortTree(std::vector<MaildirFolderNode>& nodes) {
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const MaildirFolderNode& a, const MaildirFolderNode& b) {
                         return a.name != b.name ? a.name < b.name : a.path < b.path;
                     });
    for (MaildirFolderNode& node : nodes) SortTree(node.children);
}

const MaildirFolderNode* FindNode(const std::vector<MaildirFolderNode>& nodes,
                                  const std::string& path, const MaildirFolderNode** parent,
                                  const MaildirFolderNode* current) {
    for (const MaildirFolderNode& node : nodes) {
        if (node.path == path) {
            if (parent != nullptr) *parent = current;
            return &node;
        }
        if (const MaildirFolderNode* found = FindNode(node.children, path, parent, &node))
            return found;
    }
    return nullptr;
}

std::uint64_t FileTimeFromTimespec(const timespec& time) {
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + kFileTimeUnixEpochSeconds;
    if (seconds < 0) return 0;
    return static_cast<std::uint64_t>(seconds) * kFileTimeTicksPerSecond +
           static_cast<std::uint64_t>(time.tv_nsec / 100);
}

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

// How a message file is read for its headers: never through a link, never blocking (a FIFO
// in cur/ must not hang the listing), only the first kMaxHeaderRead bytes.
constexpr FileReadOptions kHeaderReadOptions{
    .limit = kMaxHeaderRead, .links = Links::Refuse, .sizeLimit = SizeLimit::Prefix};

// Reports once that a name in cur/ or new/ is skipped because it is no message file.
void WarnSkipped(const fs::path& file, const FileStatus& status) {
    if (status.Error() == FileError::NotRegular || status.Error() == FileError::Link)
        WarnOnce(file.string(), "skipped " + file.string() + ": " + status.Reason());
}

// "cur/NAME" or "new/NAME" of a cached message; empty when its place is unknown.
std::string CachedFileName(std::string_view unique, const CachedMessage& cached) {
    if (cached.directory == MessageDirectory::Unknown) return {};
    std::string fileName(cached.directory == MessageDirectory::Cur ? "cur/" : "new/");
    fileName.append(unique).append(cached.nameAfterUnique);
    return fileName;
}

// Remembers "cur/NAME" or "new/NAME" as the message's place; forgets it for anything else.
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

class DirectoryHandle {
  public:
    explicit DirectoryHandle(const fs::path& path) : handle_(::opendir(path.c_str())) {}
    ~DirectoryHandle() {
        if (handle_ != nullptr) ::closedir(handle_);
    }
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;
    DIR* get() const { return handle_; }

  private:
    DIR* handle_;
};

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

MaildirStore::MaildirStore(fs::path root, std::string ownAddress, FolderIndexUse indexUse)
    : root_(std::move(root)), ownAddress_(std::move(ownAddress)), indexUse_(indexUse) {
    std::error_code error;
    canonicalRoot_ = fs::weakly_canonical(root_, error);
    if (error) canonicalRoot_ = root_;
    std::string& inbox = specialPaths_[static_cast<int>(SpecialFolder::Inbox)];
    bool maildirPlusPlus = true;
    if (!IsMaildir(root_)) {
        if (IsMaildir(root_ / "INBOX")) {
            inbox = "INBOX";
            maildirPlusPlus = false;
        } else if (IsMaildir(root_ / "Inbox")) {
            inbox = "Inbox";
            maildirPlusPlus = false;
        }
    }
    const std::vector<std::string> topNames = DirectoryNames(root_);
    for (int special = 1; special < 5; ++special) {
        std::string found;
        for (std::string_view wanted : SpecialNames()[special]) {
            for (const std::string& name : topNames) {
                const bool dotted = !name.empty() && name.front() == '.';
                const std::string_view bare = dotted ? std::string_view(name).substr(1) : name;
                if (!EqualsIgnoringAsciiCase(bare, wanted) || !IsMaildir(root_ / name)) continue;
                if (!FolderDirectory(name)) {
                    // A link out of the store (a Trash shared with another program, say) is
                    // never written through; the store works on without that folder.
                    WarnOnce((root_ / name).string(), (root_ / name).string() +
                                                          " leads outside the mail store; it is " +
                                                          "treated as absent");
                    continue;
                }
                found = name;
                break;
            }
            if (!found.empty()) break;
        }
        if (found.empty()) {
            found = (maildirPlusPlus ? "." : "") + std::string(SpecialNames()[special].front());
        }
        specialPaths_[special] = found;
    }
}

const std::string& MaildirStore::SpecialFolderPath(SpecialFolder folder) const {
    return specialPaths_[static_cast<int>(folder)];
}

bool MaildirStore::IsSpecialFolder(const std::string& folderPath) const {
    return std::find(std::begin(specialPaths_), std::end(specialPaths_), folderPath) !=
           std::end(specialPaths_);
}

bool MaildirStore::IsUnsentFolder(const std::string& folderPath) const {
    return folderPath == SpecialFolderPath(SpecialFolder::Drafts) ||
           folderPath == SpecialFolderPath(SpecialFolder::Outbox);
}

bool MaildirStore::IsFromMe(const MessageHeaderInfo& header) const {
    return !ownAddress_.empty() && EqualsIgnoringAsciiCase(header.senderAddress, ownAddress_);
}

std::vector<MaildirFolderNode> MaildirStore::ScanTree() const {
    std::vector<std::string> paths;
    CollectFolders(root_, paths);
    std::vector<FolderCandidate> candidates;
    for (const std::string& path : paths) {
        bool special = false;
        for (const std::string& specialPath : specialPaths_)
            special = special || path == specialPath;
        if (special) continue;
        FolderCandidate candidate = SplitFolderPath(path);
        if (candidate.components.empty() || IsExcludedTopName(candidate.components.front()))
            continue;
        candidates.push_back(std::move(candidate));
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const FolderCandidate& a, const FolderCandidate& b) {
                  return a.components != b.components ? a.components < b.components
                                                      : a.path < b.path;
              });
    std::vector<MaildirFolderNode> top;
    for (const FolderCandidate& candidate : candidates) {
        std::vector<MaildirFolderNode>* level = &top;
        for (std::size_t i = 0; i < candidate.components.size(); ++i) {
            const bool last = i + 1 == candidate.components.size();
            auto existing =
                std::find_if(level->begin(), level->end(), [&](const MaildirFolderNode& node) {
                    return node.name == candidate.components[i];
                });
            if (existing == level->end() || (last && existing->onDisk)) {
                MaildirFolderNode node;
                node.name = candidate.components[i];
                node.path = last ? candidate.path : candidate.prefixes[i];
                node.onDisk = last;
                level->push_back(std::move(node));
                existing = level->end() - 1;
            } else if (last) {
                existing->onDisk = true;
                existing->path = candidate.path;
            }
            level = &existing->children;
        }
    }
    SortTree(top);
    return top;
}

const std::vector<MaildirFolderNode>& MaildirStore::Tree() const {
    if (!tree_) tree_ = ScanTree();
    return *tree_;
}

std::vector<MaildirFolderNode> MaildirStore::ChildFolders(const std::string& folderPath) const {
    if (folderPath == SpecialFolderPath(SpecialFolder::Inbox)) {
        tree_ = ScanTree();
        return *tree_;
    }
    const MaildirFolderNode* node = FindNode(Tree(), folderPath, nullptr, nullptr);
    return node != nullptr ? node->children : std::vector<MaildirFolderNode>{};
}

std::optional<std::string> MaildirStore::ParentFolder(const std::string& folderPath) const {
    const std::vector<MaildirFolderNode>& top = Tree();
    const MaildirFolderNode* parent = nullptr;
    if (FindNode(top, folderPath, &parent, nullptr) == nullptr) return std::nullopt;
    return parent != nullptr ? parent->path : SpecialFolderPath(SpecialFolder::Inbox);
}

std::string MaildirStore::FolderDisplayName(const std::string& folderPath) const {
    if (folderPath == SpecialFolderPath(SpecialFolder::Inbox)) return "Inbox";
    for (int special = 1; special < 5; ++special) {
        if (folderPath == specialPaths_[special]) {
            const std::string& path = specialPaths_[special];
            return path.front() == '.' ? path.substr(1) : path;
        }
    }
    const FolderCandidate candidate = SplitFolderPath(folderPath);
    return candidate.components.empty() ? folderPath : candidate.components.back();
}

std::optional<fs::path> MaildirStore::FolderDirectory(const std::string& folderPath) const {
    if (!IsSafeFolderPath(folderPath)) return std::nullopt;
    const fs::path directory = folderPath.empty() ? root_ : root_ / folderPath;
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(directory, error);
    if (error) return std::nullopt;
    const std::string rootText = canonicalRoot_.string();
    const std::string resolvedText = resolved.string();
    if (resolvedText != rootText &&
        !(resolvedText.size() > rootText.size() && resolvedText.starts_with(rootText) &&
          (rootText.ends_with('/') || resolvedText[rootText.size()] == '/'))) {
        return std::nullopt;
    }
    return directory;
}

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
        if (changed) SaveHeaderCache(cacheFile, absolute, index.stamps, index.cache);
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
            if (!IsPlainDirectory(subdirectory)) continue;  // never follow a link out of the store
            DirectoryHandle handle(subdirectory);
            if (handle.get() == nullptr) continue;
            const int descriptor = ::dirfd(handle.get());
            const MessageDirectory place =
                sub[0] == 'c' ? MessageDirectory::Cur : MessageDirectory::New;
            toRead.clear();
            if (firstListing) {
                // Nothing is known yet, so every file is read: the reading starts as soon as the
                // names are in, and the index is built beside it.
                while (dirent* entry = ::readdir(handle.get())) {
                    if (entry->d_name[0] != '.') toRead.emplace_back().name = entry->d_name;
                }
                FileReader reader(descriptor, subdirectory, toRead);
                for (FileToRead& file : toRead) {
                    file.entry = Remember(index.cache, file.name, place, listing, changed);
                    file.wanted = file.entry != nullptr;
                }
                reader.Finish();
            } else {
                while (dirent* entry = ::readdir(handle.get())) {
                    const std::string_view name = entry->d_name;
                    HeaderCacheEntries::value_type* slot =
                        Remember(index.cache, name, place, listing, changed);
                    if (slot == nullptr) continue;
                    CachedMessage& cached = slot->second;
                    if (cached.header) {
                        // Known: trusted while its size and time are unchanged.
                        struct stat info {};
                        const bool found =
                            ::fstatat(descriptor, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0;
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
        if (!IsPlainDirectory(*directory / sub)) continue;
        for (const std::string& name : DirectoryNames(*directory / sub)) {
            const std::optional<MaildirFileName> parsed = ParseMaildirFileName(name);
            if (!parsed) continue;
            ++total;
            if (!(parsed->hasInfo && HasMaildirFlag(*parsed, 'S'))) ++unread;
        }
    }
}

std::optional<std::string> MaildirStore::LocateFile(const std::string& folderPath,
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
        if (!IsPlainDirectory(*directory / sub)) continue;
        for (const std::string& name : DirectoryNames(*directory / sub)) {
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

std::optional<fs::path> MaildirStore::MessageFile(const std::string& folderPath,
                                                  const std::string& unique) {
    const std::optional<std::string> fileName = LocateFile(folderPath, unique);
    if (!fileName) return std::nullopt;
    return *FolderDirectory(folderPath) / *fileName;
}

std::optional<MaildirMessage> MaildirStore::ReadOne(const std::string& folderPath,
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

std::optional<MaildirMessage> MaildirStore::FindMessage(const std::string& folderPath,
                                                        const std::string& unique) {
    const std::optional<std::string> fileName = LocateFile(folderPath, unique);
    if (!fileName) return std::nullopt;
    return ReadOne(folderPath, *fileName);
}

MaildirStatus MaildirStore::SetSeen(const std::string& folderPath, const std::string& unique,
                                    bool seen) {
    const std::optional<fs::path> directory = FolderDirectory(folderPath);
    if (!directory) return MaildirStatus::UnsafePath;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::optional<std::string> fileName = LocateFile(folderPath, unique);
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
        return LocateFile(folderPath, unique) ? MaildirStatus::Done : MaildirStatus::NotFound;
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
        const std::optional<std::string> fileName = LocateFile(folderPath, unique);
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
            SaveSideFile(*trashDirectory, movedStates);
            SideStates remaining = LoadSideFile(*directory);
            remaining.erase(unique);
            SaveSideFile(*directory, remaining);
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
