// The CE MAPI stand-in seen through its interfaces, over Maildir fixtures.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <cstring>
#include <iterator>

#include "harness/maildir_fixture.h"
#include "platform/base/program_services.h"
#include "platform/base/text_codec.h"
#include "platform/maildir/folder_index.h"
#include "platform/maildir/plain_body.h"
#include "platform/maildir/side_file.h"
#include "platform/mapi/com_ptr.h"
#include "platform/mapi/entry_id.h"

namespace velora::platform {
namespace {

using testing::MaildirFixture;

std::vector<std::uint8_t> Bytes(const SBinary& binary) {
    return {binary.lpb, binary.lpb + binary.cb};
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

    template <typename T>
    ComPtr<T> Open(const std::vector<std::uint8_t>& id, HRESULT* result = nullptr) {
        ComPtr<IUnknown> object;
        const HRESULT opened = session_->OpenEntry(static_cast<ULONG>(id.size()), id.data(),
                                                   nullptr, MAPI_MODIFY, nullptr, object.put());
        if (result != nullptr) *result = opened;
        return InterfaceCast<T>(std::move(object));
    }

    static std::vector<std::uint8_t> BinaryProp(IMAPIProp* object, ULONG tag) {
        const ULONG tags[] = {tag};
        const SPropTagArray array{1, tags};
        ULONG count = 0;
        MapiBuffer<SPropValue> values;
        EXPECT_TRUE(SUCCEEDED(object->GetProps(&array, MAPI_UNICODE, &count, values.put())));
        if (!values || values->ulPropTag != tag) return {};
        return Bytes(values->Value.bin);
    }

    static std::optional<ULONG> LongProp(IMAPIProp* object, ULONG tag) {
        const ULONG tags[] = {tag};
        const SPropTagArray array{1, tags};
        ULONG count = 0;
        MapiBuffer<SPropValue> values;
        if (FAILED(object->GetProps(&array, MAPI_UNICODE, &count, values.put())) || !values ||
            values->ulPropTag != tag)
            return std::nullopt;
        return values->Value.ul;
    }

    ComPtr<IMAPIFolder> OpenSpecial(IMsgStore* store, ULONG tag) {
        return Open<IMAPIFolder>(BinaryProp(store, tag));
    }

    ComPtr<IMsgStore> OpenStore(ULONG index) {
        return Open<IMsgStore>(EncodeEntryId({EntryKind::Store, index, {}, {}}));
    }

    struct ListedRow {
        std::vector<std::uint8_t> entryId;
        std::string subject;  // "<absent>" when missing
        std::string sender;
        ULONG flags = 0;
        std::uint64_t time = 0;
        ULONG status = 0;
    };

    static std::vector<ListedRow> Contents(IMAPIFolder* folder) {
        ComPtr<IMAPITable> table;
        EXPECT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
        static constexpr ULONG kTags[] = {PR_ENTRYID,
                                          PR_SUBJECT_W,
                                          PR_SENDER_NAME_W,
                                          PR_MESSAGE_FLAGS,
                                          PR_MESSAGE_DELIVERY_TIME,
                                          PR_MSG_STATUS};
        const SPropTagArray columns{6, kTags};
        EXPECT_EQ(table->SetColumns(&columns, 0), S_OK);
        static constexpr SSortOrder kOrder[] = {{PR_MESSAGE_DELIVERY_TIME, TABLE_SORT_DESCEND}};
        const SSortOrderSet order{1, 0, 0, kOrder};
        EXPECT_EQ(table->SortTable(&order, 0), S_OK);
        std::vector<ListedRow> listed;
        while (true) {
            RowSet rows;
            EXPECT_EQ(table->QueryRows(10, 0, rows.put()), S_OK);
            for (ULONG i = 0; i < rows->cRows; ++i) {
                const SPropValue* v = rows->aRow[i].lpProps;
                ListedRow row;
                row.entryId = Bytes(v[0].Value.bin);
                row.subject =
                    v[1].ulPropTag == PR_SUBJECT_W ? EncodeUtf8(v[1].Value.lpszW) : "<absent>";
                row.sender =
                    v[2].ulPropTag == PR_SENDER_NAME_W ? EncodeUtf8(v[2].Value.lpszW) : "<absent>";
                row.flags = v[3].Value.ul;
                row.time = FileTimeValue(v[4].Value.ft);
                row.status = v[5].Value.ul;
                listed.push_back(row);
            }
            if (rows->cRows < 10) break;
        }
        return listed;
    }

    static std::vector<std::string> Subjects(IMAPIFolder* folder) {
        std::vector<std::string> subjects;
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
        static constexpr ULONG kTags[] = {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_SUBFOLDERS,
                                          PR_CONTENT_COUNT};
        const SPropTagArray columns{4, kTags};
        EXPECT_EQ(table->SetColumns(&columns, 0), S_OK);
        RowSet rows;
        EXPECT_EQ(table->QueryRows(100, 0, rows.put()), S_OK);
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

TEST_F(MapiSessionTest, StoresTableListsStoresInOrder) {
    fixture_.MakeMaildir("one");
    fixture_.MakeMaildir("two/INBOX");
    Logon({{u"One", fixture_.Root() / "one", ""}, {u"Two.DEFAULT", fixture_.Root() / "two", ""}});
    ComPtr<IMAPITable> table;
    ASSERT_EQ(session_->GetMsgStoresTable(MAPI_UNICODE, table.put()), S_OK);
    static constexpr ULONG kTags[] = {PR_ENTRYID, PR_DISPLAY_NAME_W};
    const SPropTagArray columns{2, kTags};
    ASSERT_EQ(table->SetColumns(&columns, 0), S_OK);
    RowSet rows;
    ASSERT_EQ(table->QueryRows(10, 0, rows.put()), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(std::u16string(rows->aRow[0].lpProps[1].Value.lpszW), u"One");
    EXPECT_EQ(std::u16string(rows->aRow[1].lpProps[1].Value.lpszW), u"Two.DEFAULT");
    HRESULT result = E_FAIL;
    ComPtr<IMsgStore> store = Open<IMsgStore>(Bytes(rows->aRow[1].lpProps[0].Value.bin), &result);
    ASSERT_EQ(result, S_OK);
    ASSERT_TRUE(store);
    // Every special folder opens, the missing ones as empty folders.
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
    fixture_.MakeMaildir("mail/.Drafts");
    MaildirFixture::AddMessage(
        inbox, "cur", "1.a.host:2,S",
        MaildirFixture::Message("Ann <ann@example.org>", "old", "Mon, 1 Jan 2024 10:00:00 +0000"));
    MaildirFixture::AddMessage(
        inbox, "new", "2.b.host",
        MaildirFixture::Message("me@example.org", "new", "Tue, 2 Jan 2024 10:00:00 +0000"));
    MaildirFixture::AddMessage(
        inbox, "cur", "3.c.host:2,",
        MaildirFixture::Message(
            "=?utf-8?q?Zo=C3=AB?= <zoe@example.org>",
            "=?iso-8859-1?q?caf=E9?=", "Wed, 3 Jan 2024 10:00:00 +0000",
            "--b\nContent-Type: text/plain\n\nhi\n--b\nContent-Type: application/pdf\n\nx\n--b--\n",
            "Content-Type: multipart/mixed; boundary=b\n"));
    MaildirFixture::AddMessage(
        inbox / ".Drafts", "cur", "4.d.host:2,S",
        MaildirFixture::Message("me@example.org", "draft", "Thu, 4 Jan 2024 10:00:00 +0000"));
    Logon({{u"Mail", inbox, "ME@example.org"}});
    ComPtr<IMsgStore> store = OpenStore(0);
    ComPtr<IMAPIFolder> folder = OpenSpecial(store.get(), PR_CE_IPM_INBOX_ENTRYID);
    const auto rows = Contents(folder.get());
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
    ComPtr<IMAPIFolder> drafts = OpenSpecial(store.get(), PR_CE_IPM_DRAFTS_ENTRYID);
    const auto draftRows = Contents(drafts.get());
    ASSERT_EQ(draftRows.size(), 1u);
    EXPECT_EQ(draftRows[0].flags, MSGFLAG_READ | MSGFLAG_FROMME | MSGFLAG_UNSENT);
}

TEST_F(MapiSessionTest, DeliveryTimeFromReceivedThenDateThenFile) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(
        inbox, "cur", "1.x:2,",
        MaildirFixture::Message("a@b", "received", "Mon, 1 Jan 2024 10:00:00 +0000", "x\n",
                                "Received: from a by b;\n Tue, 2 Jan 2024 12:30:00 +0100\n"
                                "Received: from c by d; Fri, 5 Jan 2024 00:00:00 +0000\n"));
    MaildirFixture::AddMessage(
        inbox, "cur", "2.x:2,",
        MaildirFixture::Message("a@b", "date", "Sat, 6 Jan 2024 00:00:00 -0200"));
    const auto undated = MaildirFixture::AddMessage(inbox, "cur", "3.x:2,",
                                                    MaildirFixture::Message("a@b", "file", ""));
    const timeval times[2] = {{1700000000, 0}, {1700000000, 0}};  // 2023-11-14 22:13:20 UTC
    ASSERT_EQ(::utimes(undated.c_str(), times), 0);
    Logon({{u"Mail", inbox, ""}});
    ComPtr<IMAPIFolder> folder = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
    const auto rows = Contents(folder.get());
    ASSERT_EQ(rows.size(), 3u);
    auto unixSeconds = [](std::uint64_t ticks) {
        return static_cast<std::int64_t>(ticks / kFileTimeTicksPerSecond) -
               kFileTimeUnixEpochSeconds;
    };
    EXPECT_EQ(rows[0].subject, "date");
    EXPECT_EQ(unixSeconds(rows[0].time), 1704506400);  // 2024-01-06 02:00 UTC
    EXPECT_EQ(rows[1].subject, "received");
    EXPECT_EQ(unixSeconds(rows[1].time), 1704195000);  // 2024-01-02 11:30 UTC (the first Received)
    EXPECT_EQ(rows[2].subject, "file");
    EXPECT_EQ(unixSeconds(rows[2].time), 1700000000);
}

TEST_F(MapiSessionTest, FolderTreeRootedAtInboxInBothLayouts) {
    // Maildir++: the root is the Inbox; dotted folders nest; specials, Junk and Spam stay out.
    const auto plus = fixture_.MakeMaildir("plus");
    for (const char* name :
         {".Work", ".Work.Projects", ".Archive.2023", ".Trash", ".Sent", ".Junk", ".Drafts"}) {
        fixture_.MakeMaildir(std::string("plus/") + name);
    }
    MaildirFixture::AddMessage(plus / ".Work.Projects", "cur", "1.x:2,",
                               MaildirFixture::Message("a@b", "p", ""));
    // mbsync: INBOX beside nested folders.
    fixture_.MakeMaildir("sync/INBOX");
    for (const char* name : {"Lists", "Lists/Qt", "Deleted Items", "Spam"}) {
        fixture_.MakeMaildir(std::string("sync/") + name);
    }
    Logon({{u"Plus", plus, ""}, {u"Sync", fixture_.Root() / "sync", ""}});

    ComPtr<IMAPIFolder> inbox = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
    auto top = Hierarchy(inbox.get());
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].name, "Archive");  // exists only as the parent of .Archive.2023
    EXPECT_TRUE(top[0].subfolders);
    EXPECT_EQ(top[1].name, "Work");
    EXPECT_TRUE(top[1].subfolders);
    ComPtr<IMAPIFolder> work = Open<IMAPIFolder>(top[1].entryId);
    ASSERT_TRUE(work);
    auto below = Hierarchy(work.get());
    ASSERT_EQ(below.size(), 1u);
    EXPECT_EQ(below[0].name, "Projects");
    EXPECT_EQ(below[0].count, 1u);
    EXPECT_FALSE(below[0].subfolders);
    ComPtr<IMAPIFolder> archive = Open<IMAPIFolder>(top[0].entryId);
    ASSERT_TRUE(archive);
    EXPECT_TRUE(Contents(archive.get()).empty());
    EXPECT_EQ(Hierarchy(archive.get()).size(), 1u);

    ComPtr<IMsgStore> sync = OpenStore(1);
    ComPtr<IMAPIFolder> syncInbox = OpenSpecial(sync.get(), PR_CE_IPM_INBOX_ENTRYID);
    top = Hierarchy(syncInbox.get());
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].name, "Lists");
    EXPECT_EQ(BinaryProp(sync.get(), PR_IPM_WASTEBASKET_ENTRYID),
              EncodeEntryId({EntryKind::Folder, 1, "Deleted Items", {}}));
}

