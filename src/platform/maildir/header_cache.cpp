#include "platform/maildir/header_cache.h"

#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/base/file_io.h"

namespace velora::platform {
namespace {

constexpr std::string_view kMagic = "velora-header-cache 5\n";

// Far more than the cache of any real folder (a million messages take about 300 MB).
constexpr std::size_t kMaxCacheFileSize = std::size_t{1} << 30;

// The bits of an entry's flag word.
constexpr std::uint64_t kHasSubject = 1;
constexpr std::uint64_t kHasSender = 2;
constexpr std::uint64_t kHasAttachment = 4;
constexpr std::uint64_t kRead = 8;
constexpr std::uint64_t kInCur = 16;
constexpr std::uint64_t kInNew = 32;

// FNV-1a of `bytes` (names the cache file after its folder).
std::uint64_t Fnv1a(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// The file's checksum, taken eight bytes at a time (a byte at a time cost a few percent of a
// listing on a large folder). Text may be added in pieces of any length: the result is that of
// the whole.
class Checksum {
  public:
    void Add(std::string_view bytes) {
        while (!bytes.empty() && pendingSize_ != 0) {
            pending_[pendingSize_++] = bytes.front();
            bytes.remove_prefix(1);
            if (pendingSize_ == 8) {
                Mix(pending_);
                pendingSize_ = 0;
            }
        }
        while (bytes.size() >= 8) {
            Mix(bytes.data());
            bytes.remove_prefix(8);
        }
        for (char c : bytes) pending_[pendingSize_++] = c;
    }
    std::uint64_t Value() const {
        std::uint64_t tail = 0;
        for (std::size_t i = 0; i < pendingSize_; ++i) {
            tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(pending_[i])) << (8 * i);
        }
        std::uint64_t hash = (state_ ^ tail) * kMultiplier;
        hash = (hash ^ (words_ * 8 + pendingSize_)) * kMultiplier;  // the length
        return hash ^ (hash >> 29);
    }

  private:
    static constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

    void Mix(const char* eight) {
        std::uint64_t word = 0;
        std::memcpy(&word, eight, 8);
        state_ = (state_ ^ word) * kMultiplier;
        state_ ^= state_ >> 32;
        ++words_;
    }

    std::uint64_t state_ = 0x243F6A8885A308D3ULL;
    std::uint64_t words_ = 0;
    char pending_[8] = {};
    std::size_t pendingSize_ = 0;
};

void PutU64(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void PutText(std::string& out, std::string_view text) {
    PutU64(out, text.size());
    out += text;
}

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool U64(std::uint64_t& value) {
        if (bytes_.size() - position_ < 8) return false;
        value = 0;
        for (int i = 0; i < 8; ++i) {
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[position_ + i]))
                     << (8 * i);
        }
        position_ += 8;
        return true;
    }
    bool Text(std::string& text) {
        std::uint64_t size = 0;
        if (!U64(size) || size > bytes_.size() - position_) return false;
        text.assign(bytes_.substr(position_, size));
        position_ += size;
        return true;
    }
    bool AtEnd() const { return position_ == bytes_.size(); }
    std::size_t Position() const { return position_; }

  private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

}  // namespace

std::filesystem::path HeaderCacheDirectory() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && *cache == '/') return std::filesystem::path(cache) / "velora";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "/tmp") / ".cache" / "velora";
}

std::filesystem::path HeaderCacheFile(const std::filesystem::path& folder) {
    char name[40];
    std::snprintf(name, sizeof name, "headers-%016llx",
                  static_cast<unsigned long long>(Fnv1a(folder.string())));
    return HeaderCacheDirectory() / name;
}

std::optional<HeaderCacheContents> HeaderCacheContents::Read(const std::filesystem::path& cacheFile,
                                                             const std::filesystem::path& folder) {
    // One read of the whole file (sized by fstat): reading it through a stream iterator byte by
    // byte cost a fifth of a warm listing.
    HeaderCacheContents contents;
    std::string& bytes = contents.bytes_;
    const FileStatus read = ReadFile(cacheFile, {.limit = kMaxCacheFileSize}, bytes);
    if (!read) {
        if (read.Error() != FileError::NotFound) {
            WarnOnce(cacheFile.string(),
                     "the header cache " + cacheFile.string() + " is ignored: " + read.Reason());
        }
        return std::nullopt;
    }
    if (bytes.size() < kMagic.size() + 8 || !std::string_view(bytes).starts_with(kMagic))
        return std::nullopt;
    const std::string_view body(bytes.data(), bytes.size() - 8);
    std::uint64_t checksum = 0;
    Reader tail(std::string_view(bytes).substr(bytes.size() - 8));
    Checksum computed;
    computed.Add(body);
    if (!tail.U64(checksum) || checksum != computed.Value()) return std::nullopt;
    Reader reader(body.substr(kMagic.size()));
    std::string folderText;
    std::uint64_t cur = 0;
    std::uint64_t fresh = 0;
    if (!reader.Text(folderText) || folderText != folder.string() || !reader.U64(cur) ||
        !reader.U64(fresh) || !reader.U64(contents.count_)) {
        return std::nullopt;
    }
    // Every entry takes at least nine numbers of eight bytes, which bounds an honest count.
    if (contents.count_ > bytes.size() / 72) return std::nullopt;
    contents.stamps_ = {static_cast<std::int64_t>(cur), static_cast<std::int64_t>(fresh)};
    contents.entriesOffset_ = kMagic.size() + reader.Position();
    return contents;
}

