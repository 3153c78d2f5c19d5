#pragma once
// COM status codes (HRESULT) and the integer types that go with them, with the values the phone
// gives them. Every layer that reports a status the phone's way uses these.

#include <cstdint>

#include "platform/base/win_types.h"

namespace velora::platform {

using HRESULT = std::int32_t;

constexpr bool SUCCEEDED(HRESULT result) {
    return result >= 0;
}
constexpr bool FAILED(HRESULT result) {
    return result < 0;
}

// Status codes (HRESULTs).
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005);

}  // namespace velora::platform
