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
RowSet Query(IMAPITable* table, std::vector<ULONG> tags, ULONG count = 100) {
    SetColumns(table, std::move(tags));
    return NextRows(table, count);
}

std::optional<ULONG> LongProp(IMAPIProp* object, ULONG tag) {
    const ULONG tags[] = {tag};
    const SPropTagArray array{1, tags};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    // A property the object lacks is no error here: nullopt says so.
    static_cast<void>(object->GetProps(&array, MAPI_UNICODE, &count, values.put()));
    if (!values || values->ulPropTag != tag) return std::nullopt;
    return values->Value.ul;
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

HRESULT SetLong(IMessage* message, ULONG tag, ULONG value) {
    SPropValue property{};
    property.ulPropTag = tag;
    property.Value.ul = value;
    return message->SetProps(1, &property, nullptr);
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
    static Strings Subjects(IMAPIFolder* folder) {
        Strings subjects;
        for (const ListedRow& row : Contents(folder)) subjects.push_back(row.subject);
        return subjects;
    }

    struct SubfolderRow {
        std::string name;
        bool subfolders = false;
        ULONG count = 0;
        std::vector<std::uint8_t> entryId;
    };
    static std::vector<SubfolderRow> Hierarchy(IMAPIFolder* folder) {
        ComPtr<IMAPITable> table;
        EXPECT_EQ(folder->GetHierarchyTable(0, table.put()), S_OK);
        RowSet rows =
            Query(table.get(), {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_SUBFOLDERS, PR_CONTENT_COUNT});
        std::vector<SubfolderRow> result;
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SPropValue* v = rows->aRow[i].lpProps;
            result.push_back({EncodeUtf8(v[1].Value.lpszW), v[2].Value.b != 0, v[3].Value.ul,
                              Bytes(v[0].Value.bin)});
        }
        return result;
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

TEST_F(MapiSessionTest, StoresTableListsStoresInOrderAndMissingSpecialsOpenEmpty) {
    fixture_.MakeMaildir("one");
    fixture_.MakeMaildir("two/INBOX");
    Logon({{u"One", fixture_.Root() / "one", ""}, {u"Two.DEFAULT", fixture_.Root() / "two", ""}});
    ComPtr<IMAPITable> table;
    ASSERT_EQ(session_->GetMsgStoresTable(MAPI_UNICODE, table.put()), S_OK);
    RowSet rows = Query(table.get(), {PR_ENTRYID, PR_DISPLAY_NAME_W}, 10);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(std::u16string(rows->aRow[0].lpProps[1].Value.lpszW), u"One");
    EXPECT_EQ(std::u16string(rows->aRow[1].lpProps[1].Value.lpszW), u"Two.DEFAULT");
    HRESULT result = E_FAIL;
    ComPtr<IMsgStore> store = Open<IMsgStore>(Bytes(rows->aRow[1].lpProps[0].Value.bin), &result);
    ASSERT_EQ(result, S_OK);
    for (ULONG tag : {PR_CE_IPM_INBOX_ENTRYID, PR_IPM_OUTBOX_ENTRYID, PR_CE_IPM_DRAFTS_ENTRYID,
                      PR_IPM_WASTEBASKET_ENTRYID, PR_IPM_SENTMAIL_ENTRYID}) {
        ComPtr<IMAPIFolder> folder = OpenSpecial(store.get(), tag);
        ASSERT_TRUE(folder) << std::hex << tag;
        EXPECT_TRUE(Contents(folder.get()).empty());
    }
    EXPECT_FALSE(std::filesystem::exists(fixture_.Root() / "two" / "Trash"));
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
    EXPECT_EQ(rows[1].subject, "new");
    EXPECT_EQ(rows[1].sender, "me@example.org");  // no name: the address
    EXPECT_EQ(rows[1].flags, MSGFLAG_FROMME);
    EXPECT_EQ(rows[2].subject, "old");
    EXPECT_EQ(rows[2].flags, MSGFLAG_READ);
    EXPECT_GT(rows[0].time, rows[1].time);
    const auto drafts = Contents(OpenSpecial(OpenStore(0).get(), PR_CE_IPM_DRAFTS_ENTRYID).get());
    ASSERT_EQ(drafts.size(), 1u);
    EXPECT_EQ(drafts[0].flags, MSGFLAG_READ | MSGFLAG_FROMME | MSGFLAG_UNSENT);
}

TEST_F(MapiSessionTest, FolderTreeRootedAtInboxInBothLayouts) {
    // Maildir++: the root is the Inbox; dotted folders nest; specials, Junk and Spam stay out.
    const auto plus = fixture_.MakeMaildir("plus");
    for (const char* name :
         {".Work", ".Work.Projects", ".Archive.2023", ".Trash", ".Sent", ".Junk", ".Drafts"})
        fixture_.MakeMaildir(std::string("plus/") + name);
    MaildirFixture::AddMessage(plus / ".Work.Projects", "cur", "1.x:2,", Mail("p"));
    // mbsync: INBOX beside nested folders.
    for (const char* name : {"INBOX", "Lists", "Lists/Qt", "Deleted Items", "Spam"})
        fixture_.MakeMaildir(std::string("sync/") + name);
    Logon({{u"Plus", plus, ""}, {u"Sync", fixture_.Root() / "sync", ""}});

    auto top = Hierarchy(OpenInbox(0).get());
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].name, "Archive");  // exists only as the parent of .Archive.2023
    EXPECT_TRUE(top[0].subfolders);
    EXPECT_EQ(top[1].name, "Work");
    EXPECT_TRUE(top[1].subfolders);
    const auto below = Hierarchy(Open<IMAPIFolder>(top[1].entryId).get());
    ASSERT_EQ(below.size(), 1u);
    EXPECT_EQ(below[0].name, "Projects");
    EXPECT_EQ(below[0].count, 1u);
    EXPECT_FALSE(below[0].subfolders);
    ComPtr<IMAPIFolder> archive = Open<IMAPIFolder>(top[0].entryId);
    ASSERT_TRUE(archive);
    EXPECT_TRUE(Contents(archive.get()).empty());

    top = Hierarchy(OpenInbox(1).get());
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].name, "Lists");
    EXPECT_EQ(BinaryProp(OpenStore(1).get(), PR_IPM_WASTEBASKET_ENTRYID),
              EncodeEntryId({EntryKind::Folder, 1, "Deleted Items", {}}));
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
    HRESULT result = S_OK;
    EXPECT_FALSE(Open<IMessage>(MessageId("missing"), &result));
    EXPECT_EQ(result, MAPI_E_NOT_FOUND);
    // A folder inside the store whose cur/ is a link out of it lists nothing and opens nothing.
    std::filesystem::create_directories(inbox / ".Evil" / "new");
    std::filesystem::create_directory_symlink(outside / "cur", inbox / ".Evil" / "cur");
    ComPtr<IMAPIFolder> evil =
        Open<IMAPIFolder>(EncodeEntryId({EntryKind::Folder, 0, ".Evil", {}}));
    ASSERT_TRUE(evil);
    EXPECT_TRUE(Contents(evil.get()).empty());
    EXPECT_FALSE(Open<IMessage>(MessageId("secret", ".Evil"), &result));
    EXPECT_EQ(result, MAPI_E_NOT_FOUND);
}

