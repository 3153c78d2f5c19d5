#include "content/fetch_body.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "content/html_to_text.h"
#include "content/mime_decoding.h"
#include "platform/mapi/com_ptr.h"

namespace velora::content {
namespace {

using namespace velora::platform;

// Opens a property of the message as a stream; empty when that fails.
ComPtr<IStream> OpenStream(IMessage* message, ULONG tag, HRESULT& result) {
    if (message == nullptr) {
        result = E_INVALIDARG;
        return nullptr;
    }
    ComPtr<IUnknown> object;
    result = message->OpenProperty(tag, &IID_IStream, 0, 0, object.put());
    if (FAILED(result) || !object) {
        if (SUCCEEDED(result)) result = E_FAIL;
        return nullptr;
    }
    ComPtr<IStream> stream = InterfaceCast<IStream>(std::move(object));
    if (!stream) result = E_NOINTERFACE;
    return stream;
}

// Reads chunks until a read fails or comes back short; the bytes read so far are kept.
std::string ReadChunks(IStream& stream, ULONG chunkBytes) {
    std::vector<char> chunk(chunkBytes);
    std::string bytes;
    for (;;) {
        ULONG read = 0;
        if (FAILED(stream.Read(chunk.data(), chunkBytes, &read))) break;
        read = std::min(read, chunkBytes);
        bytes.append(chunk.data(), read);
        if (read < chunkBytes) break;
    }
    return bytes;
}

void FetchPlainBody(MessageReader& reader, IStream& stream) {
    const std::string bytes = ReadChunks(stream, kPlainBodyChunkBytes);
    std::u16string text(bytes.size() / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
    if (reader.PartlyDownloaded()) {
        // The last two units of a partly downloaded body are dropped before the marker.
        if (!bytes.empty()) text.resize(text.size() >= 2 ? text.size() - 2 : 0);
        text += reader.partialBodyMarker;
    }
    reader.bodyText = SysAllocString(text.c_str());
}

}  // namespace

HRESULT FetchBody(MessageReader& reader) {
    const bool fromMimeSource = reader.mimeFlag != 0 && (reader.messageFlags & MSGFLAG_UNSENT) == 0;
    HRESULT result = S_OK;
    if (!fromMimeSource) {
        ComPtr<IStream> stream = OpenStream(reader.message.get(), PR_BODY_W, result);
        if (!stream) return result;
        FetchPlainBody(reader, *stream);
    } else {
        ComPtr<IStream> stream = OpenStream(reader.message.get(), PR_CE_MIME_TEXT, result);
        if (!stream) return result;
        const std::string bytes = ReadChunks(*stream, kMimeSourceChunkBytes);
        DecodeMime(reader, bytes, MimeLevel::TopLevel);
    }
    FinishBodyText(reader);
    return S_OK;
}

void FinishBodyText(MessageReader& reader) {
    if (reader.bodyText.IsNull()) reader.bodyText = SysAllocString(u"");
    if (reader.htmlText.IsNull()) reader.htmlText = SysAllocString(u"");
    if (reader.htmlText.Length() != 0 && reader.bodyText.Length() == 0) {
        // Without memory for the conversion the body stays empty.
        if (const auto text = HtmlToText(reader.htmlText.View())) {
            reader.bodyText = SysAllocString(text->c_str());
        }
    }
}

}  // namespace velora::content
