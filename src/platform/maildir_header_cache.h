#pragma once
// The header cache of one Maildir folder: what ReadMessageHeaderInfo found in each message file,
// so that listing the folder again reads only the files that changed. Kept in
// $XDG_CACHE_HOME/velora (default ~/.cache/velora), one file per folder, named after a hash of
// the folder's path. An entry is keyed by the message's unique name and trusted only while the
// file's size and modification time are unchanged (a flag change renames the file but keeps both,
// so it costs no reading). A cache file that is damaged in any way (bad magic, wrong folder,
// truncated, bad checksum) is ignored as a whole and rewritten.

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>

#include "platform/maildir_headers.h"

namespace velora::platform {

struct CachedMessage {
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    MessageHeaderInfo header;
};

using HeaderCacheEntries = std::unordered_map<std::string, CachedMessage>;  // by unique name

// $XDG_CACHE_HOME/velora, else $HOME/.cache/velora.
std::filesystem::path HeaderCacheDirectory();
std::filesystem::path HeaderCacheFile(const std::filesystem::path& folder);

// The entries of the folder's cache file; empty when there is none or it is damaged.
HeaderCacheEntries LoadHeaderCache(const std::filesystem::path& cacheFile,
                                   const std::filesystem::path& folder);
// Writes the cache file atomically (a temporary file renamed over it); false when it could not
// be written (the listing works on, only slower next time).
bool SaveHeaderCache(const std::filesystem::path& cacheFile, const std::filesystem::path& folder,
                     const HeaderCacheEntries& entries);

// Atomic replacement of a small file: write a temporary beside it, flush, rename.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view contents);

}  // namespace velora::platform
