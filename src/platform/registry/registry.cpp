#include "platform/registry/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/base/program_services.h"
#include "platform/registry/registry_hive.h"

namespace velora::platform {

struct RegistryKeyHandle {
    std::shared_ptr<RegistryHive> hive;  // null for the predefined root: the current hive
    std::u16string path;                 // from HKEY_CURRENT_USER; empty for the root
};

namespace {

RegistryKeyHandle currentUserRoot;

// The hive of the file located last, kept between calls. Key handles share it, so the mutex
// guards only the choice of the current one.
struct CurrentHiveState {
    std::mutex mutex;
    std::shared_ptr<RegistryHive> hive;
};

const char* NonEmptyEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

std::filesystem::path VeloraHome() {
    if (const char* home = NonEmptyEnvironment("VELORA_HOME")) return home;
    if (const char* config = NonEmptyEnvironment("XDG_CONFIG_HOME")) {
        return std::filesystem::path(config) / "velora";
    }
    if (const char* home = NonEmptyEnvironment("HOME")) {
        return std::filesystem::path(home) / ".config" / "velora";
    }
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
        return std::filesystem::path(user->pw_dir) / ".config" / "velora";
    }
    return std::filesystem::path(".velora");
}

std::shared_ptr<RegistryHive> CurrentHive() {
    const std::filesystem::path file = RegistryHiveFile();
    CurrentHiveState& state = CurrentProgramServices().Get<CurrentHiveState>();
    std::lock_guard guard(state.mutex);
    std::shared_ptr<RegistryHive>& hive = state.hive;
    if (!hive || hive->File() != file) hive = std::make_shared<RegistryHive>(file);
    return hive;
}

std::shared_ptr<RegistryHive> HiveOf(HKEY key) {
    return key->hive ? key->hive : CurrentHive();
}

std::u16string_view NameOrEmpty(const char16_t* name) {
    return name != nullptr ? std::u16string_view(name) : std::u16string_view();
}

// The path of `subKey` below `key`, or nothing when the result is not a valid key path.
bool JoinPath(HKEY key, const char16_t* subKey, std::u16string& path) {
    const std::u16string_view sub = NameOrEmpty(subKey);
    path = key->path;
    if (sub.empty()) return true;
    if (!path.empty()) path += u'\\';
    path += sub;
    return IsValidKeyPath(path);
}

LONG OpenOrCreate(HKEY key, const char16_t* subKey, RegistryHive::Create create, HKEY* result,
                  DWORD* disposition) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::u16string path;
    if (!JoinPath(key, subKey, path)) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<RegistryHive> hive = HiveOf(key);
    bool created = false;
    if (!path.empty() && !hive->OpenKey(path, create, &created)) return ERROR_FILE_NOT_FOUND;
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = new RegistryKeyHandle{std::move(hive), std::move(path)};
    return ERROR_SUCCESS;
}

}  // namespace

const HKEY HKEY_CURRENT_USER = &currentUserRoot;

std::filesystem::path RegistryHiveFile() {
    return VeloraHome() / "registry.ini";
}

LONG RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD /*reserved*/, char16_t* /*keyClass*/,
                     DWORD /*options*/, REGSAM /*access*/, void* /*securityAttributes*/,
                     HKEY* result, DWORD* disposition) {
    return OpenOrCreate(key, subKey, RegistryHive::Create::IfMissing, result, disposition);
}

LONG RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD /*options*/, REGSAM /*access*/,
                   HKEY* result) {
    return OpenOrCreate(key, subKey, RegistryHive::Create::Never, result, nullptr);
}

LONG RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* /*reserved*/, DWORD* type,
                      BYTE* data, DWORD* dataSize) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    if (key->path.empty()) return ERROR_FILE_NOT_FOUND;  // the root holds no values
    std::uint32_t storedType = 0;
    std::vector<std::uint8_t> stored;
    if (!HiveOf(key)->QueryValue(key->path, NameOrEmpty(valueName), storedType, stored)) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (type != nullptr) *type = storedType;
    const auto size = static_cast<DWORD>(stored.size());
    if (data != nullptr && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr && size > 0) std::memcpy(data, stored.data(), size);
    if (dataSize != nullptr) *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, const char16_t* valueName, DWORD /*reserved*/, DWORD type,
                    const BYTE* data, DWORD dataSize) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (key->path.empty()) return ERROR_ACCESS_DENIED;  // the root holds no values
    const std::u16string_view name = NameOrEmpty(valueName);
    if (!IsValidValueName(name) || (data == nullptr && dataSize > 0) ||
        dataSize > kMaxValueDataSize) {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<std::uint8_t> bytes(data, data + dataSize);
    HiveOf(key)->SetValue(key->path, name, type, bytes);

    const RegistryWriteObserver observer =
        CurrentProgramServices().Get<RegistryServices>().writeObserver;
    if (observer) observer(key->path, name, type, std::span<const BYTE>(bytes));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    const std::unique_ptr<RegistryKeyHandle> handle(key);
    return handle->hive->Flush() ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

std::vector<std::u16string> RegistryValueNames(std::u16string_view keyPath) {
    return CurrentHive()->ValueNames(keyPath);
}

}  // namespace velora::platform
