// MAPI buffers: every block from MAPIAllocateBuffer heads a chain of the blocks that
// MAPIAllocateMore linked to it; MAPIFreeBuffer frees the whole chain.

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/mapi/mapi.h"

namespace velora::platform {
namespace {

// Kept in front of every block; 16 bytes so the caller's part stays suitably aligned.
struct alignas(16) BlockHeader {
    BlockHeader* nextMore = nullptr;  // the chain of MAPIAllocateMore blocks (owner only)
    std::uint32_t magic = 0;
};

constexpr std::uint32_t kOwnerMagic = 0x4D415049;  // "MAPI"
constexpr std::uint32_t kMoreMagic = 0x4D4F5245;   // "MORE"

BlockHeader* HeaderOf(void* block) {
    return reinterpret_cast<BlockHeader*>(static_cast<char*>(block) - sizeof(BlockHeader));
}

void* AllocateBlock(ULONG size, std::uint32_t magic) {
    void* raw = std::calloc(1, sizeof(BlockHeader) + (size == 0 ? 1 : size));
    if (raw == nullptr) return nullptr;
    auto* header = new (raw) BlockHeader{};
    header->magic = magic;
    return static_cast<char*>(raw) + sizeof(BlockHeader);
}

}  // namespace

HRESULT MAPIAllocateBuffer(ULONG cbSize, void** lppBuffer) {
    if (lppBuffer == nullptr) return E_INVALIDARG;
    *lppBuffer = AllocateBlock(cbSize, kOwnerMagic);
    return *lppBuffer == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT MAPIAllocateMore(ULONG cbSize, void* lpObject, void** lppBuffer) {
    if (lppBuffer == nullptr || lpObject == nullptr) return E_INVALIDARG;
    BlockHeader* owner = HeaderOf(lpObject);
    if (owner->magic != kOwnerMagic) return E_INVALIDARG;
    void* block = AllocateBlock(cbSize, kMoreMagic);
    if (block == nullptr) {
        *lppBuffer = nullptr;
        return E_OUTOFMEMORY;
    }
    BlockHeader* header = HeaderOf(block);
    header->nextMore = owner->nextMore;
    owner->nextMore = header;
    *lppBuffer = block;
    return S_OK;
}

ULONG MAPIFreeBuffer(void* pv) {
    if (pv == nullptr) return 0;
    BlockHeader* owner = HeaderOf(pv);
    if (owner->magic != kOwnerMagic) return 0;  // not a buffer of ours: leave it alone
    BlockHeader* more = owner->nextMore;
    while (more != nullptr) {
        BlockHeader* next = more->nextMore;
        more->magic = 0;
        std::free(more);
        more = next;
    }
    owner->magic = 0;
    std::free(owner);
    return 0;
}

void FreeProws(SRowSet* lpRows) {
    if (lpRows == nullptr) return;
    for (ULONG i = 0; i < lpRows->cRows; ++i) MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    MAPIFreeBuffer(lpRows);
}

HRESULT CoInitializeEx(void*, DWORD) {
    return S_OK;
}
void CoUninitialize() {}

}  // namespace velora::platform
