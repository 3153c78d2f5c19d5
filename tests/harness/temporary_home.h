#pragma once
// A fresh temporary folder that stands in for the user's: VELORA_HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME and XDG_CACHE_HOME point into it (as home/, config/, data/ and cache/) and MAILDIR
// is unset while it lives; the old values come back and the folder is removed at the end. So no
// test reads or writes the user's settings, stores or caches.

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velora::testing {

class TemporaryHome {
  public:
    TemporaryHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velora-test-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        for (const auto& [name, folder] : kFolders) Set(name, root_ / folder);
        Set("MAILDIR", std::nullopt);
    }
    ~TemporaryHome() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first.c_str());
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    // The folder VELORA_HOME points at (not made until something is saved there).
    std::filesystem::path SettingsFolder() const { return root_ / "home"; }

    // Points an environment variable elsewhere (nullopt unsets it) until the home ends.
    void Set(const std::string& name, const std::optional<std::filesystem::path>& value) {
        const char* old = ::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }

  private:
    static constexpr std::pair<const char*, const char*> kFolders[] = {
        {"VELORA_HOME", "home"},
        {"XDG_CONFIG_HOME", "config"},
        {"XDG_DATA_HOME", "data"},
        {"XDG_CACHE_HOME", "cache"},
    };
    std::filesystem::path root_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace velora::testing
