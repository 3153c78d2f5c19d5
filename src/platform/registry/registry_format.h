#pragma once
// The registry hive in memory and its text form.
//
// The hive file is UTF-8 text, one item a line:
//
//   Velora registry 1
//   ; comment lines start with a semicolon
//   [ControlPanel\Backlight]
//   "BatteryTimeout"=dword:0000001e
//   "Other"=hex(3):01,02,ff
//
// The first line is the format line. Then sections name a key by its backslash path from
// HKEY_CURRENT_USER; each value line belongs to the section above it. REG_DWORD values of 4 bytes
// are written as dword:<8 hex digits> (the number, not its bytes); every other value as
// hex(<type in hex>):<bytes in hex, comma separated>. In value names a backslash and a double quote
// are escaped with a backslash. Blank lines and comment lines are ignored. A line that does not
// match these forms (or names a key or value a second time, names compare without regard to case,
// or is not UTF-8) is skipped and reported; the rest of the file is still read. A value line
// whose key line was skipped is skipped too.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velora::platform {

inline constexpr std::uint32_t kRegistryTypeDword = 4;

// Longest key name component and value name, in UTF-16 units.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
// Longest value data, in bytes.
inline constexpr std::size_t kMaxValueDataSize = 1u << 20;

struct RegistryValue {
    std::u16string name;  // as first written; compared without regard to case
    std::uint32_t type = kRegistryTypeDword;
    std::vector<std::uint8_t> data;

    bool operator==(const RegistryValue&) const = default;
};

struct RegistryKeyData {
    std::u16string path;                // backslash path, as first created
    std::vector<RegistryValue> values;  // in the order they were first written

    bool operator==(const RegistryKeyData&) const = default;
};

// Upper-cases each UTF-16 unit (simple mapping), the way the device compares key and value names.
std::u16string FoldRegistryName(std::u16string_view name);

// True for a non-empty backslash path whose components are non-empty, at most kMaxKeyNameLength
// units, and free of control characters and unpaired surrogates.
bool IsValidKeyPath(std::u16string_view path);
// True for a value name (may be empty: the key's default value) of at most kMaxValueNameLength
// units, free of control characters and unpaired surrogates.
bool IsValidValueName(std::u16string_view name);

// The keys of one hive, in the order they were created. A key's parents exist whenever it does.
class HiveData {
  public:
    const RegistryKeyData* FindKey(std::u16string_view path) const;
    RegistryKeyData* FindKey(std::u16string_view path);
    // Returns the key (the reference stays valid while the hive lives), creating it and any missing
    // parent first. `created` tells whether the key itself was new. The path must satisfy
    // IsValidKeyPath.
    RegistryKeyData& CreateKey(std::u16string_view path, bool* created = nullptr);

    static const RegistryValue* FindValue(const RegistryKeyData& key, std::u16string_view name);
    // Replaces the value's type and data, or appends a new value.
    static void SetValue(RegistryKeyData& key, std::u16string_view name, std::uint32_t type,
                         std::vector<std::uint8_t> data);

    const std::deque<RegistryKeyData>& Keys() const { return keys_; }

    bool operator==(const HiveData& other) const { return keys_ == other.keys_; }

  private:
    std::deque<RegistryKeyData> keys_;  // a deque keeps references valid as keys are added
    std::unordered_map<std::u16string, std::size_t> index_;  // folded path -> position in keys_
};

// Parses the text form, keeping every line that parses; `problems` (when given) gets a one-line
// reason for each line skipped ("line 7: unknown value form"). Returns nothing when nothing in
// the file can be used: an empty file, a wrong format line, or no key or value line that parses
// among lines that do not; `problems` then says why.
[[nodiscard]] std::optional<HiveData> ParseHive(std::string_view bytes,
                                                std::vector<std::string>* problems = nullptr);

// The text form of a hive; ParseHive(SerializeHive(h)) reproduces h.
std::string SerializeHive(const HiveData& hive);

// The hive a new device starts with: the phone's own settings that the program reads.
// HKCU\ControlPanel\Backlight "BatteryTimeout" 30 and "ACTimeout" 60 (seconds, the unit the device
// stores), HKCU\ControlPanel\Home "Timeout" 0xFFFFFFFF (-1: the home screen never takes over).
HiveData DefaultHive();

}  // namespace velora::platform
