// velora list and the store configuration, over Maildir fixtures.

#include <gtest/gtest.h>

#include "command_test_support.h"
#include "commands/store_config.h"
#include "harness/maildir_fixture.h"

namespace velora::commands {
namespace {

using velora::testing::MaildirFixture;

class ListCommandTest : public testing::CommandTest {
  protected:
    static void Add(const std::filesystem::path& folder, const std::string& name,
                    const std::string& from, const std::string& subject, const std::string& date,
                    const std::string& extra = "") {
        MaildirFixture::AddMessage(folder, "cur", name,
                                   MaildirFixture::Message(from, subject, date, "x\n", extra));
    }
};

TEST_F(ListCommandTest, PrintsEveryStoreInListOrderAndSortsOnRequest) {
    const auto one = fixture_.MakeMaildir("one");
    Add(one, "a:2,S", "Bob <bob@x>", "first", "Tue, 02 Jan 2024 09:05:00 +0000");
    Add(one, "b:2,", "alice <al@x>", "second", "Wed, 03 Jan 2024 23:59:00 -0100",
        "Content-Type: application/pdf\n");
    Add(fixture_.MakeMaildir("one/.Sub"), "c:2,", "Carol <c@x>",
        "=?utf-8?Q?sub=09with_tab=1B]0;t=07=C2=9B=7F?=", "Mon, 01 Jan 2024 00:00:00 +0000");
    const auto two = fixture_.MakeMaildir("two/INBOX");
    Add(two, "d:2,S", "", "", "Fri, 05 Jan 2024 12:00:00 +0000");
    MaildirFixture::WriteFile(two / "velora-state",
                              "velora-state 1\n01680000\t00000000\td\nend 1\n");

    const auto result =
        Run({"list", "--maildir", one.string(), "--maildir", (home_ / "two").string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "-\tA\t-\t2024-01-04 00:59\talice\tsecond\n"
              "R\t-\t-\t2024-01-02 09:05\tBob\tfirst\n"
              "-\t-\t-\t2024-01-01 00:00\tCarol\tsub with tab\uFFFD]0;t\uFFFD\uFFFD\uFFFD\n"
              "R\t-\tD\t2024-01-05 12:00\t...\t...\n");

    // The order is the Inbox sort's (tested there): chosen twice, it is reversed.
    const auto byRead = Run({"list", "--sort", "read", "--sort=read", "--maildir", one.string()});
    EXPECT_EQ(byRead.out.substr(0, 1), "R");
}

TEST_F(ListCommandTest, AFolderThatIsNotAMaildirIsAOneLineError) {
    std::filesystem::create_directories(home_ / "plain");
    const auto result = Run({"list", "--maildir", (home_ / "plain").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("not a Maildir"), std::string::npos);
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1);  // one line
}

TEST_F(ListCommandTest, StoresIniThenMaildirVariable) {
    const auto work = fixture_.MakeMaildir("work");
    Add(work, "w:2,", "W <w@x>", "from ini", "Mon, 01 Jan 2024 00:00:00 +0000");
    const auto other = fixture_.MakeMaildir("other");
    Add(other, "o:2,", "O <o@x>", "from env", "Mon, 01 Jan 2024 00:00:00 +0000");
    fixture_.Set("MAILDIR", other);
    WriteFile("home/stores.ini",
              "# mine\n[store Work]\nmaildir = ../work\naddress = me@x\ndefault = true\n");
    auto result = Run({"list"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("from ini"), std::string::npos);
    std::string error;
    const auto stores = ResolveMessageStores({}, error);
    ASSERT_TRUE(stores.has_value()) << error;
    EXPECT_EQ(stores->at(0).displayName, u"Work.DEFAULT");
    EXPECT_EQ(stores->at(0).ownAddress, "me@x");
    std::filesystem::remove(fixture_.SettingsFolder() / "stores.ini");
    result = Run({"list"});
    EXPECT_NE(result.out.find("from env"), std::string::npos);
}

TEST(StoresIniTest, MalformedFilesNameTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"maildir = /x\n", "stores.ini line 1: a setting before the first [store NAME] section"},
        {"[store A]\nmaildir = /x\ndefault = yes\n",
         "stores.ini line 3: default must be true or false"},
        {"[store A]\ncolour = blue\n", "stores.ini line 2: unknown setting 'colour'"},
        {"[other]\n", "stores.ini line 1: expected [store NAME]"},
        {"[store A]\naddress = a@b\n", "stores.ini: store 'A' has no maildir"},
        {"[store A\n", "stores.ini line 1: a section line must end with ']'"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseStoresIni(c.text, "/base", error).has_value()) << c.text;
        EXPECT_EQ(error, c.error);
    }
    std::string error;
    const auto stores =
        ParseStoresIni("[store C.default]\r\n; note\nmaildir=/c\ndefault=true\n", "/base", error);
    ASSERT_TRUE(stores.has_value()) << error;
    EXPECT_EQ(stores->at(0).displayName, u"C.default");  // already marked: not marked twice
}

}  // namespace
}  // namespace velora::commands
