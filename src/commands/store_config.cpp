#include "commands/store_config.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/base/ascii_case.h"
#include "platform/base/file_io.h"
#include "platform/base/text_codec.h"
#include "resources/demo_store.h"

namespace velora::commands {
namespace {

namespace fs = std::filesystem;
using platform::MessageStoreDefinition;

constexpr std::u16string_view kDefaultMark = u".DEFAULT";
constexpr std::size_t kMaxStoresIniSize = 1u << 20;

// Whether anything is at the path, a dangling link included (which then fails to read, with a
// reason, rather than being taken for a missing file).
bool IsPresent(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

fs::path ExpandPath(std::string_view value, const fs::path& baseFolder) {
    const char* home = std::getenv("HOME");
    if ((value == "~" || value.starts_with("~/")) && home != nullptr) {
        return fs::path(home) / std::string(value.substr(value.size() > 1 ? 2 : 1));
    }
    const fs::path path{std::string(value)};
    return path.is_absolute() ? path : baseFolder / path;
}

std::u16string NameOfFolder(const fs::path& path) {
    fs::path name = path.filename();
    if (name.empty()) name = path.parent_path().filename();
    return platform::DecodeUtf8OrWindows1252(name.empty() ? path.string() : name.string());
}

// A clear one-line reason when the path cannot be a store.
bool CheckStorePath(const fs::path& path, std::string& error) {
    std::error_code code;
    if (!fs::exists(path, code)) {
        error = path.string() + ": no such folder";
        return false;
    }
    if (!platform::IsMaildirStoreRoot(path)) {
        error = path.string() + ": not a Maildir (no cur/ and new/ folders, and no INBOX folder)";
        return false;
    }
    return true;
}

// A [store NAME] section as it is read: the store, and what its lines said.
struct StoreSection {
    MessageStoreDefinition store;
    bool isDefault = false;
    bool hasMaildir = false;
};

// A "[store NAME]" line (trimmed, starting with '['): a new section; or why it is wrong.
std::optional<std::string> StartSection(std::vector<StoreSection>& sections,
                                        std::string_view line) {
    if (line.back() != ']') return "a section line must end with ']'";
    const std::string_view section = Trim(line.substr(1, line.size() - 2));
    if (!section.starts_with("store ") || Trim(section.substr(6)).empty()) {
        return "expected [store NAME]";
    }
    sections.emplace_back().store.displayName =
        platform::DecodeUtf8OrWindows1252(Trim(section.substr(6)));
    return std::nullopt;
}

// A "KEY = VALUE" line (trimmed) of the last section; or why it is wrong.
std::optional<std::string> ApplySetting(std::vector<StoreSection>& sections, std::string_view line,
                                        const fs::path& baseFolder) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return "expected KEY = VALUE";
    if (sections.empty()) return "a setting before the first [store NAME] section";
    StoreSection& section = sections.back();
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == "maildir") {
        if (value.empty()) return "maildir is empty";
        section.store.maildir = ExpandPath(value, baseFolder);
        section.hasMaildir = true;
    } else if (key == "address") {
        section.store.ownAddress = std::string(value);
    } else if (key == "default") {
        if (value != "true" && value != "false") return "default must be true or false";
        section.isDefault = value == "true";
    } else {
        return "unknown setting '" + std::string(key) + "'";
    }
    return std::nullopt;
}

}  // namespace

fs::path VeloraHome() {
    if (const char* home = std::getenv("VELORA_HOME"); home != nullptr && *home != '\0')
        return home;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        return fs::path(config) / "velora";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : ".") / ".config" / "velora";
}

std::optional<std::vector<MessageStoreDefinition>> ParseStoresIni(std::string_view text,
                                                                  const fs::path& baseFolder,
                                                                  std::string& error) {
    std::vector<StoreSection> sections;
    std::size_t lineNumber = 0;
    for (std::size_t position = 0; position < text.size();) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(position, end - position));
        position = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        const std::optional<std::string> wrong = line.front() == '['
                                                     ? StartSection(sections, line)
                                                     : ApplySetting(sections, line, baseFolder);
        if (wrong) {
            error = "stores.ini line " + std::to_string(lineNumber) + ": " + *wrong;
            return std::nullopt;
        }
    }
    std::vector<MessageStoreDefinition> stores;
    for (StoreSection& section : sections) {
        if (!section.hasMaildir) {
            error = "stores.ini: store '" + platform::EncodeUtf8(section.store.displayName) +
                    "' has no maildir";
            return std::nullopt;
        }
        // The session looks for the mark in any case; a name that has it is not marked twice.
        const bool marked =
            platform::AsciiLowercase(platform::EncodeUtf8(section.store.displayName))
                .find(".default") != std::string::npos;
        if (section.isDefault && !marked) section.store.displayName += kDefaultMark;
        stores.push_back(std::move(section.store));
    }
    return stores;
}

std::optional<std::vector<MessageStoreDefinition>> ResolveMessageStores(
    const std::vector<std::string>& maildirs, std::string& error) {
    std::vector<MessageStoreDefinition> stores;
    if (!maildirs.empty()) {
        for (const std::string& maildir : maildirs)
            stores.push_back({NameOfFolder(maildir), maildir, ""});
    } else if (const fs::path ini = VeloraHome() / "stores.ini"; IsPresent(ini)) {
        // A settings file the user may keep elsewhere: a link to it is followed.
        std::string text;
        const platform::FileStatus read = platform::ReadFile(
            ini, {.limit = kMaxStoresIniSize, .links = platform::Links::Follow}, text);
        if (!read) {
            error = ini.string() + ": cannot be read (" + read.Reason() + ")";
            return std::nullopt;
        }
        auto parsed = ParseStoresIni(text, ini.parent_path(), error);
        if (!parsed) {
            error = ini.parent_path().string() + "/" + error;
            return std::nullopt;
        }
        stores = std::move(*parsed);
    } else if (const char* maildir = std::getenv("MAILDIR");
               maildir != nullptr && *maildir != '\0') {
        stores.push_back({NameOfFolder(maildir), maildir, ""});
    } else {
        for (const resources::DemoStore& demo : resources::InstallDemoStore(error)) {
            stores.push_back({demo.displayName, demo.maildir, demo.ownAddress});
        }
        if (stores.empty()) {
            if (error.empty()) error = "the demo store could not be installed";
            return std::nullopt;
        }
    }
    for (const MessageStoreDefinition& store : stores) {
        if (!CheckStorePath(store.maildir, error)) return std::nullopt;
    }
    return stores;
}

}  // namespace velora::commands
