#pragma once
// The two BSTR helpers used wherever the mail and MIME code hands strings to COM-style calls.

#include <cstdint>

#include "platform/base/bstr.h"

namespace velora::support {

// A BSTR holding a NUL-terminated text; a null pointer or an empty text gives an empty, non-null
// BSTR.
platform::Bstr MakeBstr(const char16_t* text);

// Units in the string; 0 for the null BSTR and for an empty one.
std::uint32_t BstrLength(const platform::Bstr& text);

}  // namespace velora::support
