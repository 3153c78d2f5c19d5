#pragma once
// The device registry (HKEY_CURRENT_USER only), with the calls and status codes the program uses,
// as the device names them. The hive lives in one file, $VELORA_HOME/registry.ini (VELORA_HOME
// defaults to $XDG_CONFIG_HOME/velora, or ~/.config/velora); see registry_hive.h for how it is
// kept safe against crashes and shared with a second running copy.
//
// The hive file is located again on every call, so a test that points VELORA_HOME at a fresh
// folder gets a fresh hive. Key paths and value names compare without regard to case. Values
// written through a key handle are visible at once and committed to the file when the handle is
// closed.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/program_services.h"

namespace velora::platform {

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BYTE = std::uint8_t;
using REGSAM = DWORD;

struct RegistryKeyHandle;
using HKEY = RegistryKeyHandle*;

// The predefined root key; closing it does nothing.
extern const HKEY HKEY_CURRENT_USER;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_CANTWRITE = 1013;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Opens `subKey` below `key`, creating it (and its parents) when missing. An empty or null subKey
// opens `key` itself again. Class, options, access and security are accepted and ignored.
[[nodiscard]] LONG RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD reserved,
                                   char16_t* keyClass, DWORD options, REGSAM access,
                                   void* securityAttributes, HKEY* result, DWORD* disposition);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
[[nodiscard]] LONG RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD options, REGSAM access,
                                 HKEY* result);
// Reads a value. ERROR_FILE_NOT_FOUND when it is missing. With `data` null only the size is
// reported. When the data is longer than *dataSize: ERROR_MORE_DATA, *dataSize set to the size
// needed, nothing copied. `reserved` and `type` may be null.
[[nodiscard]] LONG RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved,
                                    DWORD* type, BYTE* data, DWORD* dataSize);
// Writes a value of any type (REG_DWORD is the one the program uses).
[[nodiscard]] LONG RegSetValueExW(HKEY key, const char16_t* valueName, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD dataSize);
// Releases the handle and commits the hive's pending writes. ERROR_CANTWRITE when they could not
// be committed (they stay in memory and are committed by a later close).
[[nodiscard]] LONG RegCloseKey(HKEY key);

// Where the hive is kept now: $VELORA_HOME/registry.ini.
std::filesystem::path RegistryHiveFile();

// Names of a key's values in the order they were first written; empty when the key is missing.
std::vector<std::u16string> RegistryValueNames(std::u16string_view keyPath);

// Called after each successful RegSetValueExW, with the key's path from HKEY_CURRENT_USER. Lets
// tests and diagnostics see exactly which values were written, in which order.
using RegistryWriteObserver =
    std::function<void(std::u16string_view keyPath, std::u16string_view valueName, DWORD type,
                       std::span<const BYTE> data)>;

// A part of the program's services; set by the thread that writes, before the writes it is to see.
struct RegistryServices {
    RegistryWriteObserver writeObserver;  // empty: nobody observes
};

}  // namespace velora::platform
