// A key below HKEY_CURRENT_USER held open for a few REG_DWORD reads and writes, closed (and so
// committed) when it goes: the one way the settings and the backlight code reach the registry.
#pragma once

#include <cstdint>

#include "platform/registry/registry.h"

namespace velora::services {

enum class Create { IfMissing, Never };

class RegistryKey {
  public:
    explicit RegistryKey(const char16_t* path, Create create = Create::IfMissing);
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool IsOpen() const { return status_ == platform::ERROR_SUCCESS; }
    // The open status while open or when the open failed.
    std::int32_t Status() const { return status_; }

    // Reads through a 4-byte buffer that holds the field's current bytes: a shorter value
    // overwrites only its own bytes; a missing or longer one fails and leaves the field as it
    // was. The stored type is not checked.
    [[nodiscard]] bool Read(const char16_t* name, std::int32_t& field);
    // Reads `name`, or sets `fallback` when it cannot be read.
    void ReadOr(const char16_t* name, std::int32_t& field, std::int32_t fallback) {
        if (!Read(name, field)) field = fallback;
    }
    std::int32_t Write(const char16_t* name, std::int32_t value);
    // Commits; returns the close status (the open status when it never opened).
    std::int32_t Close();

  private:
    platform::HKEY key_ = nullptr;
    std::int32_t status_ = platform::ERROR_INVALID_HANDLE;
};

}  // namespace velora::services
