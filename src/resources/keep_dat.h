#pragma once
// The content of "Keep.dat": half a second of silence as a WAV file (PCM, 8000 Hz, 16 bits,
// mono), which the platform loops while words flash. Header-only, so the build-time tool that
// writes the file needs no library.

#include <cstdint>
#include <vector>

namespace velora::resources {

inline std::vector<std::uint8_t> KeepDatBytes() {
    constexpr std::uint32_t kSampleRate = 8000;
    constexpr std::uint16_t kChannels = 1;
    constexpr std::uint16_t kBitsPerSample = 16;
    constexpr std::uint32_t kSamples = kSampleRate / 2;
    constexpr std::uint32_t kDataSize = kSamples * kChannels * kBitsPerSample / 8;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(44 + kDataSize);
    // Byte by byte: GCC 12 at -O3 reports a false stringop-overflow for a range insert here.
    const auto text = [&](const char* four) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(four[i]));
    };
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto u16 = [&](std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    text("RIFF");
    u32(36 + kDataSize);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1);  // PCM
    u16(kChannels);
    u32(kSampleRate);
    u32(kSampleRate * kChannels * kBitsPerSample / 8);
    u16(kChannels * kBitsPerSample / 8);
    u16(kBitsPerSample);
    text("data");
    u32(kDataSize);
    bytes.resize(bytes.size() + kDataSize, 0);
    return bytes;
}

}  // namespace velora::resources
