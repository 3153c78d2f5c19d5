#include "resources/demo_store.h"

#include <cstdlib>
#include <random>
#include <set>
#include <system_error>

#include "platform/base/file_io.h"

namespace velora::resources {
namespace {

namespace fs = std::filesystem;

// The second store is the phone's default store: with the default store at a position other than
// the first, received messages are read from their MIME source.
std::vector<DemoStore> DescribeStores(const fs::path& folder) {
    return {
        {u"Velora Demo", folder / "store1", "you@velora-demo.example", false},
        {u"Phone.DEFAULT", folder / "store2", "you@phone-demo.example", true},
    };
}

// The staging folder is new and private, and the store is only used once it is renamed into
// place, so its files need no sync.
bool WriteFile(const fs::path& path, std::string_view bytes) {
    return static_cast<bool>(
        platform::WriteFileAtomically(path, bytes, platform::Durability::Unsynced));
}

std::string UniqueSuffix() {
    std::random_device device;
    return std::to_string(device()) + std::to_string(device());
}

}  // namespace

fs::path DemoStoreFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    fs::path base;
    if (dataHome != nullptr && *dataHome != '\0') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home != nullptr ? home : ".") / ".local" / "share";
    }
    return base / "velora" / "demo";
}

std::vector<DemoStore> InstallDemoStore(const fs::path& folder, std::string& error) {
    error.clear();
    std::error_code code;
    if (fs::exists(folder, code)) return DescribeStores(folder);

    const fs::path staging = folder.parent_path() / (".demo-install-" + UniqueSuffix());
    auto fail = [&](const std::string& reason) {
        error = reason;
        fs::remove_all(staging, code);
        return std::vector<DemoStore>();
    };
    fs::create_directories(staging, code);
    if (code) return fail("cannot create " + staging.string() + ": " + code.message());

    std::set<fs::path> maildirs;
    for (const DemoStoreFile& file : DemoStoreFiles()) {
        const fs::path target = staging / fs::path(file.path);
        fs::create_directories(target.parent_path(), code);
        if (code || !WriteFile(target, file.bytes)) return fail("cannot write " + target.string());
        const fs::path parent = fs::path(file.path).parent_path();
        if (parent.filename() == "cur" || parent.filename() == "new") {
            maildirs.insert(staging / parent.parent_path());
        }
    }
    // Git keeps no empty folders: every Maildir gets its cur, new and tmp here.
    for (const fs::path& maildir : maildirs) {
        for (const char* sub : {"cur", "new", "tmp"}) {
            fs::create_directories(maildir / sub, code);
            if (code) return fail("cannot create " + (maildir / sub).string());
        }
    }
    // Never onto anything there, not even an empty folder another instance has just made.
    const platform::FileStatus installed = platform::RenameWithoutReplacing(staging, folder);
    if (!installed) {
        // Another instance may have installed it meanwhile; its copy wins.
        if (fs::exists(folder, code)) {
            fs::remove_all(staging, code);
            return DescribeStores(folder);
        }
        return fail("cannot install the demo store in " + folder.string() + ": " +
                    installed.Reason());
    }
    return DescribeStores(folder);
}

std::vector<DemoStore> InstallDemoStore(std::string& error) {
    return InstallDemoStore(DemoStoreFolder(), error);
}

}  // namespace velora::resources
