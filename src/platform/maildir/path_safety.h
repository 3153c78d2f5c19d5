#pragma once
// The checks that keep a path handed to a Maildir store inside its root.

#include <string_view>

namespace velora::platform {

// A relative folder path that stays inside its root: "" or parts joined by '/', none of them
// empty, "." or "..", no NUL, no backslash-free tricks needed (a backslash is an ordinary byte).
bool IsSafeFolderPath(std::string_view path);
// A Maildir unique name: not empty, not "." or "..", no '/' and no NUL.
bool IsSafeUniqueName(std::string_view name);

}  // namespace velora::platform
