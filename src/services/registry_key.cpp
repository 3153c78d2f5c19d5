#include "services/registry_key.h"

#include <cstring>

namespace velora::services {

RegistryKey::RegistryKey(const char16_t* path, Create create) {
    platform::DWORD disposition = 0;
    status_ = create == Create::IfMissing
                  ? platform::RegCreateKeyExW(platform::HKEY_CURRENT_USER, path, 0, nullptr, 0, 0,
                                              nullptr, &key_, &disposition)
                  : platform::RegOpenKeyExW(platform::HKEY_CURRENT_USER, path, 0, 0, &key_);
}

bool RegistryKey::Read(const char16_t* name, std::int32_t& field) {
    platform::BYTE data[4];
    std::memcpy(data, &field, sizeof data);
    platform::DWORD size = sizeof data;
    if (platform::RegQueryValueExW(key_, name, nullptr, nullptr, data, &size) !=
        platform::ERROR_SUCCESS) {
        return false;
    }
    std::memcpy(&field, data, sizeof data);
    return true;
}

std::int32_t RegistryKey::Write(const char16_t* name, std::int32_t value) {
    platform::BYTE data[4];
    std::memcpy(data, &value, sizeof data);
    return platform::RegSetValueExW(key_, name, 0, platform::REG_DWORD, data, sizeof data);
}

std::int32_t RegistryKey::Close() {
    if (!IsOpen()) return status_;
    status_ = platform::ERROR_INVALID_HANDLE;
    return platform::RegCloseKey(key_);
}

}  // namespace velora::services