bool HeaderCacheContents::ForEachEntry(const EntryVisitor& visit) const {
    Reader reader(
        std::string_view(bytes_).substr(entriesOffset_, bytes_.size() - 8 - entriesOffset_));
    // The headers live in one block (never grown, so they stay put); each entry's pointer shares
    // the block's ownership, which saves a heap block per message.
    auto headers = std::make_shared<std::vector<MessageHeaderInfo>>();
    headers->reserve(count_);
    std::string unique;
    for (std::uint64_t i = 0; i < count_; ++i) {
        CachedMessage message;
        MessageHeaderInfo* header = &headers->emplace_back();
        std::uint64_t modified = 0;
        std::uint64_t flags = 0;
        if (!reader.Text(unique) || !reader.Text(message.nameAfterUnique) ||
            !reader.U64(message.size) || !reader.U64(modified) ||
            !reader.U64(header->deliveryTime) || !reader.U64(flags) ||
            !reader.Text(header->subject) || !reader.Text(header->senderName) ||
            !reader.Text(header->senderAddress)) {
            return false;
        }
        message.modifiedNanoseconds = static_cast<std::int64_t>(modified);
        header->hasSubject = (flags & kHasSubject) != 0;
        header->hasSender = (flags & kHasSender) != 0;
        header->hasAttachment = (flags & kHasAttachment) != 0;
        message.read = (flags & kRead) != 0;
        message.directory = (flags & kInCur) != 0   ? MessageDirectory::Cur
                            : (flags & kInNew) != 0 ? MessageDirectory::New
                                                    : MessageDirectory::Unknown;
        message.header = std::shared_ptr<const MessageHeaderInfo>(headers, header);
        visit(unique, message);
    }
    return reader.AtEnd();
}

HeaderCache IndexHeaderCache(const HeaderCacheContents& contents) {
    HeaderCache cache;
    cache.stamps = contents.Stamps();
    cache.entries.reserve(contents.Count());
    const bool complete =
        contents.ForEachEntry([&cache](std::string& unique, CachedMessage& message) {
            cache.entries.emplace(std::move(unique), std::move(message));
        });
    if (!complete) return {};
    return cache;
}

HeaderCache LoadHeaderCache(const std::filesystem::path& cacheFile,
                            const std::filesystem::path& folder) {
    const std::optional<HeaderCacheContents> contents =
        HeaderCacheContents::Read(cacheFile, folder);
    return contents ? IndexHeaderCache(*contents) : HeaderCache{};
}

bool SaveHeaderCache(const std::filesystem::path& cacheFile, const std::filesystem::path& folder,
                     const FolderStamps& stamps, const HeaderCacheEntries& entries) {
    std::error_code error;
    std::filesystem::create_directories(cacheFile.parent_path(), error);
    AtomicFile file(cacheFile);
    if (!file.Status()) return false;
    // Written in pieces with the checksum carried along, so a large folder's cache never sits in
    // memory whole beside the listing.
    constexpr std::size_t kPiece = 256 * 1024;
    std::string out(kMagic);
    out.reserve(kPiece + 4096);
    Checksum checksum;
    bool written = true;
    auto flush = [&](bool hashed) {
        if (hashed) checksum.Add(out);
        written = written && WriteAll(file.Descriptor(), out);
        out.clear();
    };
    PutText(out, folder.string());
    PutU64(out, static_cast<std::uint64_t>(stamps.cur));
    PutU64(out, static_cast<std::uint64_t>(stamps.fresh));
    std::size_t count = 0;
    for (const auto& entry : entries) count += entry.second.header ? 1 : 0;
    PutU64(out, count);
    for (const auto& [unique, message] : entries) {
        if (!message.header) continue;
        PutText(out, unique);
        PutText(out, message.nameAfterUnique);
        PutU64(out, message.size);
        PutU64(out, static_cast<std::uint64_t>(message.modifiedNanoseconds));
        const MessageHeaderInfo& header = *message.header;
        PutU64(out, header.deliveryTime);
        PutU64(out, (header.hasSubject ? kHasSubject : 0) | (header.hasSender ? kHasSender : 0) |
                        (header.hasAttachment ? kHasAttachment : 0) | (message.read ? kRead : 0) |
                        (message.directory == MessageDirectory::Cur   ? kInCur
                         : message.directory == MessageDirectory::New ? kInNew
                                                                      : 0));
        PutText(out, header.subject);
        PutText(out, header.senderName);
        PutText(out, header.senderAddress);
        if (out.size() >= kPiece) flush(true);
    }
    flush(true);
    PutU64(out, checksum.Value());
    flush(false);
    return written && file.Commit(Durability::Unsynced);
}

}  // namespace velora::platform
