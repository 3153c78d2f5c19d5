// Reading files the one shared way: what each kind of file in a file's place gives.

#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "maildir_fixture.h"

namespace velora::platform {
namespace {

using testing::MaildirFixture;

TEST(FileIo, ReadsOnlyRegularFilesWithinTheLimitAndNeverBlocks) {
    MaildirFixture fixture;
    const auto path = [&](const char* name) { return fixture.Root() / name; };
    MaildirFixture::WriteFile(path("regular"), "twelve bytes");
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(path("folder"));
    std::filesystem::create_symlink("/dev/zero", path("zero"));
    std::filesystem::create_symlink(path("regular"), path("link"));
    struct Case {
        const char* name;
        FileReadOptions options;
        FileError expected;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"regular", {.limit = 12}, FileError::None, "twelve bytes"},
        {"regular", {.limit = 11}, FileError::TooLarge, ""},
        {"regular", {.limit = 6, .sizeLimit = SizeLimit::Prefix}, FileError::None, "twelve"},
        {"fifo", {.limit = 100}, FileError::NotRegular, ""},  // no writer: would block
        {"folder", {.limit = 100}, FileError::NotRegular, ""},
        {"zero", {.limit = 100}, FileError::Link, ""},
        {"zero", {.limit = 100, .links = Links::Follow}, FileError::NotRegular, ""},
        {"zero",
         {.limit = 100, .links = Links::Follow, .streams = Streams::Allowed},
         FileError::TooLarge,
         ""},
        {"link", {.limit = 100, .links = Links::Follow}, FileError::None, "twelve bytes"},
        {"missing", {.limit = 100}, FileError::NotFound, ""},
    };
    for (const Case& test : cases) {
        std::string bytes;
        const FileStatus status = ReadFile(path(test.name), test.options, bytes);
        EXPECT_EQ(status.Error(), test.expected) << test.name << ": " << status.Reason();
        if (status) {
            EXPECT_EQ(bytes, test.bytes) << test.name;
        }
    }
}

}  // namespace
}  // namespace velora::platform
