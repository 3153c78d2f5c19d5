#include "services/backlight.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "harness/temporary_home.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_hive.h"
#include "services/home_timeout.h"

namespace velora::services {
namespace {

namespace fs = std::filesystem;

// Points the hive at a temporary home and records every registry write.
class RegistryFixture : public ::testing::Test {
  protected:
    struct Write {
        std::u16string key;
        std::u16string name;
        std::int32_t value;
        bool operator==(const Write&) const = default;
    };

    void SetUp() override {
        services_.Get<platform::RegistryServices>().writeObserver =
            [this](std::u16string_view key, std::u16string_view name, platform::DWORD type,
                   std::span<const platform::BYTE> data) {
                if (key == kLightHeldKey) return;  // the mark of a held light, tested on its own
                std::int32_t value = 0;
                if (type == platform::REG_DWORD && data.size() == 4) {
                    std::memcpy(&value, data.data(), 4);
                }
                writes_.push_back({std::u16string(key), std::u16string(name), value});
            };
    }

    static Write Battery(std::int32_t value) {
        return {u"ControlPanel\\Backlight", u"BatteryTimeout", value};
    }
    static Write Mains(std::int32_t value) {
        return {u"ControlPanel\\Backlight", u"ACTimeout", value};
    }

    // The value as the hive file holds it; -12345 when it is missing.
    static std::int32_t ReadDword(const char16_t* keyPath, const char16_t* name) {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        std::int32_t value = -12345;
        platform::RegistryHive hive(platform::RegistryHiveFile());
        if (hive.QueryValue(keyPath, name, type, data) && data.size() == 4) {
            std::memcpy(&value, data.data(), 4);
        }
        return value;
    }

    void WriteHive(const std::string& text) {
        fs::create_directories(home_.SettingsFolder());
        std::ofstream(platform::RegistryHiveFile()) << text;
    }

    testing::TemporaryHome home_;
    platform::ProgramServices services_;
    std::vector<Write> writes_;
};

// A stand-in for the Reader window's timer 3: counts arming and pulses.
struct FakeTimer3 {
    int armed = 0;
    int pulses = 0;
    BacklightKeeper::Hooks Hooks() {
        return {[this] { ++armed; }, [] {}, [this] { ++pulses; }};
    }
};

ReadingSettings WithLight(std::int32_t light) {
    ReadingSettings settings;
    settings.Light = light;
    return settings;
}

using BacklightTest = RegistryFixture;

TEST_F(BacklightTest, WithTheReadingLightOffRequestsAreIgnored) {
    FakeTimer3 timer;
    BacklightKeeper keeper(timer.Hooks());
    keeper.Request(1, WithLight(0));
    EXPECT_EQ(keeper.LightRequest(), 0);
    keeper.ApplyAtStartup(WithLight(0));
    EXPECT_TRUE(writes_.empty());
    EXPECT_EQ(timer.armed + timer.pulses, 0);
}

// The snapshot is written back even when it holds zeros.
TEST_F(BacklightTest, StartupAppliesAtOnceAndQuittingRestoresRegardlessOfTheSwitch) {
    FakeTimer3 timer;
    BacklightKeeper keeper(timer.Hooks());
    keeper.Snapshot() = {0, 0};
    keeper.ApplyAtStartup(WithLight(1));
    keeper.RestoreNow();
    EXPECT_EQ(timer.armed, 0);
    EXPECT_EQ(timer.pulses, 2);
    EXPECT_EQ(writes_, (std::vector<Write>{Battery(60000), Mains(60000), Battery(0), Mains(0)}));
}

TEST_F(BacklightTest, TheNextSnapshotAfterARunKilledHoldingTheLightTakesTheUserValues) {
    const BacklightSnapshot user{30, 120};
    ApplyBacklightOn(user);
    // Held by this process, which runs: its mark's values are used and nothing is written.
    BacklightSnapshot whileHeld;
    TakeBacklightSnapshot(whileHeld);
    EXPECT_EQ(whileHeld.ACTimeout, 120);
    EXPECT_EQ(ReadDword(u"ControlPanel\\Backlight", u"ACTimeout"), 60000);
    // Held by a process that no longer runs: the user's values are back at once.
    platform::RegistryHive(platform::RegistryHiveFile())
        .SetValue(kLightHeldKey, u"Held", platform::REG_DWORD,
                  {0xF0, 0xFF, 0xFF, 0x7F});  // 0x7FFFFFF0: beyond any process id
    BacklightSnapshot afterKill;
    TakeBacklightSnapshot(afterKill);
    EXPECT_EQ(afterKill.ACTimeout, 120);
    EXPECT_EQ(ReadDword(u"ControlPanel\\Backlight", u"BatteryTimeout"), 30);
    EXPECT_EQ(ReadDword(kLightHeldKey, u"Held"), 0);
}

using HomeTimeoutTest = RegistryFixture;

TEST_F(HomeTimeoutTest, ValuesAtOrAboveThirtyMinutesOrNegativePass) {
    struct Case {
        const char* hiveValue;  // nullptr: the value is absent
        bool passes;
    };
    const Case cases[] = {
        {"001b773f", false},  // 1799999
        {"001b7740", true},   // 1800000
        {"ffffffff", true},   // -1: never
        {nullptr, false},
    };
    for (const Case& c : cases) {
        std::string hive = "Velora registry 1\n[ControlPanel\\Home]\n";
        if (c.hiveValue != nullptr) hive += "\"Timeout\"=dword:" + std::string(c.hiveValue) + "\n";
        WriteHive(hive);
        std::vector<std::u16string> shown;
        const bool passes =
            CheckHomeTimeout([&shown](std::u16string_view text, std::u16string_view caption) {
                EXPECT_EQ(caption, u"Velora");
                shown.emplace_back(text);
            });
        EXPECT_EQ(passes, c.passes) << (c.hiveValue ? c.hiveValue : "absent");
        if (c.passes) {
            EXPECT_TRUE(shown.empty());
        } else {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0], kHomeTimeoutMessage);
        }
    }
}

TEST_F(HomeTimeoutTest, TheDefaultHiveNeverRevertsToTheHomeScreen) {
    EXPECT_TRUE(CheckHomeTimeout({}));
}

}  // namespace
}  // namespace velora::services
