#pragma once
// What the MAPI objects over one Maildir store share: the store with its position and name (kept
// alive by every object that hands out its contents), and the reference counting of COM objects.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/maildir/store.h"
#include "platform/mapi/mapi.h"

namespace velora::platform::mapi_objects {

// A COM object's reference count: made with one reference, deleted when the last is released.
template <typename Interface>
class RefCounted : public Interface {
  public:
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

  protected:
    ~RefCounted() override = default;

  private:
    ULONG references_ = 1;
};

// One store of a session: its position (the store number in entry IDs), its display name and
// the Maildir store, shared by the session and every object opened from it.
struct StoreContext {
    std::uint32_t index = 0;
    std::u16string displayName;
    MaildirStore store;
};
using StorePtr = std::shared_ptr<StoreContext>;

}  // namespace velora::platform::mapi_objects
