#pragma once
// CE MAPI value types and its status codes, with the values the phone gives them.

#include <cstdint>

#include "platform/base/file_time.h"
#include "platform/base/hresult.h"
#include "platform/base/win_types.h"

namespace velora::platform {

using LPBYTE = BYTE*;
using ULONG_PTR = std::uintptr_t;
inline constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
inline constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
inline constexpr HRESULT MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
inline constexpr HRESULT MAPI_E_NO_ACCESS = E_ACCESSDENIED;
inline constexpr HRESULT MAPI_E_NO_SUPPORT = static_cast<HRESULT>(0x80040102);
inline constexpr HRESULT MAPI_E_INVALID_ENTRYID = static_cast<HRESULT>(0x80040107);
inline constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010F);
inline constexpr HRESULT MAPI_E_LOGON_FAILED = static_cast<HRESULT>(0x80040111);
inline constexpr HRESULT MAPI_E_DISK_ERROR = static_cast<HRESULT>(0x80040116);
inline constexpr HRESULT MAPI_E_CORRUPT_DATA = static_cast<HRESULT>(0x8004011B);
inline constexpr HRESULT MAPI_E_TOO_COMPLEX = static_cast<HRESULT>(0x80040117);
inline constexpr HRESULT MAPI_E_COLLISION = static_cast<HRESULT>(0x80040604);
inline constexpr HRESULT MAPI_E_NOT_INITIALIZED = static_cast<HRESULT>(0x80040605);
inline constexpr HRESULT MAPI_W_ERRORS_RETURNED = static_cast<HRESULT>(0x00040380);

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};
};
using IID = GUID;
constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) return false;
    }
    return true;
}

// {0000000C-0000-0000-C000-000000000046}
inline constexpr IID IID_IStream{0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace velora::platform
