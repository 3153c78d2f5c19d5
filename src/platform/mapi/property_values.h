#pragma once
// Property values in MAPI buffers: text, entry IDs, whole GetProps answers (a missing property as
// PT_ERROR), and the values of one message shared by contents-table rows and message objects.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/maildir/side_file.h"
#include "platform/mapi/entry_id.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/store_context.h"

namespace velora::platform::mapi_objects {

// Each Put* writes into a block freed with `owner`; false when no memory was left.
[[nodiscard]] bool PutText(SPropValue& value, void* owner, std::u16string_view text);
// UTF-8 text as a UTF-16 value.
[[nodiscard]] bool PutUtf8Text(SPropValue& value, void* owner, std::string_view utf8);
[[nodiscard]] bool PutEntryId(SPropValue& value, void* owner, EntryKind kind, std::uint32_t store,
                              std::string_view folder, std::string_view unique = {});

// Fills one value for `tag`; false when the object has no such property.
using Filler = std::function<bool(ULONG tag, SPropValue& value, void* owner)>;

// One MAPI buffer of values for the tags; *missing tells whether any came back as PT_ERROR.
[[nodiscard]] HRESULT BuildValues(const std::vector<ULONG>& tags, const Filler& fill,
                                  SPropValue** out, bool* missing);
std::vector<ULONG> TagList(const SPropTagArray* tags);
// A GetProps answer: S_OK, MAPI_W_ERRORS_RETURNED when a value is missing, or an error.
[[nodiscard]] HRESULT GetPropsWith(const SPropTagArray* tags, const Filler& fill, ULONG* count,
                                   SPropValue** out);
// The SetProps answer of an object that takes no writes.
[[nodiscard]] HRESULT NoWrites(ULONG cValues, const SPropValue* lpPropArray,
                               SPropProblemArray** lppProblems);

// Values of one message, shared by contents-table rows and message objects.
struct MessageFacts {
    const StoreContext* store = nullptr;  // null for a message outside any store
    const std::string* folder = nullptr;
    const MaildirMessage* message = nullptr;
    MessageSideState side;
};

// The value of a message property for `tag`; false when the message has none.
bool FillMessageValue(const MessageFacts& facts, ULONG tag, SPropValue& value, void* owner);

}  // namespace velora::platform::mapi_objects
