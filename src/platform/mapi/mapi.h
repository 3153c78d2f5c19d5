#pragma once
// The desktop's CE MAPI: sessions, message stores, folders, tables, messages and streams over
// Maildir folders, offering the calls the mail and content code make with the semantics they rely
// on. Objects are reference counted as COM objects are: every interface pointer handed out holds
// one reference, which its receiver gives back with Release(). MAPI buffers (property values,
// row sets) come from MAPIAllocateBuffer and go back with MAPIFreeBuffer; row sets with FreeProws.
// com_ptr.h has the owners that do both. Every call's HRESULT is [[nodiscard]]: a caller checks it
// or says why it need not.
//
// Store layout (Maildir++ and mbsync), flags, side file and header cache: see
// platform/maildir/store.h.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/maildir/folder_index.h"
#include "platform/mapi/types.h"

namespace velora::platform {

// ---------------------------------------------------------------------------------------------
// Property tags: the type in the low 16 bits, the identifier in the high 16 bits.

inline constexpr ULONG PT_UNSPECIFIED = 0x0000;
inline constexpr ULONG PT_LONG = 0x0003;
inline constexpr ULONG PT_ERROR = 0x000A;
inline constexpr ULONG PT_BOOLEAN = 0x000B;
inline constexpr ULONG PT_UNICODE = 0x001F;
inline constexpr ULONG PT_SYSTIME = 0x0040;
inline constexpr ULONG PT_BINARY = 0x0102;

constexpr ULONG PROP_TYPE(ULONG tag) {
    return tag & 0xFFFFu;
}
constexpr ULONG PROP_ID(ULONG tag) {
    return tag >> 16;
}
constexpr ULONG PROP_TAG(ULONG type, ULONG id) {
    return (id << 16) | type;
}
constexpr ULONG CHANGE_PROP_TYPE(ULONG tag, ULONG type) {
    return (tag & 0xFFFF0000u) | type;
}

inline constexpr ULONG PR_ENTRYID = 0x0FFF0102;
inline constexpr ULONG PR_PARENT_ENTRYID = 0x0E090102;
inline constexpr ULONG PR_DISPLAY_NAME_W = 0x3001001F;
inline constexpr ULONG PR_SUBJECT_W = 0x0037001F;
inline constexpr ULONG PR_SENDER_NAME_W = 0x0C1A001F;
inline constexpr ULONG PR_SENDER_EMAIL_ADDRESS_W = 0x0C1F001F;
inline constexpr ULONG PR_MESSAGE_FLAGS = 0x0E070003;
inline constexpr ULONG PR_MESSAGE_DELIVERY_TIME = 0x0E060040;
inline constexpr ULONG PR_MESSAGE_SIZE = 0x0E080003;
inline constexpr ULONG PR_MSG_STATUS = 0x0E170003;
inline constexpr ULONG PR_BODY_W = 0x1000001F;
inline constexpr ULONG PR_SUBFOLDERS = 0x360A000B;
inline constexpr ULONG PR_CONTENT_COUNT = 0x36020003;
inline constexpr ULONG PR_CONTENT_UNREAD = 0x36030003;
inline constexpr ULONG PR_IPM_OUTBOX_ENTRYID = 0x35E20102;
inline constexpr ULONG PR_IPM_WASTEBASKET_ENTRYID = 0x35E30102;
inline constexpr ULONG PR_IPM_SENTMAIL_ENTRYID = 0x35E40102;
// The phone store's own properties.
inline constexpr ULONG PR_CE_MSG_DOWNLOAD_STATE = 0x81020003;  // per-message download-state word
inline constexpr ULONG PR_CE_MIME_TEXT = 0x81030102;           // the message's MIME source bytes
inline constexpr ULONG PR_CE_IPM_DRAFTS_ENTRYID = 0x81040102;
inline constexpr ULONG PR_CE_IPM_INBOX_ENTRYID = 0x81060102;

// PR_MESSAGE_FLAGS bits.
inline constexpr ULONG MSGFLAG_READ = 0x00000001;
inline constexpr ULONG MSGFLAG_UNMODIFIED = 0x00000002;
inline constexpr ULONG MSGFLAG_SUBMIT = 0x00000004;
inline constexpr ULONG MSGFLAG_UNSENT = 0x00000008;
inline constexpr ULONG MSGFLAG_HASATTACH = 0x00000010;
inline constexpr ULONG MSGFLAG_FROMME = 0x00000020;

// PR_MSG_STATUS bits.
inline constexpr ULONG MSGSTATUS_REMOTE_DOWNLOAD = 0x00001000;
inline constexpr ULONG MSGSTATUS_PARTIAL_DOWNLOAD = 0x00010000;  // only partly downloaded
inline constexpr ULONG MSGSTATUS_PARTIAL = 0x00100000;           // only partly downloaded
// The download-state bits that "Mark for Download" sets and clears together. While any of them
// is set, PR_MSG_STATUS carries MSGSTATUS_REMOTE_DOWNLOAD.
inline constexpr ULONG kDownloadStateMarkBits = 0x01680000;

// Call flags.
inline constexpr ULONG MAPI_MODIFY = 0x00000001;
inline constexpr ULONG MAPI_UNICODE = 0x80000000;
inline constexpr ULONG TABLE_SORT_ASCEND = 0x00000000;
inline constexpr ULONG TABLE_SORT_DESCEND = 0x00000001;

// Object types reported by OpenEntry.
inline constexpr ULONG MAPI_STORE = 1;
inline constexpr ULONG MAPI_FOLDER = 3;
inline constexpr ULONG MAPI_MESSAGE = 5;

using BOOKMARK = ULONG;
inline constexpr BOOKMARK BOOKMARK_BEGINNING = 0;
inline constexpr BOOKMARK BOOKMARK_CURRENT = 1;
inline constexpr BOOKMARK BOOKMARK_END = 2;

// ---------------------------------------------------------------------------------------------
// Values. Texts are NUL-terminated UTF-16; binaries are a byte count and the bytes.

struct SBinary {
    ULONG cb = 0;
    LPBYTE lpb = nullptr;
};

union PropValueData {
    LONG l;
    ULONG ul;
    std::uint16_t b;  // PT_BOOLEAN: non-zero is true
    FILETIME ft;
    char16_t* lpszW;
    SBinary bin;
    HRESULT err;  // PT_ERROR: why the property is missing (MAPI_E_NOT_FOUND)
};

struct SPropValue {
    ULONG ulPropTag = 0;
    ULONG dwAlignPad = 0;
    PropValueData Value{};
};

// A list of tags. The tags stay the caller's; the array is only read during the call.
struct SPropTagArray {
    ULONG cValues = 0;
    const ULONG* aulPropTag = nullptr;
};

struct SRow {
    ULONG ulAdrEntryPad = 0;
    ULONG cValues = 0;
    SPropValue* lpProps = nullptr;  // one MAPI buffer per row
};

// Rows returned by QueryRows; free with FreeProws (which frees every row's values too).
struct SRowSet {
    ULONG cRows = 0;
    SRow* aRow = nullptr;
};

struct SSortOrder {
    ULONG ulPropTag = 0;
    ULONG ulOrder = TABLE_SORT_ASCEND;
};

struct SSortOrderSet {
    ULONG cSorts = 0;
    ULONG cCategories = 0;
    ULONG cExpanded = 0;
    const SSortOrder* aSort = nullptr;
};

struct SPropProblem {
    ULONG ulIndex = 0;
    ULONG ulPropTag = 0;
    HRESULT scode = S_OK;
};

struct SPropProblemArray {
    ULONG cProblem = 0;
    SPropProblem* aProblem = nullptr;
};

// A list of entry IDs (the same layout as SBinaryArray).
struct ENTRYLIST {
    ULONG cValues = 0;
    SBinary* lpbin = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Interfaces.

class IUnknown {
  public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

