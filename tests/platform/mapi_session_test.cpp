// The CE MAPI stand-in seen through its interfaces, over Maildir fixtures. The Maildir rules
// themselves (listing, cache, names) are checked below this layer; here, what each interface call
// gives and changes.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "harness/maildir_fixture.h"
#include "platform/base/program_services.h"
#include "platform/base/text_codec.h"
#include "platform/maildir/plain_body.h"
#include "platform/maildir/side_file.h"
#include "platform/mapi/com_ptr.h"
#include "platform/mapi/entry_id.h"

namespace velora::platform {
namespace {

using testing::MaildirFixture;
using Strings = std::vector<std::string>;

std::vector<std::uint8_t> Bytes(const SBinary& binary) {
    return {binary.lpb, binary.lpb + binary.cb};
}
std::vector<std::uint8_t> MessageId(const std::string& unique, const std::string& folder = "") {
    return EncodeEntryId({EntryKind::Message, 0, folder, unique});
}
std::u16string Utf16(const std::string& bytes) {
    return {reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2};
}

void SetColumns(IMAPITable* table, std::vector<ULONG> tags) {
    const SPropTagArray columns{static_cast<ULONG>(tags.size()), tags.data()};
    EXPECT_EQ(table->SetColumns(&columns, 0), S_OK);
}
RowSet NextRows(IMAPITable* table, ULONG count) {
    RowSet rows;
    EXPECT_EQ(table->QueryRows(count, 0, rows.put()), S_OK);
    return rows;
}
std::vector<std::uint8_t> BinaryProp(IMAPIProp* object, ULONG tag) {
    const ULONG tags[] = {tag};
    const SPropTagArray array{1, tags};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    EXPECT_TRUE(SUCCEEDED(object->GetProps(&array, MAPI_UNICODE, &count, values.put())));
    if (!values || values->ulPropTag != tag) return {};
    return Bytes(values->Value.bin);
}

class MapiSessionTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(MAPIInitialize(nullptr), S_OK); }
    void TearDown() override {
        session_.reset();
        MAPIUninitialize();
    }

