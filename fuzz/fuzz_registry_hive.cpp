// The registry hive parser on arbitrary bytes: it must never crash, and a hive it accepts (from
// the lines that parse) must come back unchanged, without a skipped line, from its own text form
// (and that text form must be stable).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<velora::platform::HiveData> hive = velora::platform::ParseHive(bytes);
    if (!hive) return 0;
    const std::string text = velora::platform::SerializeHive(*hive);
    std::vector<std::string> problems;
    const std::optional<velora::platform::HiveData> again =
        velora::platform::ParseHive(text, &problems);
    if (!again || !problems.empty() || !(*again == *hive)) std::abort();
    if (velora::platform::SerializeHive(*again) != text) std::abort();
    return 0;
}
