// Loading texts into the reader: the default document, the About text, and messages read through
// the Mail store session from Maildir stores made for each test.

#include "content/text_sources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "content/message_reader.h"
#include "harness/maildir_fixture.h"
#include "mail/inbox_list.h"
#include "mail/mail_store_session.h"
#include "platform/base/program_services.h"
#include "platform/base/text_codec.h"
#include "platform/mapi/mapi.h"
#include "platform/ui/message_box.h"
#include "reader/reading_document.h"
#include "reader/segment_text.h"

namespace velora::content {
namespace {

namespace fs = std::filesystem;
using platform::BYTE;

TEST(LoadDefaultDocument, ReplacesTheDocumentAndPutsTheReaderOnItsFirstWord) {
    reader::Player player;
    services::ReadingSettings settings;
    reader::InstallDocument(player, u"old text \u007f ");
    LoadDefaultDocument(player, settings, 0);
    EXPECT_EQ(player.document, DefaultDocument());
    EXPECT_EQ(std::count(player.document.begin(), player.document.end(), reader::kSentenceEndMark),
              4);
    std::u16string_view shown;
    ASSERT_TRUE(reader::FrameText(player, shown));
    EXPECT_EQ(shown, u"Velora.");
}

// One Maildir store per test in a temporary home, with the given messages in its Inbox, and a
// logged-on session.
class MessageDocumentTest : public ::testing::Test {
  protected:
    void SetUp() override { services_.Get<platform::MessageBoxServices>().service = &boxes_; }
    void TearDown() override { session_.reset(); }

    void AddMessage(const std::string& unique, const std::string& bytes) {
        velora::testing::MaildirFixture::AddMessage(inbox_, "cur", unique + ":2,S", bytes);
    }
    // Logs on to the store (named `storeName`, owned by `ownAddress`) and lists its Inbox.
    void LogOn(const std::u16string& storeName, const std::string& ownAddress = "") {
        platform::CurrentProgramServices().Get<platform::MessageStoreProfile>().stores = {
            {storeName, root_ / "inbox", ownAddress}};
        session_ = std::make_unique<mail::MailStoreSession>();
        ASSERT_GE(session_->Logon(), 0);
        mail::WalkFolderContents(
            session_->GetStore(0).inbox.get(), [&](const mail::MessageRow& row) {
                entryIds_[platform::EncodeUtf8(row.subject != nullptr ? row.subject : u"")] =
                    std::string(reinterpret_cast<const char*>(row.entryId.lpb), row.entryId.cb);
            });
    }

    std::u16string Load(const std::string& subject) {
        const std::string& id = entryIds_.at(subject);
        LoadMessageDocument(player_, settings_, *session_, static_cast<platform::ULONG>(id.size()),
                            reinterpret_cast<const BYTE*>(id.data()));
        return player_.document;
    }

    std::string ReadingTextOf(const std::string& subject) {
        const std::string& id = entryIds_.at(subject);
        MessageReader messageReader;
        BuildMessageReader(messageReader, *session_, static_cast<platform::ULONG>(id.size()),
                           reinterpret_cast<const BYTE*>(id.data()), 0);
        const platform::Bstr& text = ReadingText(messageReader);
        return text.IsNull() ? "<null>" : platform::EncodeUtf8(text.View());
    }

    static std::string Message(const std::string& from, const std::string& subject,
                               const std::string& typeAndBody) {
        return "From: " + from + "\r\nSubject: " + subject +
               "\r\nDate: Tue, 01 Dec 2026 10:00:00 +0000\r\nMIME-Version: 1.0\r\n" + typeAndBody;
    }

    platform::ProgramServices services_;
    velora::testing::MaildirFixture home_;
    const fs::path& root_ = home_.Root();
    const fs::path inbox_ = home_.MakeMaildir("inbox");
    mail::MapiRuntime runtime_;
    platform::RecordingMessageBoxes boxes_;
    std::unique_ptr<mail::MailStoreSession> session_;
    std::map<std::string, std::string> entryIds_;
    reader::Player player_;
    services::ReadingSettings settings_;
};

const std::string kHtmlOnly = "Content-Type: text/html\r\n\r\n<p>Only &amp; HTML</p>\r\n";
const std::string kPlain = "Content-Type: text/plain\r\n\r\nPlain words.\r\n";

TEST_F(MessageDocumentTest, ReceivedMessageWithoutADefaultStoreIsReadFromItsMimeSource) {
    AddMessage("1.a", Message("a@example.org", "html", kHtmlOnly));
    LogOn(u"Mail");
    EXPECT_EQ(ReadingTextOf("html"), "Only & HTML\r\n");
    EXPECT_EQ(Load("html"), reader::SegmentText(u"Only & HTML\r\n"));
    EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(MessageDocumentTest, DefaultStoreZeroReadsThePlainBody) {
    AddMessage("1.a", Message("a@example.org", "html", kHtmlOnly));
    AddMessage("2.b", Message("b@example.org", "plain", kPlain));
    LogOn(u"Phone.default");
    // No plain body to open: the reader has no text and the document reads "...".
    EXPECT_EQ(ReadingTextOf("html"), "<null>");
    EXPECT_EQ(Load("html"), reader::SegmentText(u"..."));
    EXPECT_EQ(ReadingTextOf("plain"), "Plain words.\r\n");
}

TEST_F(MessageDocumentTest, MessageTheUserSentIsReadFromThePlainBody) {
    AddMessage("1.a", Message("Me <Me@Example.org>", "mine", kHtmlOnly));
    AddMessage("2.b", Message("other@example.org", "theirs", kHtmlOnly));
    LogOn(u"Mail", "me@example.org");
    EXPECT_EQ(ReadingTextOf("mine"), "<null>");
    EXPECT_EQ(ReadingTextOf("theirs"), "Only & HTML\r\n");
}

TEST_F(MessageDocumentTest, VanishedMessageReadsAsThreeDots) {
    AddMessage("1.a", Message("a@example.org", "gone", kPlain));
    LogOn(u"Mail");
    fs::remove(inbox_ / "cur" / "1.a:2,S");
    EXPECT_EQ(Load("gone"), reader::SegmentText(u"..."));
    EXPECT_TRUE(boxes_.boxes.empty());
}

}  // namespace
}  // namespace velora::content