    IMAPISession* Logon(std::vector<MessageStoreDefinition> stores) {
        Profile().stores = std::move(stores);
        EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, session_.put()), S_OK);
        return session_.get();
    }
    // Logs on to one store over a Maildir at mail/ holding `messages` (name in cur/, contents).
    std::filesystem::path LogonToMail(std::vector<std::pair<std::string, std::string>> messages) {
        const auto inbox = fixture_.MakeMaildir("mail");
        for (const auto& [name, contents] : messages)
            MaildirFixture::AddMessage(inbox, "cur", name, contents);
        Logon({{u"Mail", inbox, ""}});
        return inbox;
    }

    template <typename T>
    ComPtr<T> Open(const std::vector<std::uint8_t>& id, HRESULT* result = nullptr) {
        ComPtr<IUnknown> object;
        const HRESULT opened = session_->OpenEntry(static_cast<ULONG>(id.size()), id.data(),
                                                   nullptr, MAPI_MODIFY, nullptr, object.put());
        if (result != nullptr) *result = opened;
        return InterfaceCast<T>(std::move(object));
    }
    ComPtr<IMsgStore> OpenStore(ULONG index) {
        return Open<IMsgStore>(EncodeEntryId({EntryKind::Store, index, {}, {}}));
    }
    ComPtr<IMAPIFolder> OpenSpecial(IMsgStore* store, ULONG tag) {
        return Open<IMAPIFolder>(BinaryProp(store, tag));
    }
    ComPtr<IMAPIFolder> OpenInbox(ULONG store = 0) {
        return OpenSpecial(OpenStore(store).get(), PR_CE_IPM_INBOX_ENTRYID);
    }

    struct ListedRow {
        std::vector<std::uint8_t> entryId;
        std::string subject;  // "<absent>" when missing
        std::string sender;
        ULONG flags = 0;
        std::uint64_t time = 0;
        ULONG status = 0;
    };

    // The contents newest first, read ten rows at a time.
    static std::vector<ListedRow> Contents(IMAPIFolder* folder) {
        ComPtr<IMAPITable> table;
        EXPECT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
        static constexpr SSortOrder kOrder[] = {{PR_MESSAGE_DELIVERY_TIME, TABLE_SORT_DESCEND}};
        const SSortOrderSet order{1, 0, 0, kOrder};
        const auto text = [](const SPropValue& value, ULONG tag) {
            return value.ulPropTag == tag ? EncodeUtf8(value.Value.lpszW) : "<absent>";
        };
        SetColumns(table.get(), {PR_ENTRYID, PR_SUBJECT_W, PR_SENDER_NAME_W, PR_MESSAGE_FLAGS,
                                 PR_MESSAGE_DELIVERY_TIME, PR_MSG_STATUS});
        EXPECT_EQ(table->SortTable(&order, 0), S_OK);
        std::vector<ListedRow> listed;
        for (RowSet rows = NextRows(table.get(), 10);; rows = NextRows(table.get(), 10)) {
            for (ULONG i = 0; i < rows->cRows; ++i) {
                const SPropValue* v = rows->aRow[i].lpProps;
                listed.push_back({Bytes(v[0].Value.bin), text(v[1], PR_SUBJECT_W),
                                  text(v[2], PR_SENDER_NAME_W), v[3].Value.ul,
                                  FileTimeValue(v[4].Value.ft), v[5].Value.ul});
            }
            if (rows->cRows < 10) break;
        }
        return listed;
    }

    static std::string ReadStream(IMessage* message, ULONG tag, HRESULT* result = nullptr) {
        ComPtr<IUnknown> object;
        const HRESULT opened = message->OpenProperty(tag, &IID_IStream, 0, 0, object.put());
        if (result != nullptr) *result = opened;
        if (FAILED(opened)) return {};
        ComPtr<IStream> stream = InterfaceCast<IStream>(std::move(object));
        std::string bytes;
        char buffer[7];  // an odd size, so reads split code units
        ULONG count = 0;
        do {
            EXPECT_EQ(stream->Read(buffer, sizeof buffer, &count), S_OK);
            bytes.append(buffer, count);
        } while (count == sizeof buffer);
        return bytes;
    }

    MessageStoreProfile& Profile() { return services_.Get<MessageStoreProfile>(); }

    ProgramServices services_;  // first made, last gone: the stores and MAPI's initialisation
    MaildirFixture fixture_;
    ComPtr<IMAPISession> session_;
};

std::string Mail(const std::string& subject, const std::string& date = "",
                 const std::string& extra = "", const std::string& from = "a@b") {
    return MaildirFixture::Message(from, subject, date, "Hello.\n", extra);
}

TEST_F(MapiSessionTest, ContentsTableNewestFirstWithFlags) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(
        inbox, "cur", "1.a.host:2,S",
        Mail("old", "Mon, 1 Jan 2024 10:00:00 +0000", "", "Ann <ann@example.org>"));
    MaildirFixture::AddMessage(inbox, "new", "2.b.host",
                               Mail("new", "Tue, 2 Jan 2024 10:00:00 +0000", "", "me@example.org"));
    MaildirFixture::AddMessage(
        inbox, "cur", "3.c.host:2,",
        MaildirFixture::Message(
            "=?utf-8?q?Zo=C3=AB?= <zoe@example.org>",
            "=?iso-8859-1?q?caf=E9?=", "Wed, 3 Jan 2024 10:00:00 +0000",
            "--b\nContent-Type: text/plain\n\nhi\n--b\nContent-Type: application/pdf\n\nx\n--b--\n",
            "Content-Type: multipart/mixed; boundary=b\n"));
    MaildirFixture::AddMessage(fixture_.MakeMaildir("mail/.Drafts"), "cur", "4.d.host:2,S",
                               Mail("draft", "", "", "me@example.org"));
    Logon({{u"Mail", inbox, "ME@example.org"}});
    const auto rows = Contents(OpenInbox().get());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].subject, "café");
    EXPECT_EQ(rows[0].sender, "Zoë");
    EXPECT_EQ(rows[0].flags, MSGFLAG_HASATTACH);
    EXPECT_EQ(rows[1].sender, "me@example.org");  // no name: the address
    EXPECT_EQ(rows[1].flags, MSGFLAG_FROMME);
    EXPECT_EQ(rows[2].flags, MSGFLAG_READ);
    const auto drafts = Contents(OpenSpecial(OpenStore(0).get(), PR_CE_IPM_DRAFTS_ENTRYID).get());
    EXPECT_EQ(drafts.at(0).flags, MSGFLAG_READ | MSGFLAG_FROMME | MSGFLAG_UNSENT);
}

