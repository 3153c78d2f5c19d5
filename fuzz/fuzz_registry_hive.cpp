// The registry hive parser on arbitrary bytes: it must never crash, and a hive it accepts must
// come back unchanged from its own text form (and that text form must be stable).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<velora::platform::HiveData> hive = velora::platform::ParseHive(bytes);
    if (!hive) return 0;
    const std::string text = velora::platform::SerializeHive(*hive);
    std::string error;
    const std::optional<velora::platform::HiveData> again =
        velora::platform::ParseHive(text, &error);
    if (!again || !(*again == *hive)) std::abort();
    if (velora::platform::SerializeHive(*again) != text) std::abort();
    return 0;
}