  protected:
    virtual ~IUnknown() = default;
};

// An interface pointer of the wanted kind, or nullptr when the object is of another kind (for
// example an entry ID that names a folder where a message was expected). Takes no reference.
template <typename Interface>
Interface* InterfaceCast(IUnknown* object) {
    return dynamic_cast<Interface*>(object);
}

class IStream : public IUnknown {
  public:
    // Copies up to `cb` bytes into `pv`; `*pcbRead` (when given) gets the count. Fewer bytes than
    // asked for means the end was reached; S_OK with 0 bytes at the end.
    [[nodiscard]] virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
};

class IMAPIProp : public IUnknown {
  public:
    // One value per requested tag, in order, in one MAPI buffer (`*lppPropArray`, freed by the
    // caller with MAPIFreeBuffer). A property the object does not have comes back with the tag's
    // type changed to PT_ERROR and Value.err = MAPI_E_NOT_FOUND, and the call returns
    // MAPI_W_ERRORS_RETURNED. Texts are returned as UTF-16 whether or not MAPI_UNICODE is given.
    [[nodiscard]] virtual HRESULT GetProps(const SPropTagArray* lpPropTagArray, ULONG ulFlags,
                                           ULONG* lpcValues, SPropValue** lppPropArray) = 0;
    // Writes the values; the change is made at once (no SaveChanges). Properties that cannot be
    // written are listed in `*lppProblems` when asked for (free with MAPIFreeBuffer).
    [[nodiscard]] virtual HRESULT SetProps(ULONG cValues, const SPropValue* lpPropArray,
                                           SPropProblemArray** lppProblems) = 0;
    // Opens a property as a stream (`lpiid` = &IID_IStream); see IMessage for what is offered.
    [[nodiscard]] virtual HRESULT OpenProperty(ULONG ulPropTag, const IID* lpiid,
                                               ULONG ulInterfaceOptions, ULONG ulFlags,
                                               IUnknown** lppUnk) = 0;
};

class IMAPITable : public IUnknown {
  public:
    [[nodiscard]] virtual HRESULT SetColumns(const SPropTagArray* lpPropTagArray,
                                             ULONG ulFlags) = 0;
    // Contents tables sort by PR_MESSAGE_DELIVERY_TIME (either direction); other keys give
    // MAPI_E_TOO_COMPLEX. Rows of equal time keep file-name order.
    [[nodiscard]] virtual HRESULT SortTable(const SSortOrderSet* lpSortCriteria, ULONG ulFlags) = 0;
    [[nodiscard]] virtual HRESULT SeekRow(BOOKMARK bkOrigin, LONG lRowCount,
                                          LONG* lplRowsSought) = 0;
    // Up to lRowCount rows from the current position, with the columns set by SetColumns (a
    // missing property as a PT_ERROR value). An empty row set at the end.
    [[nodiscard]] virtual HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, SRowSet** lppRows) = 0;
    [[nodiscard]] virtual HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) = 0;
};