// The entry ID syntax is checked on its own; here, IDs that are well formed but lead out of the
// store through links, or name what is not there.
TEST_F(MapiSessionTest, EntryIdsThatEscapeAreRefused) {
    const auto inbox = fixture_.MakeMaildir("store/mail");
    const auto outside = fixture_.MakeMaildir("outside");
    MaildirFixture::AddMessage(outside, "cur", "secret:2,", "Subject: secret\n\nx\n");
    std::filesystem::create_directory_symlink(outside, inbox / ".Link");
    std::filesystem::create_directory_symlink(outside, inbox / ".Trash");
    MaildirFixture::AddMessage(inbox, "cur", "1.x:2,", "Subject: mine\n\nx\n");
    ::testing::internal::CaptureStderr();
    Logon({{u"Mail", inbox, ""}});
    // A Trash that leads out of the store counts as missing: it opens empty and takes nothing.
    ComPtr<IMsgStore> store = OpenStore(0);
    ComPtr<IMAPIFolder> trash = OpenSpecial(store.get(), PR_IPM_WASTEBASKET_ENTRYID);
    ASSERT_TRUE(trash);
    EXPECT_TRUE(Contents(trash.get()).empty());
    auto mine = MessageId("1.x");
    SBinary binary{static_cast<ULONG>(mine.size()), mine.data()};
    const ENTRYLIST list{1, &binary};
    EXPECT_EQ(OpenInbox()->DeleteMessages(&list, 0, nullptr, 0), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(MaildirFixture::Files(outside, "cur"), Strings{"secret:2,"});
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(".Trash leads outside"),
              std::string::npos);
    using namespace std::string_literals;
    for (const std::string& text : {"VLR1F0\0.Link"s, "VLR1M0\0.Link\0secret"s, "VLR1S1"s}) {
        HRESULT result = S_OK;
        EXPECT_FALSE(Open<IUnknown>({text.begin(), text.end()}, &result)) << text;
        EXPECT_EQ(result, MAPI_E_INVALID_ENTRYID) << text;
    }
    // A folder inside the store whose cur/ is a link out of it lists nothing and opens nothing.
    std::filesystem::create_directories(inbox / ".Evil" / "new");
    std::filesystem::create_directory_symlink(outside / "cur", inbox / ".Evil" / "cur");
    ComPtr<IMAPIFolder> evil =
        Open<IMAPIFolder>(EncodeEntryId({EntryKind::Folder, 0, ".Evil", {}}));
    ASSERT_TRUE(evil);
    EXPECT_TRUE(Contents(evil.get()).empty());
    HRESULT result = S_OK;
    EXPECT_FALSE(Open<IMessage>(MessageId("secret", ".Evil"), &result));
    EXPECT_EQ(result, MAPI_E_NOT_FOUND);
}

