// Reading files the one shared way: what each kind of file in a file's place gives.

#include "platform/base/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "harness/maildir_fixture.h"

namespace velora::platform {
namespace {

TEST(FileIo, ReadsOnlyRegularFilesWithinTheLimitAndNeverBlocks) {
    testing::MaildirFixture fixture;
    const auto path = [&](const char* name) { return fixture.Root() / name; };
    testing::MaildirFixture::WriteFile(path("regular"), "twelve bytes");
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(path("folder"));
    std::filesystem::create_symlink("/dev/zero", path("zero"));
    std::filesystem::create_symlink(path("regular"), path("link"));
    const Links follow = Links::Follow;
    const std::vector<std::tuple<const char*, FileReadOptions, FileError, std::string>> cases = {
        {"regular", {.limit = 12}, FileError::None, "twelve bytes"},
        {"regular", {.limit = 11}, FileError::TooLarge, ""},
        {"regular", {.limit = 6, .sizeLimit = SizeLimit::Prefix}, FileError::None, "twelve"},
        {"fifo", {.limit = 9}, FileError::NotRegular, ""},  // no writer: would block
        {"folder", {.limit = 9}, FileError::NotRegular, ""},
        {"zero", {.limit = 9}, FileError::Link, ""},
        {"zero", {.limit = 9, .links = follow}, FileError::NotRegular, ""},
        {"zero",
         {.limit = 9, .links = follow, .streams = Streams::Allowed},
         FileError::TooLarge,
         ""},
        {"link", {.limit = 99, .links = follow}, FileError::None, "twelve bytes"},
        {"missing", {.limit = 9}, FileError::NotFound, ""},
    };
    for (const auto& [name, options, expected, contents] : cases) {
        std::string bytes;
        const FileStatus status = ReadFile(path(name), options, bytes);
        EXPECT_EQ(status.Error(), expected) << name << ": " << status.Reason();
        EXPECT_EQ(status ? bytes : "", contents) << name;
    }
}

TEST(FileIo, ListsADirectoryButNoLinkInItsPlaceUnlessFollowed) {
    testing::MaildirFixture fixture;
    const auto folder = fixture.Root() / "folder";
    testing::MaildirFixture::WriteFile(folder / "one", "1");
    std::filesystem::create_directory_symlink(folder, fixture.Root() / "link");
    std::vector<std::string> names;
    EXPECT_TRUE(ListDirectoryNames(folder, Links::Refuse, names));
    EXPECT_EQ(names, std::vector<std::string>{"one"});
    EXPECT_FALSE(ListDirectoryNames(fixture.Root() / "link", Links::Refuse, names));
    EXPECT_TRUE(ListDirectoryNames(fixture.Root() / "link", Links::Follow, names));
    EXPECT_EQ(names.size(), 2u);
}

}  // namespace
}  // namespace velora::platform
