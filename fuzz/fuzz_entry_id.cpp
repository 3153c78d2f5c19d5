// Entry-ID parsing: never crashes, never accepts a folder path that could leave its store, and
// every accepted ID encodes back to the same bytes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/maildir/path_safety.h"
#include "platform/mapi/entry_id.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velora::platform;
    const std::span<const std::uint8_t> bytes(data, size);
    const auto parts = ParseEntryId(bytes);
    if (!parts) return 0;
    if (!IsSafeFolderPath(parts->folder)) std::abort();
    if (parts->kind == EntryKind::Message && !IsSafeUniqueName(parts->unique)) std::abort();
    const std::string_view folder = parts->folder;
    if (folder.starts_with('/') || folder == ".." || folder.starts_with("../") ||
        folder.ends_with("/..") || folder.find("/../") != std::string_view::npos) {
        std::abort();
    }
    const auto encoded = EncodeEntryId(*parts);
    if (encoded.size() != size || !std::equal(encoded.begin(), encoded.end(), data)) std::abort();
    return 0;
}
