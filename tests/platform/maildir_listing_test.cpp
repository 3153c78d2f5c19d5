// Listing a Maildir folder through the header cache: what a listing may take from the cache alone
// and what sends it back to the directories and files; and what the store does with a folder
// that other programs change meanwhile or that holds what no Maildir should.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "harness/maildir_fixture.h"
#include "platform/base/file_io.h"
#include "platform/maildir/side_file.h"
#include "platform/maildir/store.h"
#include "platform/mapi/types.h"

namespace velora::platform {
namespace {

using testing::MaildirFixture;

// 2020-01-02 03:04:05 UTC and a second later: times far enough back to be trusted.
constexpr time_t kOldTime = 1577934245;

void SetTime(const std::filesystem::path& path, time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

std::uint64_t FileTimeOf(time_t seconds) {
    return static_cast<std::uint64_t>(seconds + kFileTimeUnixEpochSeconds) *
           kFileTimeTicksPerSecond;
}

struct Row {
    std::string unique;
    std::string subject;
    bool read = false;
    std::uint64_t deliveryTime = 0;
    std::uint64_t size = 0;
    bool operator==(const Row&) const = default;
};

std::vector<Row> List(MaildirStore& store) {
    std::vector<Row> rows;
    for (const MaildirMessage& message : store.ListMessages("")) {
        rows.push_back({message.unique, message.header->subject, message.read, message.deliveryTime,
                        message.size});
    }
    std::sort(rows.begin(), rows.end(),
              [](const Row& a, const Row& b) { return a.unique < b.unique; });
    return rows;
}

std::vector<std::string> Uniques(const std::vector<Row>& rows) {
    std::vector<std::string> uniques;
    for (const Row& row : rows) uniques.push_back(row.unique);
    return uniques;
}

class MaildirListingTest : public ::testing::Test {
  protected:
    // Three messages (unread in new/, read in cur/, one without a date) with every file and both
    // directories dated kOldTime.
    std::filesystem::path MakeOldFolder() {
        const auto folder = fixture_.MakeMaildir("mail");
        const auto a = MaildirFixture::AddMessage(
            folder, "new", "1.a",
            MaildirFixture::Message("a@x", "first", "Thu, 02 Jan 2020 10:00:00 +0000"));
        const auto b = MaildirFixture::AddMessage(
            folder, "cur", "2.b:2,S",
            MaildirFixture::Message("b@x", "second", "Fri, 03 Jan 2020 10:00:00 +0000"));
        const auto c = MaildirFixture::AddMessage(folder, "cur", "3.c,S=99:2,",
                                                  MaildirFixture::Message("c@x", "dateless", ""));
        for (const auto& path : {a, b, c, folder / "cur", folder / "new"}) SetTime(path, kOldTime);
        return folder;
    }

    MaildirFixture fixture_;
};

// While cur/ and new/ keep their times, a new session lists the folder from the cache alone: a
// file removed behind the directories' backs (their times put back) is still listed, with its
// read flag and the file time standing in for its missing date. Touching a directory ends that.
TEST_F(MaildirListingTest, UnchangedDirectoriesAreListedFromTheCacheAlone) {
    const auto folder = MakeOldFolder();
    std::vector<Row> first;
    {
        MaildirStore store(folder, "");
        first = List(store);
    }
    ASSERT_EQ(Uniques(first), (std::vector<std::string>{"1.a", "2.b", "3.c"}));
    EXPECT_TRUE(first[1].read);
    EXPECT_EQ(first[2].deliveryTime, FileTimeOf(kOldTime));

    std::filesystem::remove(folder / "cur" / "3.c,S=99:2,");
    SetTime(folder / "cur", kOldTime);
    {
        MaildirStore store(folder, "", FolderIndexUse::ReleasedAfterListing);
        EXPECT_EQ(List(store), first);
        EXPECT_EQ(List(store), first);  // read again from the cache file
    }
    SetTime(folder / "cur", kOldTime + 1);
    MaildirStore store(folder, "", FolderIndexUse::ReleasedAfterListing);
    EXPECT_EQ(Uniques(List(store)), (std::vector<std::string>{"1.a", "2.b"}));
}

// A message left in two files (a sync tool interrupted between copy and delete, a hand copy) is
// listed once, by the first listing of the folder and by a later one that looks at the files
// again. Changing its flag would rename one file onto the other: that fails, both stay whole.
TEST_F(MaildirListingTest, AMessageInTwoFilesIsListedOnceAndNeitherFileIsReplaced) {
    const auto folder = fixture_.MakeMaildir("mail");
    const std::string message =
        MaildirFixture::Message("a@x", "twin", "Thu, 02 Jan 2020 10:00:00 +0000");
    MaildirFixture::AddMessage(folder, "new", "1.a", message);
    MaildirFixture::AddMessage(folder, "cur", "1.a:2,S", message);
    MaildirFixture::AddMessage(folder, "cur", "1.a,S=120:2,", message);
    MaildirFixture::AddMessage(folder, "cur", "1.M1P1.dup:2,", "one");
    MaildirFixture::AddMessage(folder, "cur", "1.M1P1.dup:2,S", "two");
    MaildirStore store(folder, "");
    EXPECT_EQ(Uniques(List(store)), (std::vector<std::string>{"1.M1P1.dup", "1.a"}));
    MaildirFixture::AddMessage(folder, "new", "3.c", message);
    EXPECT_EQ(Uniques(List(store)), (std::vector<std::string>{"1.M1P1.dup", "1.a", "3.c"}));
    for (int change = 0; change < 4; ++change) {
        const MaildirStatus result = store.SetSeen("", "1.M1P1.dup", change % 2 == 0);
        EXPECT_TRUE(result == MaildirStatus::Done || result == MaildirStatus::Collision);
    }
    std::string one;
    std::string two;
    ASSERT_TRUE(ReadFile(folder / "cur" / "1.M1P1.dup:2,", {.limit = 9}, one));
    ASSERT_TRUE(ReadFile(folder / "cur" / "1.M1P1.dup:2,S", {.limit = 9}, two));
    EXPECT_EQ(one + two, "onetwo");
}

// A first listing of a large folder reads the files on several threads; every message comes
// back once, with its own header, and what cannot be read is left out.
TEST_F(MaildirListingTest, ManyFilesAreReadOnceEachWithTheirOwnHeaders) {
    const auto folder = fixture_.MakeMaildir("mail");
    constexpr int kCount = 2000;
    for (int i = 0; i < kCount; ++i) {
        const std::string number = std::to_string(i);
        MaildirFixture::AddMessage(folder, i % 2 == 0 ? "cur" : "new",
                                   number + ".m" + (i % 2 == 0 ? ":2,S" : ""),
                                   MaildirFixture::Message(number + "@x", "subject " + number,
                                                           "Thu, 02 Jan 2020 10:00:00 +0000"));
    }
    // No message files, skipped with a warning, never waited on: a folder, a FIFO.
    std::filesystem::create_directory(folder / "cur" / "broken.m:2,");
    ASSERT_EQ(::mkfifo((folder / "new" / "fifo.m").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / kSideFileName);  // read as empty, never written
    ::testing::internal::CaptureStderr();
    MaildirStore store(folder, "");
    const std::vector<MaildirMessage> messages = store.ListMessages("");
    EXPECT_EQ(store.SetSideState("", "1.m", {1, 0}), MaildirStatus::DiskError);
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(warnings.find("fifo.m: not a regular file"), std::string::npos) << warnings;
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kCount));
    for (const MaildirMessage& message : messages) {
        const int number = std::stoi(message.unique);
        EXPECT_EQ(message.header->subject, "subject " + std::to_string(number));
        EXPECT_EQ(message.read, number % 2 == 0);
    }
}

// Folders nest at any depth; a link back up the tree is not followed.
TEST_F(MaildirListingTest, DeepFoldersAreListedAndLinksAreNotFollowed) {
    const auto root = fixture_.MakeMaildir("mail");
    std::string path = "l0";
    for (int level = 1; level < 40; ++level) path += "/l" + std::to_string(level);
    fixture_.MakeMaildir("mail/" + path);
    std::filesystem::create_directory_symlink(root, root / "l0" / "loop");
    MaildirStore store(root, "");
    EXPECT_EQ(store.ParentFolder(path), path.substr(0, path.rfind('/')));
    EXPECT_EQ(store.ChildFolders("").size(), 1u);
    EXPECT_EQ(store.ChildFolders("l0").size(), 1u);  // l1, not the loop
}

}  // namespace
}  // namespace velora::platform