TEST_F(MapiSessionTest, UnsortedTableByUniqueNameAndEqualTimesTieOnIt) {
    const std::string sameDate = "Mon, 1 Jan 2024 10:00:00 +0000";
    const auto inbox = LogonToMail({{"30.c:2,S", Mail("c", sameDate)},
                                    {"20.b,U=4:2,", Mail("b", sameDate)},
                                    {"05.z:2,", Mail("z", "Sun, 31 Dec 2023 10:00:00 +0000")}});
    MaildirFixture::AddMessage(inbox, "new", "10.a", Mail("a", sameDate));
    ComPtr<IMAPIFolder> folder = OpenInbox();
    // Newest first; the three of one time in unique-name order.
    EXPECT_EQ(Subjects(folder.get()), (Strings{"a", "b", "c", "z"}));
    // Without SortTable the rows come in unique-name order, twice over one table.
    ComPtr<IMAPITable> table;
    ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
        RowSet rows = Query(table.get(), {PR_SUBJECT_W}, 10);
        Strings subjects;
        for (ULONG i = 0; i < rows->cRows; ++i)
            subjects.push_back(EncodeUtf8(rows->aRow[i].lpProps[0].Value.lpszW));
        EXPECT_EQ(subjects, (Strings{"z", "a", "b", "c"})) << "pass " << pass;
    }
}

