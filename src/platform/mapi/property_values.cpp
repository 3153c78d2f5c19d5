#include "platform/mapi/property_values.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/base/text_codec.h"

namespace velora::platform::mapi_objects {

bool PutText(SPropValue& value, void* owner, std::u16string_view text) {
    void* block = nullptr;
    const ULONG bytes = static_cast<ULONG>((text.size() + 1) * sizeof(char16_t));
    if (FAILED(MAPIAllocateMore(bytes, owner, &block))) return false;
    auto* out = static_cast<char16_t*>(block);
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = u'\0';
    value.Value.lpszW = out;
    return true;
}

// UTF-8 text as a UTF-16 value; plain ASCII, the usual case, is widened straight into the buffer.
bool PutUtf8Text(SPropValue& value, void* owner, std::string_view utf8) {
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) return PutText(value, owner, DecodeUtf8(utf8));
    }
    void* block = nullptr;
    const ULONG bytes = static_cast<ULONG>((utf8.size() + 1) * sizeof(char16_t));
    if (FAILED(MAPIAllocateMore(bytes, owner, &block))) return false;
    auto* out = static_cast<char16_t*>(block);
    for (std::size_t i = 0; i < utf8.size(); ++i) out[i] = static_cast<char16_t>(utf8[i]);
    out[utf8.size()] = u'\0';
    value.Value.lpszW = out;
    return true;
}

// An entry ID written straight into the value's MAPI block.
bool PutEntryId(SPropValue& value, void* owner, EntryKind kind, std::uint32_t store,
                std::string_view folder, std::string_view unique) {
    const std::size_t size = EncodedEntryIdSize(kind, store, folder, unique);
    void* block = nullptr;
    if (FAILED(MAPIAllocateMore(static_cast<ULONG>(size), owner, &block))) return false;
    WriteEntryId(kind, store, folder, unique, static_cast<std::uint8_t*>(block));
    value.Value.bin.cb = static_cast<ULONG>(size);
    value.Value.bin.lpb = static_cast<LPBYTE>(block);
    return true;
}

// Fills one value for `tag`; false when the object has no such property.
using Filler = std::function<bool(ULONG tag, SPropValue& value, void* owner)>;

// One MAPI buffer of values for the tags; *missing tells whether any came back as PT_ERROR.
HRESULT BuildValues(const std::vector<ULONG>& tags, const Filler& fill, SPropValue** out,
                    bool* missing) {
    void* block = nullptr;
    const ULONG count = static_cast<ULONG>(tags.size());
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * (count == 0 ? 1 : count)),
                                  &block))) {
        return E_OUTOFMEMORY;
    }
    auto* values = static_cast<SPropValue*>(block);
    for (ULONG i = 0; i < count; ++i) {
        values[i] = SPropValue{};
        values[i].ulPropTag = tags[i];
        if (!fill(tags[i], values[i], block)) {
            values[i] = SPropValue{};
            values[i].ulPropTag = CHANGE_PROP_TYPE(tags[i], PT_ERROR);
            values[i].Value.err = MAPI_E_NOT_FOUND;
            if (missing != nullptr) *missing = true;
        }
    }
    *out = values;
    return S_OK;
}

std::vector<ULONG> TagList(const SPropTagArray* tags) {
    if (tags == nullptr || tags->aulPropTag == nullptr) return {};
    return std::vector<ULONG>(tags->aulPropTag, tags->aulPropTag + tags->cValues);
}

HRESULT GetPropsWith(const SPropTagArray* tags, const Filler& fill, ULONG* count,
                     SPropValue** out) {
    if (tags == nullptr || count == nullptr || out == nullptr) return E_INVALIDARG;
    bool missing = false;
    const std::vector<ULONG> list = TagList(tags);
    const HRESULT result = BuildValues(list, fill, out, &missing);
    if (FAILED(result)) return result;
    *count = static_cast<ULONG>(list.size());
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT NoWrites(ULONG cValues, const SPropValue* lpPropArray, SPropProblemArray** lppProblems) {
    if (lppProblems != nullptr) *lppProblems = nullptr;
    return (cValues != 0 && lpPropArray == nullptr) ? E_INVALIDARG : MAPI_E_NO_ACCESS;
}

namespace {

ULONG MessageFlags(const MessageFacts& facts) {
    ULONG flags = 0;
    if (facts.message->read) flags |= MSGFLAG_READ;
    if (facts.message->header->hasAttachment) flags |= MSGFLAG_HASATTACH;
    if (facts.store != nullptr) {
        if (facts.store->store.IsFromMe(*facts.message->header)) flags |= MSGFLAG_FROMME;
        if (facts.store->store.IsUnsentFolder(*facts.folder)) flags |= MSGFLAG_UNSENT;
    }
    return flags;
}

ULONG MessageStatus(const MessageSideState& side) {
    ULONG status = side.status & (MSGSTATUS_PARTIAL_DOWNLOAD | MSGSTATUS_PARTIAL);
    if ((side.downloadState & kDownloadStateMarkBits) != 0) status |= MSGSTATUS_REMOTE_DOWNLOAD;
    return status;
}

}  // namespace

bool FillMessageValue(const MessageFacts& facts, ULONG tag, SPropValue& value, void* owner) {
    const MessageHeaderInfo& header = *facts.message->header;
    switch (tag) {
        case PR_ENTRYID:
            return facts.store != nullptr &&
                   PutEntryId(value, owner, EntryKind::Message, facts.store->index, *facts.folder,
                              facts.message->unique);
        case PR_PARENT_ENTRYID:
            return facts.store != nullptr &&
                   PutEntryId(value, owner, EntryKind::Folder, facts.store->index, *facts.folder);
        case PR_SUBJECT_W:
            return header.hasSubject && PutUtf8Text(value, owner, header.subject);
        case PR_SENDER_NAME_W:
            return header.hasSender && !header.senderName.empty() &&
                   PutUtf8Text(value, owner, header.senderName);
        case PR_SENDER_EMAIL_ADDRESS_W:
            return !header.senderAddress.empty() && PutUtf8Text(value, owner, header.senderAddress);
        case PR_MESSAGE_FLAGS:
            value.Value.ul = MessageFlags(facts);
            return true;
        case PR_MESSAGE_DELIVERY_TIME:
            value.Value.ft = MakeFileTime(facts.message->deliveryTime);
            return true;
        case PR_MESSAGE_SIZE:
            value.Value.l =
                static_cast<LONG>(std::min<std::uint64_t>(facts.message->size, INT32_MAX));
            return true;
        case PR_MSG_STATUS:
            value.Value.ul = MessageStatus(facts.side);
            return true;
        case PR_CE_MSG_DOWNLOAD_STATE:
            value.Value.ul = facts.side.downloadState;
            return true;
        default:
            return false;
    }
}

}  // namespace velora::platform::mapi_objects
