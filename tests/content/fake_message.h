#pragma once
// A CE MAPI message double for the body code: serves PR_BODY_W and the MIME source as streams
// from given bytes, records which properties were opened and the sizes of the reads.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/mapi.h"

namespace velora::content::testing {

using namespace velora::platform;

class FakeStream : public IStream {
  public:
    FakeStream(std::string bytes, std::vector<ULONG>* reads)
        : bytes_(std::move(bytes)), reads_(reads) {}
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
        if (reads_ != nullptr) reads_->push_back(count);
        const std::size_t n = std::min<std::size_t>(count, bytes_.size() - position_);
        std::copy_n(bytes_.data() + position_, n, static_cast<char*>(buffer));
        position_ += n;
        if (read != nullptr) *read = static_cast<ULONG>(n);
        return S_OK;
    }

  private:
    std::string bytes_;
    std::size_t position_ = 0;
    std::vector<ULONG>* reads_;
    ULONG references_ = 1;
};

class FakeMessage : public IMessage {
  public:
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }  // owned by the test
    HRESULT GetProps(const SPropTagArray*, ULONG, ULONG*, SPropValue**) override {
        return E_NOTIMPL;
    }
    HRESULT SetProps(ULONG, const SPropValue*, SPropProblemArray**) override { return E_NOTIMPL; }
    HRESULT OpenProperty(ULONG tag, const IID*, ULONG, ULONG, IUnknown** object) override {
        opened.push_back(tag);
        const auto found = streams.find(tag);
        if (found == streams.end()) return MAPI_E_NOT_FOUND;
        *object = new FakeStream(found->second, &reads);
        return S_OK;
    }

    // The plain body as PR_BODY_W serves it: UTF-16 units in native byte order.
    void SetPlainBody(const std::u16string& text) {
        streams[PR_BODY_W] =
            std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
    }
    void SetMimeSource(std::string bytes) { streams[PR_CE_MIME_TEXT] = std::move(bytes); }

    std::map<ULONG, std::string> streams;
    std::vector<ULONG> opened;
    std::vector<ULONG> reads;
    ULONG references = 1;
};

}  // namespace velora::content::testing