TEST_F(MapiSessionTest, EntryIdsThatEscapeAreRefused) {
    const auto inbox = fixture_.MakeMaildir("store/mail");
    fixture_.MakeMaildir("outside");
    MaildirFixture::AddMessage(fixture_.Root() / "outside", "cur", "secret:2,",
                               "Subject: secret\n\nx\n");
    std::filesystem::create_directory_symlink(fixture_.Root() / "outside", inbox / ".Link");
    std::filesystem::create_directory_symlink(fixture_.Root() / "outside", inbox / ".Trash");
    MaildirFixture::AddMessage(inbox, "cur", "1.x:2,", "Subject: mine\n\nx\n");
    ::testing::internal::CaptureStderr();
    Logon({{u"Mail", inbox, ""}});
    // A Trash that leads out of the store counts as missing: it opens empty and takes nothing.
    ComPtr<IMsgStore> store = OpenStore(0);
    ComPtr<IMAPIFolder> trash = OpenSpecial(store.get(), PR_IPM_WASTEBASKET_ENTRYID);
    ASSERT_TRUE(trash);
    EXPECT_TRUE(Contents(trash.get()).empty());
    auto mine = EncodeEntryId({EntryKind::Message, 0, "", "1.x"});
    SBinary binary{static_cast<ULONG>(mine.size()), mine.data()};
    const ENTRYLIST list{1, &binary};
    EXPECT_EQ(
        OpenSpecial(store.get(), PR_CE_IPM_INBOX_ENTRYID)->DeleteMessages(&list, 0, nullptr, 0),
        MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(MaildirFixture::Files(fixture_.Root() / "outside", "cur"),
              std::vector<std::string>{"secret:2,"});
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(".Trash leads outside"),
              std::string::npos);
    using namespace std::string_literals;
    const std::vector<std::string> refused = {
        "VLR1F0\0.."s,
        "VLR1F0\0../../outside"s,
        "VLR1M0\0..\0secret"s,
        "VLR1F0\0.Link"s,  // a symbolic link out of the store
        "VLR1M0\0.Link\0secret"s,
        "VLR1S1"s,  // no such store
        "garbage"s,
    };
    for (const std::string& text : refused) {
        HRESULT result = S_OK;
        ComPtr<IUnknown> object =
            Open<IUnknown>(std::vector<std::uint8_t>(text.begin(), text.end()), &result);
        EXPECT_FALSE(object) << text;
        EXPECT_EQ(result, MAPI_E_INVALID_ENTRYID) << text;
    }
    HRESULT result = S_OK;
    EXPECT_FALSE(Open<IMessage>(EncodeEntryId({EntryKind::Message, 0, "", "missing"}), &result));
    EXPECT_EQ(result, MAPI_E_NOT_FOUND);
    // A folder inside the store whose cur/ is a link out of it lists nothing and opens nothing.
    std::filesystem::create_directories(inbox / ".Evil" / "new");
    std::filesystem::create_directory_symlink(fixture_.Root() / "outside" / "cur",
                                              inbox / ".Evil" / "cur");
    ComPtr<IMAPIFolder> evil =
        Open<IMAPIFolder>(EncodeEntryId({EntryKind::Folder, 0, ".Evil", {}}));
    ASSERT_TRUE(evil);
    EXPECT_TRUE(Contents(evil.get()).empty());
    EXPECT_FALSE(
        Open<IMessage>(EncodeEntryId({EntryKind::Message, 0, ".Evil", "secret"}), &result));
    EXPECT_EQ(result, MAPI_E_NOT_FOUND);
}

