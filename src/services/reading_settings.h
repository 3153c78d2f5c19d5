#pragma once
// The Reading settings: the reader's adjustable values, their derived gauge positions and speed
// times. One record lives for the whole run; the reading engine reads its fields directly.
// All times are signed 32-bit milliseconds; switches are 0 (off) or non-zero (on).

#include <cstdint>

namespace velora::services {

struct ReadingSettings {
    // Stored values, initialised to their values before loading.
    std::int32_t CurWordDelay = 0;
    std::int32_t SpeedSet = 0;
    std::int32_t Punct1 = 200;
    std::int32_t Punct2 = 100;
    std::int32_t Len = 18;
    std::int32_t Num = 165;
    std::int32_t Light = 0;
    std::int32_t Tintline = 0;
    std::int32_t SpeedBoost = 0;

    // Gauge positions of the Options screen, 0 to 100 (derived, never stored).
    std::int32_t Punct1Bar = 0;
    std::int32_t Punct2Bar = 0;
    std::int32_t LenBar = 0;
    std::int32_t NumBar = 0;
    // Position of the speed gauge: SpeedSet * 100 / 500, updated by the speed steps.
    std::int32_t SpeedBar = 0;

    // Speed factors chosen by SpeedBoost (SetSpeedBoostFactors) and the times derived from them
    // (RecomputeSpeedTimes).
    float gapFactor = 0.0f;
    float baseFactor = 0.0f;
    std::int32_t gapDelay = 0;
    std::int32_t wordBase = 0;
};

}  // namespace velora::services