class IMAPIContainer : public IMAPIProp {
  public:
    // Messages of the folder. Columns offered: PR_ENTRYID, PR_SUBJECT_W, PR_SENDER_NAME_W,
    // PR_SENDER_EMAIL_ADDRESS_W, PR_MESSAGE_FLAGS, PR_MESSAGE_DELIVERY_TIME, PR_MESSAGE_SIZE,
    // PR_MSG_STATUS, PR_CE_MSG_DOWNLOAD_STATE, PR_PARENT_ENTRYID.
    [[nodiscard]] virtual HRESULT GetContentsTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
    // Folders directly below this one, siblings in name order. Columns offered: PR_ENTRYID,
    // PR_DISPLAY_NAME_W, PR_SUBFOLDERS, PR_CONTENT_COUNT, PR_CONTENT_UNREAD, PR_PARENT_ENTRYID.
    [[nodiscard]] virtual HRESULT GetHierarchyTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
};

// Folder properties: PR_ENTRYID, PR_PARENT_ENTRYID (not for the Inbox), PR_DISPLAY_NAME_W,
// PR_SUBFOLDERS, PR_CONTENT_COUNT, PR_CONTENT_UNREAD.
class IMAPIFolder : public IMAPIContainer {
  public:
    // Moves each listed message of this folder to the store's Trash under a fresh unique name
    // (nothing is lost; a message already in Trash stays). An entry ID of another folder or a
    // message that cannot be found gives MAPI_W_ERRORS_RETURNED after the others are moved.
    [[nodiscard]] virtual HRESULT DeleteMessages(const ENTRYLIST* lpMsgList, ULONG_PTR ulUIParam,
                                                 void* lpProgress, ULONG ulFlags) = 0;
};