TEST_F(MapiSessionTest, MessageFoundAgainAfterAnotherProgramRenamedIt) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(inbox, "new", "77.x.host",
                               MaildirFixture::Message("a@b", "moved", ""));
    Logon({{u"Mail", inbox, ""}});
    ComPtr<IMAPIFolder> folder = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
    const auto rows = Contents(folder.get());
    ASSERT_EQ(rows.size(), 1u);
    // A mail client reads it and a sync tool adds its own part.
    std::filesystem::rename(inbox / "new" / "77.x.host", inbox / "cur" / "77.x.host,U=9:2,FS");
    ComPtr<IMessage> message = Open<IMessage>(rows[0].entryId);
    ASSERT_TRUE(message);
    EXPECT_EQ(LongProp(message.get(), PR_MESSAGE_FLAGS), MSGFLAG_READ);
    SPropValue unread{};
    unread.ulPropTag = PR_MESSAGE_FLAGS;
    unread.Value.ul = 0;
    EXPECT_EQ(message->SetProps(1, &unread, nullptr), S_OK);
    EXPECT_EQ(MaildirFixture::Files(inbox, "cur"), std::vector<std::string>{"77.x.host,U=9:2,F"});
    EXPECT_EQ(ReadStream(message.get(), PR_BODY_W),
              std::string(reinterpret_cast<const char*>(u"Hello.\n"), 14));
}

