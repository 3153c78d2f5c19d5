#pragma once
// Owners for what the CE MAPI calls hand out: ComPtr<T> holds one reference to an interface,
// MapiBuffer<T> one MAPIAllocateBuffer block, RowSet one QueryRows row set. Each gives back what
// it holds when it goes, so no path (an early return, an exception) leaks or releases twice.
//
// The member names follow std::unique_ptr (get, reset, release), so that `pointer.release()`,
// which gives up ownership, never reads like the interface's `pointer->Release()`. `put()` is
// the out-parameter of a MAPI call: it gives back what is held and returns the slot to fill.

#include <cstddef>
#include <utility>

#include "platform/mapi/mapi.h"

namespace velora::platform {

template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adopts the reference `object` carries: no AddRef here, one Release at the end.
    explicit ComPtr(Interface* object) : object_(object) {}
    // A copy holds a reference of its own.
    ComPtr(const ComPtr& other) : object_(other.object_) {
        if (object_ != nullptr) object_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : object_(other.release()) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~ComPtr() { reset(); }

    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }
    Interface& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }
    friend bool operator==(const ComPtr& pointer, std::nullptr_t) {
        return pointer.object_ == nullptr;
    }

    // Releases what is held, then adopts `object` (no AddRef).
    void reset(Interface* object = nullptr) {
        Interface* old = std::exchange(object_, object);
        if (old != nullptr) old->Release();
    }
    // Gives the reference up to the caller, who now releases it.
    [[nodiscard]] Interface* release() { return std::exchange(object_, nullptr); }
    // For an out-parameter: releases what is held and returns the emptied slot.
    [[nodiscard]] Interface** put() {
        reset();
        return &object_;
    }

  private:
    Interface* object_ = nullptr;
};

// The owner's reference as an interface of the wanted kind: moved into the result, or released
// (an empty result) when the object is of another kind.
template <typename Target, typename Source>
ComPtr<Target> InterfaceCast(ComPtr<Source>&& object) {
    Target* typed = InterfaceCast<Target>(static_cast<IUnknown*>(object.get()));
    if (typed == nullptr) {
        object.reset();
        return {};
    }
    static_cast<void>(object.release());  // the reference now lives in the result
    return ComPtr<Target>(typed);
}

namespace detail {

struct FreeMapiBuffer {
    void operator()(void* block) const { MAPIFreeBuffer(block); }
};
struct FreeRowSet {
    void operator()(SRowSet* rows) const { FreeProws(rows); }
};

// One MAPI memory block of `T`, freed by `Free` at the end; move-only.
template <typename T, typename Free>
class UniqueMapiMemory {
  public:
    UniqueMapiMemory() = default;
    // Adopts a block the caller owned.
    explicit UniqueMapiMemory(T* block) : block_(block) {}
    UniqueMapiMemory(UniqueMapiMemory&& other) noexcept : block_(other.release()) {}
    UniqueMapiMemory& operator=(UniqueMapiMemory&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueMapiMemory(const UniqueMapiMemory&) = delete;
    UniqueMapiMemory& operator=(const UniqueMapiMemory&) = delete;
    ~UniqueMapiMemory() { reset(); }

    T* get() const { return block_; }
    T* operator->() const { return block_; }
    T& operator*() const { return *block_; }
    explicit operator bool() const { return block_ != nullptr; }
    friend bool operator==(const UniqueMapiMemory& memory, std::nullptr_t) {
        return memory.block_ == nullptr;
    }

    void reset(T* block = nullptr) {
        T* old = std::exchange(block_, block);
        if (old != nullptr) Free{}(old);
    }
    [[nodiscard]] T* release() { return std::exchange(block_, nullptr); }
    [[nodiscard]] T** put() {
        reset();
        return &block_;
    }

  private:
    T* block_ = nullptr;
};

}  // namespace detail

// A MAPIAllocateBuffer block (with every MAPIAllocateMore block linked to it), seen as `T`.
template <typename T>
using MapiBuffer = detail::UniqueMapiMemory<T, detail::FreeMapiBuffer>;

// A row set from QueryRows; FreeProws frees the rows' values with it.
using RowSet = detail::UniqueMapiMemory<SRowSet, detail::FreeRowSet>;

// A new MAPIAllocateBuffer block of `bytes` bytes, or an empty owner when there is no memory for
// it.
template <typename T>
MapiBuffer<T> AllocateMapiBuffer(ULONG bytes) {
    void* block = nullptr;
    if (FAILED(MAPIAllocateBuffer(bytes, &block))) return {};
    return MapiBuffer<T>(static_cast<T*>(block));
}

}  // namespace velora::platform