// Message properties: PR_ENTRYID, PR_PARENT_ENTRYID, PR_SUBJECT_W, PR_SENDER_NAME_W,
// PR_SENDER_EMAIL_ADDRESS_W, PR_MESSAGE_FLAGS, PR_MESSAGE_DELIVERY_TIME, PR_MESSAGE_SIZE,
// PR_MSG_STATUS, PR_CE_MSG_DOWNLOAD_STATE.
// Writable: PR_MESSAGE_FLAGS (only MSGFLAG_READ takes effect: the Maildir S flag),
// PR_CE_MSG_DOWNLOAD_STATE (any value), PR_MSG_STATUS (only the two partial-download bits).
// Streams (OpenProperty with IID_IStream): PR_BODY_W, the first text/plain part of the message,
// transfer-decoded and converted from its charset, as UTF-16 code units in native byte order
// without terminator (MAPI_E_NOT_FOUND when the message has no text/plain part);
// PR_CE_MIME_TEXT, the raw bytes of the message file.
class IMessage : public IMAPIProp {};

// Store properties: PR_ENTRYID, PR_DISPLAY_NAME_W, and the five special-folder entry IDs
// PR_CE_IPM_INBOX_ENTRYID, PR_IPM_OUTBOX_ENTRYID, PR_CE_IPM_DRAFTS_ENTRYID,
// PR_IPM_WASTEBASKET_ENTRYID, PR_IPM_SENTMAIL_ENTRYID (a special folder missing on disk opens
// as an empty folder and is made only when a message is moved into it).
class IMsgStore : public IMAPIProp {};

class IMAPISession : public IUnknown {
  public:
    // The stores, one row each, in configuration order. Columns: PR_ENTRYID, PR_DISPLAY_NAME_W.
    [[nodiscard]] virtual HRESULT GetMsgStoresTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
    // Opens a store, folder or message. `lpInterface` must be null; `lpulObjType` may be null.
    // An entry ID that is malformed or names anything outside its store gives
    // MAPI_E_INVALID_ENTRYID; a message that is no longer there gives MAPI_E_NOT_FOUND.
    [[nodiscard]] virtual HRESULT OpenEntry(ULONG cbEntryID, const BYTE* lpEntryID,
                                            const IID* lpInterface, ULONG ulFlags,
                                            ULONG* lpulObjType, IUnknown** lppUnk) = 0;
    [[nodiscard]] virtual HRESULT Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) = 0;
};

// ---------------------------------------------------------------------------------------------
// Functions.

[[nodiscard]] HRESULT CoInitializeEx(void* pvReserved, DWORD dwCoInit);
void CoUninitialize();

[[nodiscard]] HRESULT MAPIInitialize(void* lpMapiInit);
void MAPIUninitialize();
// Logs on to the stores of the program's MessageStoreProfile (an empty session when it has none).
[[nodiscard]] HRESULT MAPILogonEx(ULONG_PTR ulUIParam, const char16_t* lpszProfileName,
                                  const char16_t* lpszPassword, ULONG ulFlags,
                                  IMAPISession** lppSession);

[[nodiscard]] HRESULT MAPIAllocateBuffer(ULONG cbSize, void** lppBuffer);
// A block freed together with `lpObject` (a block from MAPIAllocateBuffer).
[[nodiscard]] HRESULT MAPIAllocateMore(ULONG cbSize, void* lpObject, void** lppBuffer);
ULONG MAPIFreeBuffer(void* pv);
void FreeProws(SRowSet* lpRows);

// ---------------------------------------------------------------------------------------------
// Desktop set-up (no counterpart on the phone).

struct MessageStoreDefinition {
    std::u16string displayName;     // PR_DISPLAY_NAME_W of the store
    std::filesystem::path maildir;  // the Maildir root
    std::string ownAddress;         // the user's address in this store ("" for none): FROMME
};

// What the next MAPILogonEx opens, filled by the program before it logs on: a part of its
// services (CurrentProgramServices().Get<MessageStoreProfile>()), empty until filled.
struct MessageStoreProfile {
    // The stores, in order. Entry IDs name a store by its position.
    std::vector<MessageStoreDefinition> stores;
    // How long each store keeps a folder's index once the folder is listed.
    FolderIndexUse indexUse = FolderIndexUse::Kept;
};

// True when `path` is a Maildir store root: a Maildir itself (cur/ and new/) or a folder holding
// an INBOX or Inbox Maildir.
bool IsMaildirStoreRoot(const std::filesystem::path& path);

// A message object over the bytes of one message outside any store (a file or standard input):
// the same properties and streams as a stored message, flags 0 (received, unread), no entry ID.
[[nodiscard]] HRESULT OpenMessageFromBytes(std::string bytes, IMessage** lppMessage);

}  // namespace velora::platform
