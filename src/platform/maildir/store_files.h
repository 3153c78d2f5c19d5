#pragma once
// What the parts of MaildirStore (folder tree, listing, message look-up and changes) share about
// the files on disk: directory checks, file times, how a message file is read for its headers,
// and the "cur/NAME" or "new/NAME" place of a message in the folder index.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/base/file_io.h"
#include "platform/base/file_time.h"
#include "platform/maildir/header_cache.h"

namespace velora::platform::maildir_files {

// Bytes read from one message file for the list: far more than any header.
inline constexpr std::size_t kMaxHeaderRead = 4 * 1024 * 1024;

// How a message file is read for its headers: never through a link, never blocking (a FIFO
// in cur/ must not hang the listing), only the first kMaxHeaderRead bytes.
inline constexpr FileReadOptions kHeaderReadOptions{
    .limit = kMaxHeaderRead, .links = Links::Refuse, .sizeLimit = SizeLimit::Prefix};

// A directory, or a link to one.
bool IsDirectory(const std::filesystem::path& path);
// A directory that is no link.
bool IsPlainDirectory(const std::filesystem::path& path);
// A folder holding cur/ and new/ (either may be a link).
bool IsMaildir(const std::filesystem::path& path);

inline std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

// FILETIME ticks; 0 for a time before 1601.
inline std::uint64_t FileTimeFromTimespec(const timespec& time) {
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + kFileTimeUnixEpochSeconds;
    if (seconds < 0) return 0;
    return static_cast<std::uint64_t>(seconds) * kFileTimeTicksPerSecond +
           static_cast<std::uint64_t>(time.tv_nsec / 100);
}

// "cur/NAME" or "new/NAME" of a cached message; empty when its place is unknown.
std::string CachedFileName(std::string_view unique, const CachedMessage& cached);

// Remembers "cur/NAME" or "new/NAME" as the message's place; forgets it for anything else.
void RememberFileName(CachedMessage& cached, std::string_view unique, std::string_view fileName);

}  // namespace velora::platform::maildir_files
