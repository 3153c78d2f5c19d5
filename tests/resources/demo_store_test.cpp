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

TEST_F(DemoStoreTest, InstallsBothStoresCompleteOnceAndKeepsTheUsersChanges) {
    std::string error;
    const auto stores = InstallDemoStore(root / "demo", error);
    ASSERT_EQ(stores.size(), 2u) << error;
    EXPECT_TRUE(stores[1].isDefault);
    EXPECT_NE(stores[1].displayName.find(u".DEFAULT"), std::u16string::npos);
    // Every Maildir is complete, with the tmp folder no message fills.
    for (const char* sub : {"cur", "new", "tmp"}) {
        EXPECT_TRUE(fs::is_directory(stores[0].maildir / ".Projects.Velora" / sub)) << sub;
    }
    // Installed bytes are the embedded bytes.
    for (const DemoStoreFile& file : DemoStoreFiles()) {
        EXPECT_EQ(Read(root / "demo" / fs::path(file.path)), file.bytes) << file.path;
    }
    // Nothing is left of the staging folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root)) ++entries;
    EXPECT_EQ(entries, 1);

    // Installing again over an existing copy keeps the user's changes.
    const fs::path welcome = stores[0].maildir / "cur" / "1764570000.M1P100.demo:2,S";
    ASSERT_TRUE(fs::remove(welcome));  // the user deleted it

    EXPECT_EQ(InstallDemoStore(root / "demo", error).size(), 2u);
    EXPECT_FALSE(fs::exists(welcome));
}

TEST_F(DemoStoreTest, UnwritableFolderGivesAnErrorAndNoStores) {
    // A plain file where the data folder should be: nothing can be created below it.
    std::ofstream(root / "velora") << "not a folder";
    std::string error;
    const auto stores = InstallDemoStore(root / "velora" / "demo", error);
    EXPECT_TRUE(stores.empty());
    EXPECT_FALSE(error.empty());
}

TEST_F(DemoStoreTest, FolderFollowsXdgDataHome) {
    EXPECT_EQ(DemoStoreFolder(), root / "data" / "velora" / "demo");
}

}  // namespace
}  // namespace velora::resources
