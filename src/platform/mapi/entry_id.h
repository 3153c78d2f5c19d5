#pragma once
// Entry IDs of the Maildir stores. An entry ID names a store (by its position in the session), a
// folder (its path below the store root, '/'-separated, "" for the root) and, for a message, the
// message's Maildir unique name. Layout: "VLR1", one kind byte ('S', 'F' or 'M'), the store index
// in decimal, then for folders and messages a NUL and the folder path, and for messages a NUL and
// the unique name. Parsing is strict: anything else is refused, and no accepted folder path can
// leave its store root ("..", ".", empty parts, absolute paths and NULs are refused).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velora::platform {

enum class EntryKind { Store, Folder, Message };

struct EntryIdParts {
    EntryKind kind = EntryKind::Store;
    std::uint32_t storeIndex = 0;
    std::string folder;  // folders and messages
    std::string unique;  // messages

    bool operator==(const EntryIdParts&) const = default;
};

inline constexpr std::size_t kMaxEntryIdSize = 4096;

[[nodiscard]] std::optional<EntryIdParts> ParseEntryId(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> EncodeEntryId(const EntryIdParts& parts);
// The same bytes written into a buffer of EncodedEntryIdSize bytes, without building the parts
// (a listing writes one per row straight into its MAPI buffer). `folder` is ignored for stores,
// `unique` for stores and folders.
std::size_t EncodedEntryIdSize(EntryKind kind, std::uint32_t storeIndex, std::string_view folder,
                               std::string_view unique);
void WriteEntryId(EntryKind kind, std::uint32_t storeIndex, std::string_view folder,
                  std::string_view unique, std::uint8_t* out);

}  // namespace velora::platform
