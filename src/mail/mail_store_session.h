#pragma once
// The Mail store session: the one CE MAPI session of the process, its message stores and their
// five opened special folders (the Inbox among them), kept open until the session is destroyed.
// Every other mail operation opens messages and folders by entry ID through it.

#include <cstdint>
#include <vector>

#include "platform/base/bstr.h"
#include "platform/mapi/com_ptr.h"
#include "platform/mapi/mapi.h"

namespace velora::mail {

using platform::BYTE;
using platform::HRESULT;
using platform::ULONG;

// One message store, owned by the session: GetStore lends it out for as long as the session lives.
struct StoreRecord {
    platform::ComPtr<platform::IMsgStore> store;
    platform::Bstr displayName;  // PR_DISPLAY_NAME_W, empty when missing
    platform::ComPtr<platform::IMAPIFolder> inbox;
    platform::ComPtr<platform::IMAPIFolder> outbox;
    platform::ComPtr<platform::IMAPIFolder> drafts;
    platform::ComPtr<platform::IMAPIFolder> deletedItems;
    platform::ComPtr<platform::IMAPIFolder> sentItems;
};

// "\r\n... |": appended to the text of a message that is only partly downloaded.
inline constexpr char16_t kPartialBodyMarker[] = u"\r\n... |";

// COM and MAPI brought up for the object's lifetime (CoInitializeEx, then MAPIInitialize only
// when that succeeded; MAPIUninitialize and CoUninitialize at the end).
class MapiRuntime {
  public:
    MapiRuntime();
    ~MapiRuntime();
    MapiRuntime(const MapiRuntime&) = delete;
    MapiRuntime& operator=(const MapiRuntime&) = delete;
    [[nodiscard]] HRESULT Result() const { return result_; }

  private:
    HRESULT result_;
    bool mapiStarted_ = false;
};

class MailStoreSession {
  public:
    MailStoreSession();
    // Logs off and releases everything it opened.
    ~MailStoreSession();
    MailStoreSession(const MailStoreSession&) = delete;
    MailStoreSession& operator=(const MailStoreSession&) = delete;

    // MAPILogonEx, then the store walk. A negative result means no usable session.
    [[nodiscard]] HRESULT Logon();

    // The record at a zero-based index; an empty record (no interfaces) when out of range.
    const StoreRecord& GetStore(std::int32_t index) const;
    std::int32_t StoreCount() const { return static_cast<std::int32_t>(stores_.size()); }

    // Opens any store, folder or message by entry ID (MAPI_MODIFY) into `object`.
    [[nodiscard]] HRESULT OpenEntry(ULONG entryIdSize, const BYTE* entryId,
                                    platform::ComPtr<platform::IUnknown>& object);

    // Reads one property; S_OK only when the store returned exactly the requested tag
    // (otherwise E_FAIL and `value` left empty).
    [[nodiscard]] static HRESULT GetOneProp(platform::IMAPIProp* object, ULONG tag,
                                            platform::MapiBuffer<platform::SPropValue>& value);
    // Writes one property; any non-negative result is S_OK.
    [[nodiscard]] static HRESULT SetOneProp(platform::IMAPIProp* object,
                                            const platform::SPropValue& value);

    std::int32_t DefaultStoreIndex() const { return defaultStoreIndex_; }
    const platform::Bstr& PartialBodyMarker() const { return partialBodyMarker_; }
    std::uint32_t LoggedOn() const { return loggedOn_; }

  private:
    [[nodiscard]] HRESULT WalkStores();

    platform::ComPtr<platform::IMAPISession> session_;
    std::uint32_t loggedOn_ = 0;
    std::int32_t defaultStoreIndex_ = -1;
    platform::Bstr partialBodyMarker_;
    std::vector<StoreRecord> stores_;
};

}  // namespace velora::mail