TEST_F(MapiSessionTest, ListedPlaceFollowsEachFlagChange) {
    const auto inbox = LogonToMail({{"9.y.host,U=3:2,F", Mail("t")}});
    MaildirFixture::AddMessage(inbox, "new", "8.x.host", Mail("s"));
    ASSERT_EQ(Contents(OpenInbox().get()).size(), 2u);  // the listing remembers where each lies
    for (const std::string unique : {"8.x.host", "9.y.host"}) {
        ComPtr<IMessage> message = Open<IMessage>(MessageId(unique));
        ASSERT_TRUE(message) << unique;
        for (ULONG flags : {ULONG{MSGFLAG_READ}, ULONG{0}, ULONG{MSGFLAG_READ}}) {
            // Only the read bit is stored.
            EXPECT_EQ(SetLong(message.get(), PR_MESSAGE_FLAGS, flags | MSGFLAG_HASATTACH), S_OK);
            EXPECT_EQ(LongProp(message.get(), PR_MESSAGE_FLAGS).value_or(~0u) & MSGFLAG_READ, flags)
                << unique;
        }
    }
    EXPECT_TRUE(MaildirFixture::Files(inbox, "new").empty());
    EXPECT_EQ(MaildirFixture::Files(inbox, "cur"), (Strings{"8.x.host:2,S", "9.y.host,U=3:2,FS"}));
}

TEST_F(MapiSessionTest, DownloadWordAndPartialStatusLiveInTheSideFile) {
    const auto inbox = LogonToMail({{"9.x:2,", Mail("s")}});
    {
        ComPtr<IMessage> message = Open<IMessage>(MessageId("9.x"));
        SPropValue values[2]{};
        values[0].ulPropTag = PR_CE_MSG_DOWNLOAD_STATE;
        values[0].Value.ul = 0x00080003;
        values[1].ulPropTag = PR_MSG_STATUS;
        values[1].Value.ul = MSGSTATUS_PARTIAL | 0x4;  // only the partial bits are kept
        EXPECT_EQ(message->SetProps(2, values, nullptr), S_OK);
    }
    ComPtr<IMessage> message = Open<IMessage>(MessageId("9.x"));
    EXPECT_EQ(LongProp(message.get(), PR_CE_MSG_DOWNLOAD_STATE), 0x00080003u);
    EXPECT_EQ(LongProp(message.get(), PR_MSG_STATUS),
              MSGSTATUS_PARTIAL | MSGSTATUS_REMOTE_DOWNLOAD);
    // A damaged side file is not trusted: it reads as empty and is rewritten whole.
    MaildirFixture::WriteFile(inbox / kSideFileName, "velora-state 1\n00080003\t00100000\t9.x\n");
    EXPECT_EQ(LongProp(message.get(), PR_CE_MSG_DOWNLOAD_STATE), 0u);
    EXPECT_EQ(SetLong(message.get(), PR_CE_MSG_DOWNLOAD_STATE, 0x01680000), S_OK);
    EXPECT_EQ(ParseSideFile(FormatSideFile(LoadSideFile(inbox))).size(), 1u);
    EXPECT_EQ(LongProp(message.get(), PR_MSG_STATUS), MSGSTATUS_REMOTE_DOWNLOAD);
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
    EXPECT_EQ(Subjects(folder.get()), Strings{"stay"});
    const auto trashFiles = MaildirFixture::Files(inbox / ".Trash", "cur");
    ASSERT_EQ(trashFiles.size(), 1u);
    EXPECT_TRUE(trashFiles[0].ends_with(":2,RSa"));
    EXPECT_FALSE(trashFiles[0].starts_with("1.x"));
    const auto trash = Contents(OpenSpecial(OpenStore(0).get(), PR_IPM_WASTEBASKET_ENTRYID).get());
    ASSERT_EQ(trash.size(), 1u);
    EXPECT_EQ(trash[0].subject, "bye");
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
    EXPECT_EQ(ReadStream(message.get(), PR_CE_MIME_TEXT), raw);
    ComPtr<IMessage> html = Open<IMessage>(MessageId("2.x"));
    HRESULT result = S_OK;
    ReadStream(html.get(), PR_BODY_W, &result);
    EXPECT_EQ(result, MAPI_E_NOT_FOUND);  // no HTML to text installed
    EXPECT_EQ(ReadStream(html.get(), PR_CE_MIME_TEXT), htmlOnly);
    services_.Get<PlainBodyConversion>().htmlToPlainText = [](std::u16string_view text) {
        return std::optional(u"~" + std::u16string(text));
    };
    const std::string converted = ReadStream(html.get(), PR_BODY_W);
    EXPECT_EQ(Utf16(converted), u"~<p>only html</p>\n");
}

