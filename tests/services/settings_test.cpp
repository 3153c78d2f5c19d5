#include "services/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "harness/temporary_home.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_hive.h"

namespace velora::services {
namespace {

using platform::BYTE;
using platform::DWORD;
using platform::HKEY;

constexpr char16_t kSettingsKey[] = u"Software\\Quenrick\\Velora";

// The nine stored values, in their stored order (assignable through a non-const settings).
auto Stored(auto&& s) {
    return std::tie(s.CurWordDelay, s.SpeedSet, s.Punct1, s.Punct2, s.Len, s.Num, s.Light,
                    s.Tintline, s.SpeedBoost);
}
// The bars drawn for the four delays.
auto Bars(const ReadingSettings& s) {
    return std::tuple(s.Punct1Bar, s.Punct2Bar, s.LenBar, s.NumBar);
}
// What the Defaults command restores: the delays, their bars and the switches.
auto Restorable(const ReadingSettings& s) {
    return std::tuple(s.Punct1, s.Punct2, s.Len, s.Num, s.Punct1Bar, s.Punct2Bar, s.LenBar,
                      s.NumBar, s.Light, s.Tintline, s.SpeedBoost, s.gapFactor, s.baseFactor);
}

// Each test gets a hive of its own in a fresh VELORA_HOME.
class SettingsTest : public ::testing::Test {
  protected:
    // Writes a value straight into the hive file, as another process would.
    void Store(const char16_t* name, std::vector<BYTE> bytes, DWORD type = platform::REG_DWORD) {
        std::filesystem::create_directories(home_.SettingsFolder());
        platform::RegistryHive(platform::RegistryHiveFile())
            .SetValue(kSettingsKey, name, type, std::move(bytes));
    }
    void StoreDword(const char16_t* name, std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        Store(name, {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                     static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 24)});
    }
    static bool KeyExists() {
        return platform::RegistryHive(platform::RegistryHiveFile())
            .OpenKey(kSettingsKey, platform::RegistryHive::Create::Never);
    }

    // Loads the settings from the hive, starting from `settings`.
    static ReadingSettings Load(ReadingSettings settings = {}) {
        BacklightSnapshot snapshot;
        LoadSettings(settings, snapshot);
        return settings;
    }

