// Maildir file-name parsing and flag changes: never crash, the unique name is a non-empty prefix
// of the name, and a flag change keeps the unique name and every other flag letter.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/maildir/file_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velora::platform;
    const std::string name(reinterpret_cast<const char*>(data), size);
    const auto parsed = ParseMaildirFileName(name);
    if (!parsed) return 0;
    if (parsed->unique.empty() || !std::string_view(name).starts_with(parsed->unique)) std::abort();
    for (bool set : {true, false}) {
        const std::string changed = WithMaildirFlag(*parsed, 'S', set);
        const auto again = ParseMaildirFileName(changed);
        if (!again || again->unique != parsed->unique) std::abort();
        if (HasMaildirFlag(*again, 'S') != set) std::abort();
        std::string before;
        std::string after;
        for (char c : parsed->flags)
            if (c != 'S') before += c;
        for (char c : again->flags)
            if (c != 'S') after += c;
        if (parsed->hasInfo && before != after) std::abort();
    }
    return 0;
}