TEST_F(MapiSessionTest, GetPropsMarksMissingPropertiesAsErrors) {
    LogonToMail({{"1.x:2,", "X-Nothing: here\n\nbody\n"}});
    ComPtr<IMessage> message = Open<IMessage>(MessageId("1.x"));
    const ULONG tags[] = {PR_SUBJECT_W, PR_MESSAGE_FLAGS, PR_BODY_W};
    const SPropTagArray array{3, tags};
    ULONG count = 0;
    MapiBuffer<SPropValue> owner;
    EXPECT_EQ(message->GetProps(&array, MAPI_UNICODE, &count, owner.put()), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 3u);
    const SPropValue* values = owner.get();
    EXPECT_EQ(values[0].ulPropTag, CHANGE_PROP_TYPE(PR_SUBJECT_W, PT_ERROR));
    EXPECT_EQ(values[0].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(values[1].ulPropTag, PR_MESSAGE_FLAGS);
    EXPECT_EQ(values[2].ulPropTag, CHANGE_PROP_TYPE(PR_BODY_W, PT_ERROR));
}

// Blocks linked to an owner come zeroed, aligned and apart from each other, and go with the owner.
TEST(MapiMemoryTest, MoreBlocksAreFreedWithTheirOwner) {
    void* owner = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(16, &owner), S_OK);
    std::memset(owner, 0xCD, 16);
    std::vector<std::pair<unsigned char*, ULONG>> blocks;
    for (ULONG size : {100u, 1u, 0u, 300u, 100u, 5000u, 7u}) {
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
    for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<unsigned char*>(owner)[i], 0xCD);
    void* orphan = nullptr;
    EXPECT_EQ(MAPIAllocateMore(8, nullptr, &orphan), E_INVALIDARG);
    MAPIFreeBuffer(owner);  // ASan would report a leak or double free here
    MAPIFreeBuffer(nullptr);
    FreeProws(nullptr);
}

TEST(MapiLogonTest, LogonNeedsMapiInitialize) {
    const ProgramServices services;  // no other test's initialisation counts
    ComPtr<IMAPISession> session;
    EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, session.put()), MAPI_E_NOT_INITIALIZED);
    EXPECT_EQ(session, nullptr);
}

}  // namespace
}  // namespace velora::platform