TEST_F(MapiSessionTest, UnsortedTableByUniqueNameAndEqualTimesTieOnIt) {
    const auto inbox = fixture_.MakeMaildir("mail");
    const std::string sameDate = "Mon, 1 Jan 2024 10:00:00 +0000";
    MaildirFixture::AddMessage(inbox, "cur", "30.c:2,S",
                               MaildirFixture::Message("a@b", "c", sameDate));
    MaildirFixture::AddMessage(inbox, "new", "10.a", MaildirFixture::Message("a@b", "a", sameDate));
    MaildirFixture::AddMessage(inbox, "cur", "20.b,U=4:2,",
                               MaildirFixture::Message("a@b", "b", sameDate));
    MaildirFixture::AddMessage(
        inbox, "cur", "05.z:2,",
        MaildirFixture::Message("a@b", "z", "Sun, 31 Dec 2023 10:00:00 +0000"));
    Logon({{u"Mail", inbox, ""}});
    ComPtr<IMAPIFolder> folder = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
    // Newest first; the three of one time in unique-name order.
    EXPECT_EQ(Subjects(folder.get()), (std::vector<std::string>{"a", "b", "c", "z"}));
    // Without SortTable the rows come in unique-name order, twice over one table.
    ComPtr<IMAPITable> table;
    ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    static constexpr ULONG kTags[] = {PR_SUBJECT_W};
    const SPropTagArray columns{1, kTags};
    ASSERT_EQ(table->SetColumns(&columns, 0), S_OK);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
        RowSet rows;
        ASSERT_EQ(table->QueryRows(10, 0, rows.put()), S_OK);
        std::vector<std::string> subjects;
        for (ULONG i = 0; i < rows->cRows; ++i)
            subjects.push_back(EncodeUtf8(rows->aRow[i].lpProps[0].Value.lpszW));
        EXPECT_EQ(subjects, (std::vector<std::string>{"z", "a", "b", "c"})) << "pass " << pass;
    }
}