    testing::TemporaryHome home_;
    platform::ProgramServices services_;
    platform::RegistryWriteObserver& observer_ =
        services_.Get<platform::RegistryServices>().writeObserver;
};

TEST_F(SettingsTest, FirstRunCreatesTheKeyAndUsesTheFallbacks) {
    ReadingSettings settings;
    BacklightSnapshot snapshot;
    EXPECT_FALSE(KeyExists());
    EXPECT_EQ(LoadSettings(settings, snapshot), platform::ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists());
    EXPECT_EQ(Stored(settings), std::tuple(219, 210, 200, 100, 18, 165, 1, 1, 0));
    EXPECT_EQ(Bars(settings), std::tuple(40, 20, 18, 33));
    EXPECT_EQ(settings.gapDelay, 0);  // loading leaves the speed times to the caller
    // The device's own backlight values, as a new hive holds them.
    EXPECT_EQ(std::tuple(snapshot.BatteryTimeout, snapshot.ACTimeout), std::tuple(30, 60));
    // A zero stored for one switch changes that one only.
    StoreDword(u"Light", 0);
    EXPECT_EQ(Stored(Load()), std::tuple(219, 210, 200, 100, 18, 165, 0, 1, 0));
}

TEST_F(SettingsTest, StoredValuesAreUsedUnclampedWithTheirBars) {
    for (const auto& [punct1, punct1Bar] : {std::pair{4, 0}, {-15, -3}, {2000, 400}}) {
        StoreDword(u"Punct1", punct1);
        const ReadingSettings settings = Load();
        EXPECT_EQ(settings.Punct1, punct1);
        EXPECT_EQ(settings.Punct1Bar, punct1Bar) << punct1;
    }
    StoreDword(u"Punct2", 499);
    StoreDword(u"Len", 150);
    StoreDword(u"Num", 14);
    StoreDword(u"SpeedSet", 20);
    const ReadingSettings settings = Load();
    EXPECT_EQ(Bars(settings), std::tuple(400, 99, 150, 2));
    EXPECT_EQ(settings.SpeedSet, 20);
}

TEST_F(SettingsTest, ValueSizeDecidesTheReadNotItsType) {
    // Longer than 4 bytes: the read fails, the fallback (or the held delay) is used.
    Store(u"SpeedSet", {1, 0, 0, 0, 0}, platform::REG_BINARY);
    Store(u"Punct2", {1, 0, 0, 0, 0, 0});
    // Four bytes of another type are read as the number.
    Store(u"Len", {30, 0, 0, 0}, platform::REG_BINARY);
    // Two bytes replace only the low half of what the field held.
    Store(u"Num", {0x10, 0x00}, platform::REG_BINARY);
    ReadingSettings held;
    held.Num = 0x00010203;
    const ReadingSettings settings = Load(held);
    EXPECT_EQ(std::tuple(settings.SpeedSet, settings.Punct2, settings.Len, settings.Num),
              std::tuple(210, 100, 30, 0x00010010));
}

TEST_F(SettingsTest, SnapshotKeepsWhatItHeldWhenABacklightValueIsMissing) {
    // A hive holding only one of the device's Backlight values.
    std::filesystem::create_directories(home_.SettingsFolder());
    std::ofstream(platform::RegistryHiveFile()) << "Velora registry 1\n[ControlPanel\\Backlight]\n"
                                                   "\"ACTimeout\"=dword:0000000f\n";
    ReadingSettings settings;
    BacklightSnapshot snapshot{7, 8};
    LoadSettings(settings, snapshot);
    EXPECT_EQ(std::tuple(snapshot.BatteryTimeout, snapshot.ACTimeout), std::tuple(7, 15));
}

TEST_F(SettingsTest, SaveWritesNineDwordsInOrderAndTheyLoadBack) {
    ReadingSettings saved;
    Stored(saved) = std::tuple(301, 250, 35, 5, 0, 500, 0, 1, 1);
    EXPECT_EQ(SaveSettings(saved), platform::ERROR_SUCCESS);
    const std::vector<std::u16string> order = {u"CurWordDelay", u"SpeedSet", u"Punct1",
                                               u"Punct2",       u"Len",      u"Num",
                                               u"Light",        u"Tintline", u"SpeedBoost"};
    EXPECT_EQ(platform::RegistryValueNames(kSettingsKey), order);

    const ReadingSettings loaded = Load();
    EXPECT_EQ(Stored(loaded), Stored(saved));
    EXPECT_EQ(loaded.Punct1Bar, 7);
    EXPECT_EQ(loaded.NumBar, 100);
}

TEST_F(SettingsTest, DefaultsResetEverythingButSpeedAndCurrentWordDelay) {
    ReadingSettings settings;
    Stored(settings) = std::tuple(612, 480, 5, 500, 100, 0, 0, 0, 1);
    settings.Punct1Bar = 1;
    SetSpeedBoostFactors(settings);
    ReadingSettings firstRun = Load();
    SetSpeedBoostFactors(firstRun);
    std::vector<std::int32_t> requests;
    EXPECT_EQ(ApplyDefaults(settings, [&](std::int32_t on) { requests.push_back(on); }),
              platform::ERROR_SUCCESS);
    EXPECT_EQ(requests, std::vector<std::int32_t>{1});
    EXPECT_EQ(Restorable(settings), Restorable(firstRun));
    EXPECT_EQ(settings.gapFactor, 0.375f);

    const ReadingSettings loaded = Load();
    EXPECT_EQ(std::tuple(loaded.SpeedSet, loaded.CurWordDelay, loaded.Light),
              std::tuple(480, 612, 1));
}

TEST_F(SettingsTest, ReloadFlag) {
    std::int32_t reload = 1;
    ReadReloadFlag(reload);
    EXPECT_EQ(reload, 0) << "a missing flag reads as 0";
    WriteReloadFlag(1);
    ReadReloadFlag(reload);
    EXPECT_EQ(reload, 1);
}

TEST(SpeedTimes, TruncateTheSinglePrecisionProduct) {
    struct Case {
        std::int32_t speed, boost, gap, base;
    };
    const Case cases[] = {
        {210, 0, 78, 183}, {210, 1, 26, 52}, {-10, 0, -3, -8},
        {15, 1, 1, 3},     {333, 5, 41, 83},  // any non-zero boost counts as on: 41.625 and 83.25
    };
    for (const Case& c : cases) {
        ReadingSettings settings;
        settings.SpeedSet = c.speed;
        settings.SpeedBoost = c.boost;
        SetSpeedBoostFactors(settings);
        RecomputeSpeedTimes(settings);
        EXPECT_EQ(settings.gapDelay, c.gap) << c.speed << " boost " << c.boost;
        EXPECT_EQ(settings.wordBase, c.base) << c.speed << " boost " << c.boost;
    }
}

}  // namespace
}  // namespace velora::services