TEST_F(MapiSessionTest, DeleteMovesToTrashUnderAFreshName) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::WriteFile(inbox / kSideFileName, FormatSideFile({{"1.x", {0x01680000, 0}}}));
    LogonToMail({{"1.x:2,RSa", Mail("bye")}, {"2.x:2,", Mail("stay")}});
    ComPtr<IMAPIFolder> folder = OpenInbox();
    auto id = MessageId("1.x");
    SBinary binary{static_cast<ULONG>(id.size()), id.data()};
    const ENTRYLIST list{1, &binary};
    EXPECT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    EXPECT_EQ(Contents(folder.get()).size(), 1u);
    const auto trashFiles = MaildirFixture::Files(inbox / ".Trash", "cur");
    ASSERT_EQ(trashFiles.size(), 1u);
    EXPECT_FALSE(trashFiles[0].starts_with("1.x"));
    const auto trash = Contents(OpenSpecial(OpenStore(0).get(), PR_IPM_WASTEBASKET_ENTRYID).get());
    ASSERT_EQ(trash.size(), 1u);
    EXPECT_EQ(trash[0].status, MSGSTATUS_REMOTE_DOWNLOAD);  // the download word went along
    // Gone from the Inbox: deleting again reports the problem and changes nothing.
    EXPECT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), MAPI_W_ERRORS_RETURNED);
}

TEST_F(MapiSessionTest, StreamsGiveFirstPlainPartAndRawBytes) {
    const std::string raw =
        "From: a@b\nSubject: parts\nMIME-Version: 1.0\nContent-Type: multipart/mixed; "
        "boundary=xx\n\n--xx\nContent-Type: text/html\n\n<p>html</p>\n"
        "--xx\nContent-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: "
        "quoted-printable\n\nGr=FC=DFe\n--xx--\n";
    const std::string htmlOnly = "From: a@b\nContent-Type: text/html\n\n<p>only html</p>\n";
    LogonToMail({{"1.x:2,", raw}, {"2.x:2,", htmlOnly}});
    ComPtr<IMessage> message = Open<IMessage>(MessageId("1.x"));
    ASSERT_TRUE(message);
    // The line end before a boundary belongs to it.
    EXPECT_EQ(Utf16(ReadStream(message.get(), PR_BODY_W)), u"Grüße");
    ComPtr<IMessage> html = Open<IMessage>(MessageId("2.x"));
    HRESULT result = S_OK;
    ReadStream(html.get(), PR_BODY_W, &result);
    EXPECT_EQ(result, MAPI_E_NOT_FOUND);                           // no HTML to text installed
    EXPECT_EQ(ReadStream(html.get(), PR_CE_MIME_TEXT), htmlOnly);  // the raw bytes
}

// Blocks linked to an owner come zeroed, aligned and apart from each other, and go with the owner.
TEST(MapiMemoryTest, MoreBlocksAreFreedWithTheirOwner) {
    void* owner = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(16, &owner), S_OK);
    std::vector<std::pair<unsigned char*, ULONG>> blocks;
    for (ULONG size : {100u, 0u, 5000u, 7u}) {
        void* more = nullptr;
        ASSERT_EQ(MAPIAllocateMore(size, owner, &more), S_OK);
        auto* bytes = static_cast<unsigned char*>(more);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(more) % 16, 0u) << size;
        for (ULONG i = 0; i < size; ++i) ASSERT_EQ(bytes[i], 0) << size;
        std::memset(more, static_cast<int>(blocks.size() + 1), size);
        blocks.emplace_back(bytes, size);
    }
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        for (ULONG i = 0; i < blocks[b].second; ++i) ASSERT_EQ(blocks[b].first[i], b + 1) << b;
    }
    void* orphan = nullptr;
    EXPECT_EQ(MAPIAllocateMore(8, nullptr, &orphan), E_INVALIDARG);
    MAPIFreeBuffer(owner);  // ASan would report a leak or double free here
    MAPIFreeBuffer(nullptr);
    FreeProws(nullptr);
}

}  // namespace
}  // namespace velora::platform