TEST_F(MapiSessionTest, ListedPlaceFollowsEachFlagChange) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(inbox, "new", "8.x.host", MaildirFixture::Message("a@b", "s", ""));
    MaildirFixture::AddMessage(inbox, "cur", "9.y.host,U=3:2,F",
                               MaildirFixture::Message("a@b", "t", ""));
    Logon({{u"Mail", inbox, ""}});
    ComPtr<IMAPIFolder> folder = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
    ASSERT_EQ(Contents(folder.get()).size(), 2u);  // the listing remembers where each file lies
    for (const std::string unique : {"8.x.host", "9.y.host"}) {
        ComPtr<IMessage> message =
            Open<IMessage>(EncodeEntryId({EntryKind::Message, 0, "", unique}));
        ASSERT_TRUE(message) << unique;
        for (ULONG flags : {ULONG{MSGFLAG_READ}, ULONG{0}, ULONG{MSGFLAG_READ}}) {
            SPropValue value{};
            value.ulPropTag = PR_MESSAGE_FLAGS;
            value.Value.ul = flags | MSGFLAG_HASATTACH;  // only the read bit is stored
            EXPECT_EQ(message->SetProps(1, &value, nullptr), S_OK) << unique << " " << flags;
            EXPECT_EQ(LongProp(message.get(), PR_MESSAGE_FLAGS).value_or(~0u) & MSGFLAG_READ, flags)
                << unique;
        }
    }
    EXPECT_TRUE(MaildirFixture::Files(inbox, "new").empty());
    EXPECT_EQ(MaildirFixture::Files(inbox, "cur"),
              (std::vector<std::string>{"8.x.host:2,S", "9.y.host,U=3:2,FS"}));
}

