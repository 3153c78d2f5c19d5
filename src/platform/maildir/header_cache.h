#pragma once
// The header cache of one Maildir folder: what ReadMessageHeaderInfo found in each message file,
// so that listing the folder again reads only the files that changed. Kept in
// $XDG_CACHE_HOME/velora (default ~/.cache/velora), one file per folder, named after a hash of
// the folder's path. An entry is keyed by the message's unique name and trusted only while the
// file's size and modification time are unchanged (a flag change renames the file but keeps both,
// so it costs no reading). A cache file that is damaged in any way (bad magic, wrong folder,
// truncated, bad checksum) is ignored as a whole and rewritten.
//
// The file also keeps where each message lay (cur/ or new/, its full name, its Seen flag) and the
// modification times of cur/ and new/ when that was true. Adding, removing or renaming a file
// changes its directory's time, so while both times are unchanged a listing needs neither the
// directories nor the files: the cache is the listing. Maildir messages are never rewritten in
// place (a changed message is a new file), which is what makes that safe.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/maildir/headers.h"

namespace velora::platform {

enum class MessageDirectory : std::uint8_t { Unknown, Cur, New };

struct CachedMessage {
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::shared_ptr<const MessageHeaderInfo> header;  // null for a file found but not yet read
    // Where the file is now: its directory, and what follows the unique name in its file name
    // (":2,S", say), which is short enough to need no allocation of its own.
    MessageDirectory directory = MessageDirectory::Unknown;
    std::string nameAfterUnique;
    bool read = false;          // the name carries the Seen flag
    std::uint64_t listing = 0;  // the folder listing that last saw the file (memory only)
};

// The modification times (nanoseconds) of a folder's cur/ and new/ directories, taken before the
// listing that the cache records. 0: unknown, never matches; kAbsentDirectory: no such
// directory.
struct FolderStamps {
    std::int64_t cur = 0;
    std::int64_t fresh = 0;  // new/
    bool Known() const { return cur != 0 && fresh != 0; }
    bool operator==(const FolderStamps&) const = default;
};
inline constexpr std::int64_t kAbsentDirectory = 1;

// Hashes std::string and std::string_view alike, so lookups need no key copy.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};

using HeaderCacheEntries =
    std::unordered_map<std::string, CachedMessage, TextHash, std::equal_to<>>;  // by unique name

// $XDG_CACHE_HOME/velora, else $HOME/.cache/velora.
std::filesystem::path HeaderCacheDirectory();
std::filesystem::path HeaderCacheFile(const std::filesystem::path& folder);

struct HeaderCache {
    FolderStamps stamps;
    HeaderCacheEntries entries;
};

// A folder's cache file read whole and checked (magic, folder, size, checksum); its entries are
// decoded on demand, into an index or straight into a listing.
class HeaderCacheContents {
  public:
    // nullopt when there is no such file or it is damaged; a cache file that is no regular file
    // (or is larger than any cache) is reported once on stderr and ignored.
    [[nodiscard]] static std::optional<HeaderCacheContents> Read(
        const std::filesystem::path& cacheFile, const std::filesystem::path& folder);
    const FolderStamps& Stamps() const { return stamps_; }
    std::uint64_t Count() const { return count_; }
    // Gives every entry in file order (the visitor may take the strings and the message); false
    // when an entry is malformed, after the ones before it.
    using EntryVisitor = std::function<void(std::string& unique, CachedMessage& message)>;
    [[nodiscard]] bool ForEachEntry(const EntryVisitor& visit) const;

  private:
    HeaderCacheContents() = default;
    std::string bytes_;
    std::size_t entriesOffset_ = 0;
    FolderStamps stamps_;
    std::uint64_t count_ = 0;
};

// The entries by unique name; empty (unknown stamps, no entries) when an entry is malformed.
HeaderCache IndexHeaderCache(const HeaderCacheContents& contents);
// The folder's cache file; empty (unknown stamps, no entries) when there is none or it is damaged.
HeaderCache LoadHeaderCache(const std::filesystem::path& cacheFile,
                            const std::filesystem::path& folder);
// Writes the cache file atomically (a temporary file renamed over it) with the entries that have
// a header; false when it could not be written (the listing works on, only slower next time).
// The cache is checked when read, so it is not synced to the disk first.
[[nodiscard]] bool SaveHeaderCache(const std::filesystem::path& cacheFile,
                                   const std::filesystem::path& folder, const FolderStamps& stamps,
                                   const HeaderCacheEntries& entries);

}  // namespace velora::platform
