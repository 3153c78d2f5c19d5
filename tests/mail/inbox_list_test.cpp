// The Mail store session, the Inbox list load and the message operations over Maildir fixtures.

#include "mail/inbox_list.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "harness/maildir_fixture.h"
#include "mail/mail_store_session.h"
#include "mail/message_operations.h"
#include "platform/base/program_services.h"
#include "platform/base/text_codec.h"
#include "platform/maildir/side_file.h"

namespace velora::mail {
namespace {

// "s" + std::to_string(i) trips a false -Wrestrict in GCC 12 at -O3; appending does not.
std::string Numbered(const char* prefix, int number) {
    std::string name(prefix);
    name += std::to_string(number);
    return name;
}

using namespace velora::platform;
using testing::MaildirFixture;

std::string Date(int day) {
    return "Mon, " + std::to_string(day) + " Jan 2024 10:00:00 +0000";
}

class MailTest : public ::testing::Test {
  protected:
    // A fresh session over the stores (as a new run of the program would make).
    std::unique_ptr<MailStoreSession> NewSession(std::vector<MessageStoreDefinition> stores) {
        services_.Get<MessageStoreProfile>().stores = std::move(stores);
        auto session = std::make_unique<MailStoreSession>();
        EXPECT_EQ(session->Logon(), S_OK);
        return session;
    }

    static std::vector<std::string> Subjects(MailStoreSession& session) {
        InboxList list;
        LoadInboxList(session, list);
        EXPECT_EQ(list.listedCount, list.summaries.Count());
        EXPECT_EQ(list.summaryCount, list.summaries.Count());
        std::vector<std::string> subjects;
        for (std::int32_t i = 0; i < list.summaries.Count(); ++i) {
            subjects.push_back(EncodeUtf8((*list.summaries.Find(i))->subject));
        }
        return subjects;
    }

    std::filesystem::path AddTo(const std::filesystem::path& folder, const std::string& unique,
                                const std::string& subject, int day,
                                const std::string& from = "Ann <ann@example.org>") {
        return MaildirFixture::AddMessage(folder, "cur", unique + ":2,",
                                          MaildirFixture::Message(from, subject, Date(day)));
    }