TEST_F(MapiSessionTest, IndexReleasedAfterListingChangesNothingSeen) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(
        inbox, "new", "1.a",
        MaildirFixture::Message("a@b", "one", "Mon, 1 Jan 2024 10:00:00 +0000"));
    MaildirFixture::AddMessage(
        inbox, "cur", "2.b:2,S",
        MaildirFixture::Message("a@b", "two", "Tue, 2 Jan 2024 10:00:00 +0000"));
    Profile().indexUse = FolderIndexUse::ReleasedAfterListing;
    Logon({{u"Mail", inbox, ""}});
    Profile().indexUse = FolderIndexUse::Kept;  // the stores made at logon keep their use
    ComPtr<IMAPIFolder> folder = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
    const auto first = Contents(folder.get());
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(Subjects(folder.get()),
              (std::vector<std::string>{"two", "one"}));  // again, from the cache file
    // Without the index the message is found by looking at the folder.
    std::filesystem::rename(inbox / "new" / "1.a", inbox / "cur" / "1.a:2,F");
    ComPtr<IMessage> message = Open<IMessage>(first[1].entryId);
    ASSERT_TRUE(message);
    SPropValue read{};
    read.ulPropTag = PR_MESSAGE_FLAGS;
    read.Value.ul = MSGFLAG_READ;
    EXPECT_EQ(message->SetProps(1, &read, nullptr), S_OK);
    EXPECT_EQ(MaildirFixture::Files(inbox, "cur"),
              (std::vector<std::string>{"1.a:2,FS", "2.b:2,S"}));
    const auto after = Contents(folder.get());
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].subject, "one");
    EXPECT_EQ(after[1].flags & MSGFLAG_READ, ULONG{MSGFLAG_READ});
}

