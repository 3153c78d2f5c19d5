#include "platform/maildir/file_name.h"

namespace velora::platform {

std::optional<MaildirFileName> ParseMaildirFileName(std::string_view name) {
    if (name.empty() || name.front() == '.') return std::nullopt;
    MaildirFileName result;
    // A unique name holds no ':', so the first ":2," starts the info; whatever follows it is the
    // info, even if it holds another ":2," (a flag change then keeps the unique name).
    const std::size_t info = name.find(":2,");
    if (info != std::string_view::npos) {
        result.hasInfo = true;
        result.base = name.substr(0, info);
        result.flags = name.substr(info + 3);
    } else {
        result.base = name;
    }
    std::size_t cut = std::string_view::npos;
    for (std::size_t comma = result.base.find(','); comma != std::string_view::npos;
         comma = result.base.find(',', comma + 1)) {
        if (comma + 2 < result.base.size()) {
            const char key = result.base[comma + 1];
            if ((key == 'U' || key == 'S' || key == 'W') && result.base[comma + 2] == '=') {
                cut = comma;
                break;
            }
        }
    }
    result.unique = result.base.substr(0, cut);
    if (result.unique.empty()) return std::nullopt;
    return result;
}

bool HasMaildirFlag(const MaildirFileName& name, char flag) {
    return name.flags.find(flag) != std::string_view::npos;
}

std::string WithMaildirFlag(const MaildirFileName& name, char flag, bool set) {
    std::string flags;
    for (char letter : name.flags) {
        if (letter != flag) flags += letter;
    }
    if (set) {
        std::size_t position = 0;
        while (position < flags.size() && flags[position] < flag) ++position;
        flags.insert(position, 1, flag);
    }
    std::string result(name.base);
    if (name.hasInfo || set) {
        result += ":2,";
        result += flags;
    }
    return result;
}

}  // namespace velora::platform
