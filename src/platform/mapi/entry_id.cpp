#include "platform/mapi/entry_id.h"

#include "platform/maildir/path_safety.h"

namespace velora::platform {
namespace {

constexpr std::string_view kMagic = "VLR1";
constexpr std::size_t kMaxStoreDigits = 6;

}  // namespace

std::optional<EntryIdParts> ParseEntryId(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kMagic.size() + 2 || bytes.size() > kMaxEntryIdSize) return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!text.starts_with(kMagic)) return std::nullopt;
    EntryIdParts parts;
    switch (text[kMagic.size()]) {
        case 'S':
            parts.kind = EntryKind::Store;
            break;
        case 'F':
            parts.kind = EntryKind::Folder;
            break;
        case 'M':
            parts.kind = EntryKind::Message;
            break;
        default:
            return std::nullopt;
    }
    std::string_view rest = text.substr(kMagic.size() + 1);
    const std::size_t indexEnd = rest.find('\0');
    const std::string_view digits = rest.substr(0, indexEnd);
    if (digits.empty() || digits.size() > kMaxStoreDigits) return std::nullopt;
    if (digits.size() > 1 && digits.front() == '0') return std::nullopt;
    std::uint32_t index = 0;
    for (char digit : digits) {
        if (digit < '0' || digit > '9') return std::nullopt;
        index = index * 10 + static_cast<std::uint32_t>(digit - '0');
    }
    parts.storeIndex = index;
    if (parts.kind == EntryKind::Store) {
        return indexEnd == std::string_view::npos ? std::optional(parts) : std::nullopt;
    }
    if (indexEnd == std::string_view::npos) return std::nullopt;
    rest = rest.substr(indexEnd + 1);
    const std::size_t folderEnd = rest.find('\0');
    const std::string_view folder = rest.substr(0, folderEnd);
    if (!IsSafeFolderPath(folder)) return std::nullopt;
    parts.folder = std::string(folder);
    if (parts.kind == EntryKind::Folder) {
        return folderEnd == std::string_view::npos ? std::optional(parts) : std::nullopt;
    }
    if (folderEnd == std::string_view::npos) return std::nullopt;
    const std::string_view unique = rest.substr(folderEnd + 1);
    if (!IsSafeUniqueName(unique)) return std::nullopt;
    parts.unique = std::string(unique);
    return parts;
}

std::size_t EncodedEntryIdSize(EntryKind kind, std::uint32_t storeIndex, std::string_view folder,
                               std::string_view unique) {
    std::size_t digits = 1;
    for (std::uint32_t rest = storeIndex; rest >= 10; rest /= 10) ++digits;
    std::size_t size = kMagic.size() + 1 + digits;
    if (kind != EntryKind::Store) size += 1 + folder.size();
    if (kind == EntryKind::Message) size += 1 + unique.size();
    return size;
}

void WriteEntryId(EntryKind kind, std::uint32_t storeIndex, std::string_view folder,
                  std::string_view unique, std::uint8_t* out) {
    auto put = [&out](std::string_view text) {
        for (char c : text) *out++ = static_cast<std::uint8_t>(c);
    };
    put(kMagic);
    *out++ = static_cast<std::uint8_t>(
        kind == EntryKind::Store ? 'S' : (kind == EntryKind::Folder ? 'F' : 'M'));
    char digits[10];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + storeIndex % 10);
        storeIndex /= 10;
    } while (storeIndex != 0);
    while (count > 0) *out++ = static_cast<std::uint8_t>(digits[--count]);
    if (kind != EntryKind::Store) {
        *out++ = 0;
        put(folder);
    }
    if (kind == EntryKind::Message) {
        *out++ = 0;
        put(unique);
    }
}

std::vector<std::uint8_t> EncodeEntryId(const EntryIdParts& parts) {
    std::vector<std::uint8_t> bytes(
        EncodedEntryIdSize(parts.kind, parts.storeIndex, parts.folder, parts.unique));
    WriteEntryId(parts.kind, parts.storeIndex, parts.folder, parts.unique, bytes.data());
    return bytes;
}

}  // namespace velora::platform
