#include "platform/maildir/path_safety.h"

namespace velora::platform {

bool IsSafeFolderPath(std::string_view path) {
    if (path.empty()) return true;
    if (path.find('\0') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('/', start);
        const std::string_view part = path.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

bool IsSafeUniqueName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace velora::platform
