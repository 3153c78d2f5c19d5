// The demo store: what ships, how it is installed on first use, and that an existing copy is
// left alone.

#include "resources/demo_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "harness/temporary_home.h"

namespace velora::resources {
namespace {

namespace fs = std::filesystem;

class DemoStoreTest : public ::testing::Test {
  protected:
    testing::TemporaryHome home;
    const fs::path root = home.Root();
};

std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

int CountMessages(const fs::path& store) {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(store)) {
        const std::string folder = entry.path().parent_path().filename().string();
        if (entry.is_regular_file() && (folder == "cur" || folder == "new")) ++count;
    }
    return count;
}

TEST_F(DemoStoreTest, InstallsBothStoresWithEveryMaildirComplete) {
    std::string error;
    const auto stores = InstallDemoStore(root / "demo", error);
    ASSERT_EQ(stores.size(), 2u) << error;
    EXPECT_EQ(stores[0].maildir, root / "demo" / "store1");
    EXPECT_FALSE(stores[0].isDefault);
    EXPECT_TRUE(stores[1].isDefault);
    EXPECT_NE(stores[1].displayName.find(u".DEFAULT"), std::u16string::npos);
    EXPECT_EQ(stores[0].displayName.find(u".DEFAULT"), std::u16string::npos);
    EXPECT_FALSE(stores[0].ownAddress.empty());
    for (const fs::path& maildir : {stores[0].maildir, stores[0].maildir / ".Projects",
                                    stores[0].maildir / ".Projects.Velora",
                                    stores[0].maildir / ".Family", stores[1].maildir / "INBOX"}) {
        for (const char* sub : {"cur", "new", "tmp"}) {
            EXPECT_TRUE(fs::is_directory(maildir / sub)) << (maildir / sub);
        }
    }
    EXPECT_GE(CountMessages(stores[0].maildir) + CountMessages(stores[1].maildir), 20);
    // The partly downloaded message's status lives in the store's side file.
    EXPECT_NE(Read(stores[0].maildir / "velora-state").find("00010000"), std::string::npos);
    // Installed bytes are the embedded bytes.
    for (const DemoStoreFile& file : DemoStoreFiles()) {
        EXPECT_EQ(Read(root / "demo" / fs::path(file.path)), file.bytes) << file.path;
    }
    EXPECT_TRUE(error.empty());
    // Nothing is left of the staging folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root)) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(DemoStoreTest, AnExistingCopyKeepsTheUsersChanges) {
    std::string error;
    const auto stores = InstallDemoStore(root / "demo", error);
    ASSERT_EQ(stores.size(), 2u);
    const fs::path welcome = stores[0].maildir / "cur" / "1764570000.M1P100.demo:2,S";
    ASSERT_TRUE(fs::exists(welcome));
    fs::remove(welcome);  // the user deleted it
    const fs::path renamed = stores[0].maildir / "cur" / "1764600000.M2P100.demo:2,S";
    fs::rename(stores[0].maildir / "cur" / "1764600000.M2P100.demo:2,", renamed);  // read it

    const auto again = InstallDemoStore(root / "demo", error);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_FALSE(fs::exists(welcome));
    EXPECT_TRUE(fs::exists(renamed));
    EXPECT_FALSE(fs::exists(stores[0].maildir / "cur" / "1764600000.M2P100.demo:2,"));
}

TEST_F(DemoStoreTest, UnwritableFolderGivesAnErrorAndNoStores) {
    // A plain file where the data folder should be: nothing can be created below it.
    std::ofstream(root / "velora") << "not a folder";
    std::string error;
    const auto stores = InstallDemoStore(root / "velora" / "demo", error);
    EXPECT_TRUE(stores.empty());
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Read(root / "velora"), "not a folder");
}

TEST_F(DemoStoreTest, FolderFollowsXdgDataHome) {
    EXPECT_EQ(DemoStoreFolder(), root / "data" / "velora" / "demo");
}

}  // namespace
}  // namespace velora::resources