TEST_F(MapiSessionTest, DownloadWordAndPartialStatusLiveInTheSideFile) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(inbox, "cur", "9.x:2,", MaildirFixture::Message("a@b", "s", ""));
    Logon({{u"Mail", inbox, ""}});
    const auto id = EncodeEntryId({EntryKind::Message, 0, "", "9.x"});
    {
        ComPtr<IMessage> message = Open<IMessage>(id);
        SPropValue values[2]{};
        values[0].ulPropTag = PR_CE_MSG_DOWNLOAD_STATE;
        values[0].Value.ul = 0x00080003;
        values[1].ulPropTag = PR_MSG_STATUS;
        values[1].Value.ul = MSGSTATUS_PARTIAL | 0x4;  // only the partial bits are kept
        EXPECT_EQ(message->SetProps(2, values, nullptr), S_OK);
    }
    ComPtr<IMessage> message = Open<IMessage>(id);
    EXPECT_EQ(LongProp(message.get(), PR_CE_MSG_DOWNLOAD_STATE), 0x00080003u);
    EXPECT_EQ(LongProp(message.get(), PR_MSG_STATUS),
              MSGSTATUS_PARTIAL | MSGSTATUS_REMOTE_DOWNLOAD);
    // A damaged side file is not trusted: it reads as empty and is rewritten whole.
    MaildirFixture::WriteFile(inbox / kSideFileName, "velora-state 1\n00080003\t00100000\t9.x\n");
    EXPECT_EQ(LongProp(message.get(), PR_CE_MSG_DOWNLOAD_STATE), 0u);
    SPropValue value{};
    value.ulPropTag = PR_CE_MSG_DOWNLOAD_STATE;
    value.Value.ul = 0x01680000;
    EXPECT_EQ(message->SetProps(1, &value, nullptr), S_OK);
    EXPECT_EQ(ParseSideFile(FormatSideFile(LoadSideFile(inbox))).size(), 1u);
    EXPECT_EQ(LongProp(message.get(), PR_MSG_STATUS), MSGSTATUS_REMOTE_DOWNLOAD);
}

TEST_F(MapiSessionTest, DeleteMovesToTrashUnderAFreshName) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(inbox, "cur", "1.x:2,RSa",
                               MaildirFixture::Message("a@b", "bye", ""));
    MaildirFixture::AddMessage(inbox, "cur", "2.x:2,", MaildirFixture::Message("a@b", "stay", ""));
    MaildirFixture::WriteFile(inbox / kSideFileName, FormatSideFile({{"1.x", {0x01680000, 0}}}));
    Logon({{u"Mail", inbox, ""}});
    ComPtr<IMsgStore> store = OpenStore(0);
    ComPtr<IMAPIFolder> folder = OpenSpecial(store.get(), PR_CE_IPM_INBOX_ENTRYID);
    auto id = EncodeEntryId({EntryKind::Message, 0, "", "1.x"});
    SBinary binary{static_cast<ULONG>(id.size()), id.data()};
    const ENTRYLIST list{1, &binary};
    EXPECT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    EXPECT_EQ(Subjects(folder.get()), std::vector<std::string>{"stay"});
    const auto trashFiles = MaildirFixture::Files(inbox / ".Trash", "cur");
    ASSERT_EQ(trashFiles.size(), 1u);
    EXPECT_TRUE(trashFiles[0].ends_with(":2,RSa"));
    EXPECT_FALSE(trashFiles[0].starts_with("1.x"));
    ComPtr<IMAPIFolder> trash = OpenSpecial(store.get(), PR_IPM_WASTEBASKET_ENTRYID);
    const auto trashRows = Contents(trash.get());
    ASSERT_EQ(trashRows.size(), 1u);
    EXPECT_EQ(trashRows[0].subject, "bye");
    EXPECT_EQ(trashRows[0].status, MSGSTATUS_REMOTE_DOWNLOAD);  // the download word went along
    // Gone from the Inbox: deleting again reports the problem and changes nothing.
    EXPECT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), MAPI_W_ERRORS_RETURNED);
}