    platform::ProgramServices services_;  // the stores of each new session
    MapiRuntime runtime_;
    MaildirFixture fixture_;
};

TEST_F(MailTest, ListOrderAcrossStoresFoldersAndSubfolders) {
    const auto first = fixture_.MakeMaildir("first");
    AddTo(first, "a1", "inbox old", 1);
    AddTo(first, "a2", "inbox new", 5);
    AddTo(fixture_.MakeMaildir("first/.Lists"), "b1", "lists", 9);
    AddTo(fixture_.MakeMaildir("first/.Lists.Qt"), "c1", "lists/qt old", 2);
    AddTo(first / ".Lists.Qt", "c2", "lists/qt new", 3);
    AddTo(fixture_.MakeMaildir("first/.Lists.Qt.Dev"), "d1", "lists/qt/dev", 4);
    AddTo(fixture_.MakeMaildir("first/.Work"), "e1", "work", 8);
    AddTo(fixture_.MakeMaildir("first/.Trash"), "t1", "trash", 9);
    AddTo(fixture_.MakeMaildir("first/.Sent"), "s1", "sent", 9);
    fixture_.MakeMaildir("second/INBOX");
    AddTo(fixture_.Root() / "second/INBOX", "f1", "second inbox", 30);
    AddTo(fixture_.MakeMaildir("second/Archive"), "g1", "second archive", 31);
    auto session = NewSession({{u"First", first, ""}, {u"Second", fixture_.Root() / "second", ""}});
    EXPECT_EQ(
        Subjects(*session),
        (std::vector<std::string>{"inbox new", "inbox old", "lists", "lists/qt new", "lists/qt old",
                                  "lists/qt/dev", "work", "second inbox", "second archive"}));
}

TEST_F(MailTest, SummariesFollowTheTextRuleAndFlags) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(inbox, "cur", "1:2,S",
                               MaildirFixture::Message("", "no sender", Date(3)));
    MaildirFixture::AddMessage(inbox, "cur", "2:2,",
                               "From: Bo <bo@x>\nSubject: \nDate: " + Date(2) + "\n\nx\n");
    MaildirFixture::AddMessage(
        inbox, "cur", "3:2,",
        MaildirFixture::Message("Cy <cy@x>", "attached", Date(1), "x\n",
                                "Content-Disposition: attachment; filename=a\n"));
    MaildirFixture::WriteFile(inbox / kSideFileName, FormatSideFile({{"3", {0x00080000, 0}}}));
    auto session = NewSession({{u"Mail", inbox, ""}});
    InboxList list;
    LoadInboxList(*session, list);
    ASSERT_EQ(list.summaries.Count(), 3);
    const auto row = [&](int index) {
        const MessageSummary& summary = **list.summaries.Find(index);
        return std::tuple(EncodeUtf8(summary.sender), EncodeUtf8(summary.subject), summary.read,
                          summary.hasAttachments, summary.markedForDownload);
    };
    EXPECT_EQ(row(0), std::tuple("...", "no sender", 1, 0, 0));
    EXPECT_EQ(row(1), std::tuple("Bo", "...", 0, 0, 0));  // an empty subject counts as missing
    // One of the four download bits is enough to mark it.
    EXPECT_EQ(row(2), std::tuple("Cy", "attached", 0, 1, 1));
}

TEST_F(MailTest, ReadDownloadAndDeleteSurviveANewSession) {
    const auto inbox = fixture_.MakeMaildir("mail");
    AddTo(inbox, "keep", "keep", 2);
    MaildirFixture::AddMessage(inbox, "new", "gone",
                               MaildirFixture::Message("a@b", "gone", Date(1)));
    std::vector<std::uint8_t> keepId;
    std::vector<std::uint8_t> goneId;
    {
        auto session = NewSession({{u"Mail", inbox, ""}});
        InboxList list;
        LoadInboxList(*session, list);
        ASSERT_EQ(list.summaries.Count(), 2);
        const SBinary keep = (*list.summaries.Find(0))->EntryId();
        const SBinary gone = (*list.summaries.Find(1))->EntryId();
        keepId.assign(keep.lpb, keep.lpb + keep.cb);
        goneId.assign(gone.lpb, gone.lpb + gone.cb);
        EXPECT_EQ(SetReadFlag(*session, keep.cb, keep.lpb, 1), S_OK);
        EXPECT_EQ(SetDownloadMark(*session, keep.cb, keep.lpb, 1), S_OK);
        EXPECT_EQ(DeleteMessage(*session, gone.cb, gone.lpb), S_OK);
    }
    auto session = NewSession({{u"Mail", inbox, ""}});
    InboxList list;
    LoadInboxList(*session, list);
    ASSERT_EQ(list.summaries.Count(), 1);
    EXPECT_EQ(MaildirFixture::Files(inbox, "cur"), std::vector<std::string>{"keep:2,S"});
    EXPECT_EQ(MaildirFixture::Files(inbox / ".Trash", "new").size(), 1u);
    EXPECT_EQ(LoadSideFile(inbox).at("keep").downloadState, kDownloadStateMarkBits);

    const auto keepSize = static_cast<ULONG>(keepId.size());
    EXPECT_EQ(SetReadFlag(*session, keepSize, keepId.data(), 0), S_OK);
    EXPECT_EQ(MaildirFixture::Files(inbox, "cur"), std::vector<std::string>{"keep:2,"});
    // Clearing the mark clears all four bits and keeps the others.
    MaildirFixture::WriteFile(inbox / kSideFileName, FormatSideFile({{"keep", {0x00200003, 0}}}));
    EXPECT_EQ(SetDownloadMark(*session, keepSize, keepId.data(), 0), S_OK);
    EXPECT_EQ(LoadSideFile(inbox).at("keep").downloadState, 0x00000003u);
    // The deleted message's entry ID no longer opens.
    EXPECT_EQ(DeleteMessage(*session, static_cast<ULONG>(goneId.size()), goneId.data()),
              MAPI_E_NOT_FOUND);
}

TEST_F(MailTest, DefaultStoreIsTheFirstNameWithDefaultInAnyCase) {
    std::vector<MessageStoreDefinition> stores;
    const char16_t* names[] = {u"a", u"b.default", u"C.DeFaUlT", u"d"};
    for (int i = 0; i < 4; ++i) {
        stores.push_back({names[i], fixture_.MakeMaildir(Numbered("s", i)), ""});
    }
    auto session = NewSession(stores);
    EXPECT_EQ(session->DefaultStoreIndex(), 1);
    EXPECT_EQ(session->GetStore(4).store, nullptr);  // out of range: empty
    EXPECT_EQ(session->GetStore(-1).inbox, nullptr);
    auto plain = NewSession({{u"plain", fixture_.MakeMaildir("p"), ""}});
    EXPECT_EQ(plain->DefaultStoreIndex(), -1);
}

TEST_F(MailTest, BatchesOfTenEndOnTheShortBatch) {
    std::vector<MessageStoreDefinition> stores;
    for (int i = 0; i < 10; ++i) {
        const auto folder = fixture_.MakeMaildir(Numbered("s", i));
        for (int m = 0; m < (i == 0 ? 10 : 1); ++m) AddTo(folder, Numbered("m", m), "s", m + 1);
        stores.push_back({u"store", folder, ""});
    }
    auto session = NewSession(stores);
    EXPECT_EQ(WalkFolderContents(session->GetStore(0).inbox.get(), [](const MessageRow&) {}), 10);
    EXPECT_EQ(Subjects(*session).size(), 19u);
    EXPECT_TRUE(Subjects(*NewSession({})).empty());
}

}  // namespace
}  // namespace velora::mail