TEST_F(MapiSessionTest, HeaderCacheReadsOnlyChangedFilesAndRebuildsWhenDamaged) {
    const auto inbox = fixture_.MakeMaildir("mail");
    const auto file = MaildirFixture::AddMessage(inbox, "cur", "1.x:2,",
                                                 MaildirFixture::Message("a@b", "AAAA", ""));
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    Logon({{u"Mail", inbox, ""}});
    {
        ComPtr<IMAPIFolder> folder = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
        EXPECT_EQ(Subjects(folder.get()), std::vector<std::string>{"AAAA"});
    }
    // Same size and time: the cached header is used, the file is not read again.
    MaildirFixture::WriteFile(file, MaildirFixture::Message("a@b", "BBBB", ""));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    const auto reopen = [&] {
        session_.reset();
        return Logon({{u"Mail", inbox, ""}});
    };
    reopen();
    ComPtr<IMAPIFolder> folder = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
    EXPECT_EQ(Subjects(folder.get()), std::vector<std::string>{"AAAA"});
    // A damaged cache file is ignored and rebuilt from the files.
    const auto cacheDirectory = fixture_.Root() / "cache" / "velora";
    ASSERT_TRUE(std::filesystem::exists(cacheDirectory));
    for (const auto& entry : std::filesystem::directory_iterator(cacheDirectory)) {
        std::string bytes;
        {
            std::ifstream in(entry.path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        bytes[bytes.size() / 2] ^= 0x55;
        MaildirFixture::WriteFile(entry.path(), bytes);
    }
    folder.reset();
    reopen();
    folder = OpenSpecial(OpenStore(0).get(), PR_CE_IPM_INBOX_ENTRYID);
    EXPECT_EQ(Subjects(folder.get()), std::vector<std::string>{"BBBB"});
}

TEST_F(MapiSessionTest, StreamsGiveFirstPlainPartAndRawBytes) {
    const auto inbox = fixture_.MakeMaildir("mail");
    const std::string raw =
        "From: a@b\nSubject: parts\nMIME-Version: 1.0\nContent-Type: multipart/mixed; "
        "boundary=xx\n\n"
        "--xx\nContent-Type: text/html\n\n<p>html</p>\n"
        "--xx\nContent-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: "
        "quoted-printable\n\n"
        "Gr=FC=DFe\n"
        "--xx--\n";
    MaildirFixture::AddMessage(inbox, "cur", "1.x:2,", raw);
    const std::string htmlOnly = "From: a@b\nContent-Type: text/html\n\n<p>only html</p>\n";
    MaildirFixture::AddMessage(inbox, "cur", "2.x:2,", htmlOnly);
    Logon({{u"Mail", inbox, ""}});
    ComPtr<IMessage> message = Open<IMessage>(EncodeEntryId({EntryKind::Message, 0, "", "1.x"}));
    ASSERT_TRUE(message);
    const std::string body = ReadStream(message.get(), PR_BODY_W);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(body.data()), body.size() / 2),
              u"Grüße");  // the line end before a boundary belongs to it
    EXPECT_EQ(ReadStream(message.get(), PR_CE_MIME_TEXT), raw);
    ComPtr<IMessage> html = Open<IMessage>(EncodeEntryId({EntryKind::Message, 0, "", "2.x"}));
    HRESULT result = S_OK;
    ReadStream(html.get(), PR_BODY_W, &result);
    EXPECT_EQ(result, MAPI_E_NOT_FOUND);  // no HTML to text installed
    EXPECT_EQ(ReadStream(html.get(), PR_CE_MIME_TEXT), htmlOnly);
    services_.Get<PlainBodyConversion>().htmlToPlainText = [](std::u16string_view text) {
        return std::optional(u"~" + std::u16string(text));
    };
    const std::string converted = ReadStream(html.get(), PR_BODY_W);
    EXPECT_EQ(
        std::u16string(reinterpret_cast<const char16_t*>(converted.data()), converted.size() / 2),
        u"~<p>only html</p>\n");
}

TEST_F(MapiSessionTest, GetPropsMarksMissingPropertiesAsErrors) {
    const auto inbox = fixture_.MakeMaildir("mail");
    MaildirFixture::AddMessage(inbox, "cur", "1.x:2,", "X-Nothing: here\n\nbody\n");
    Logon({{u"Mail", inbox, ""}});
    ComPtr<IMessage> message = Open<IMessage>(EncodeEntryId({EntryKind::Message, 0, "", "1.x"}));
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
