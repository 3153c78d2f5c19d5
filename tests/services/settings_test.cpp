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
    static void Store(const char16_t* keyPath, const char16_t* name, const std::vector<BYTE>& bytes,
                      DWORD type = platform::REG_DWORD) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(platform::RegCreateKeyExW(platform::HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, 0,
                                            nullptr, &key, &disposition),
                  platform::ERROR_SUCCESS);
        EXPECT_EQ(platform::RegSetValueExW(key, name, 0, type, bytes.data(),
                                           static_cast<DWORD>(bytes.size())),
                  platform::ERROR_SUCCESS);
        EXPECT_EQ(platform::RegCloseKey(key), platform::ERROR_SUCCESS);
    }
    static void StoreDword(const char16_t* name, std::int32_t value,
                           const char16_t* keyPath = kSettingsKey) {
        const auto bits = static_cast<std::uint32_t>(value);
        Store(keyPath, name,
              {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8), static_cast<BYTE>(bits >> 16),
               static_cast<BYTE>(bits >> 24)});
    }
    static bool KeyExists(const char16_t* path) {
        HKEY key = nullptr;
        if (platform::RegOpenKeyExW(platform::HKEY_CURRENT_USER, path, 0, 0, &key) !=
            platform::ERROR_SUCCESS) {
            return false;
        }
        EXPECT_EQ(platform::RegCloseKey(key), platform::ERROR_SUCCESS);
        return true;
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
    EXPECT_FALSE(KeyExists(kSettingsKey));
    EXPECT_EQ(LoadSettings(settings, snapshot), platform::ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(kSettingsKey));
    EXPECT_EQ(Stored(settings), std::tuple(219, 210, 200, 100, 18, 165, 1, 1, 0));
    EXPECT_EQ(Bars(settings), std::tuple(40, 20, 18, 33));
    // Loading leaves the speed times to the caller.
    EXPECT_EQ(settings.gapFactor, 0.0f);
    EXPECT_EQ(settings.gapDelay, 0);
    // The device's own backlight values, as a new hive holds them.
    EXPECT_EQ(snapshot.BatteryTimeout, 30);
    EXPECT_EQ(snapshot.ACTimeout, 60);
    settings.SpeedBoost = 1;
    SetSpeedBoostFactors(settings);
    EXPECT_EQ(settings.gapDelay, 0) << "factors alone leave the times";
    // A zero stored for one switch changes that one only.
    StoreDword(u"Light", 0);
    EXPECT_EQ(Stored(Load()), std::tuple(219, 210, 200, 100, 18, 165, 0, 1, 0));
}

TEST_F(SettingsTest, StoredValuesAreUsedUnclampedWithTheirBars) {
    for (const auto& [punct1, punct1Bar] :
         {std::pair{7, 1}, {4, 0}, {500, 100}, {-15, -3}, {2000, 400}}) {
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
    Store(kSettingsKey, u"SpeedSet", {1, 0, 0, 0, 0}, platform::REG_BINARY);
    Store(kSettingsKey, u"Punct2", {1, 0, 0, 0, 0, 0});
    // Four bytes of another type are read as the number.
    Store(kSettingsKey, u"Len", {30, 0, 0, 0}, platform::REG_BINARY);
    // Two bytes replace only the low half of what the field held.
    Store(kSettingsKey, u"Num", {0x10, 0x00}, platform::REG_BINARY);
    ReadingSettings held;
    held.Num = 0x00010203;
    const ReadingSettings settings = Load(held);
    EXPECT_EQ(settings.SpeedSet, 210);
    EXPECT_EQ(settings.Punct2, 100);
    EXPECT_EQ(settings.Len, 30);
    EXPECT_EQ(settings.Num, 0x00010010);
}

TEST_F(SettingsTest, SnapshotKeepsWhatItHeldWhenABacklightValueIsMissing) {
    // A hive holding only one of the device's Backlight values.
    std::filesystem::create_directories(home_.SettingsFolder());
    std::ofstream(platform::RegistryHiveFile()) << "Velora registry 1\n[ControlPanel\\Backlight]\n"
                                                   "\"ACTimeout\"=dword:0000000f\n";
    ReadingSettings settings;
    BacklightSnapshot snapshot{7, 8};
    LoadSettings(settings, snapshot);
    EXPECT_EQ(snapshot.BatteryTimeout, 7);
    EXPECT_EQ(snapshot.ACTimeout, 15);
}

TEST_F(SettingsTest, SaveWritesNineDwordsInOrderAndTheyLoadBack) {
    std::vector<std::u16string> written;
    observer_ = [&](std::u16string_view path, std::u16string_view name, DWORD type,
                    std::span<const BYTE> data) {
        EXPECT_EQ(path, kSettingsKey);
        EXPECT_EQ(type, platform::REG_DWORD);
        EXPECT_EQ(data.size(), 4u);
        written.emplace_back(name);
    };
    ReadingSettings saved;
    Stored(saved) = std::tuple(301, 250, 35, 5, 0, 500, 0, 1, 1);
    EXPECT_EQ(SaveSettings(saved), platform::ERROR_SUCCESS);
    const std::vector<std::u16string> order = {u"CurWordDelay", u"SpeedSet", u"Punct1",
                                               u"Punct2",       u"Len",      u"Num",
                                               u"Light",        u"Tintline", u"SpeedBoost"};
    EXPECT_EQ(written, order);
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
    std::vector<std::u16string> written;
    observer_ = [&](std::u16string_view, std::u16string_view name, DWORD, std::span<const BYTE>) {
        written.emplace_back(name);
    };
    EXPECT_EQ(ApplyDefaults(settings, [&](std::int32_t on) { requests.push_back(on); }),
              platform::ERROR_SUCCESS);
    EXPECT_EQ(requests, std::vector<std::int32_t>{1});
    EXPECT_EQ(written.size(), 9u);
    EXPECT_EQ(settings.SpeedSet, 480);
    EXPECT_EQ(settings.CurWordDelay, 612);
    EXPECT_EQ(Restorable(settings), Restorable(firstRun));
    EXPECT_EQ(settings.gapFactor, 0.375f);

    const ReadingSettings loaded = Load();
    EXPECT_EQ(loaded.SpeedSet, 480);
    EXPECT_EQ(loaded.CurWordDelay, 612);
    EXPECT_EQ(loaded.Light, 1);
}

TEST_F(SettingsTest, ReloadFlag) {
    std::int32_t reload = 1;
    ReadReloadFlag(reload);
    EXPECT_EQ(reload, 0) << "a missing flag reads as 0";
    WriteReloadFlag(1);
    ReadReloadFlag(reload);
    EXPECT_EQ(reload, 1);
    // A second launch writes through a hive of its own; the running copy sees it.
    {
        platform::RegistryHive secondLaunch(platform::RegistryHiveFile());
        secondLaunch.SetValue(kSettingsKey, u"Reload", platform::REG_DWORD, {0, 0, 0, 0});
    }
    ReadReloadFlag(reload);
    EXPECT_EQ(reload, 0);
}

TEST(SpeedTimes, TruncateTheSinglePrecisionProduct) {
    struct Case {
        std::int32_t speed, boost, gap, base;
    };
    const Case cases[] =
        {
            {210, 0, 78, 183}, {210, 1, 26, 52}, {20, 0, 7, 17},   {500, 0, 187, 437},
            {500, 1, 62, 125}, {0, 0, 0, 0},     {-10, 0, -3, -8}, {15, 1, 1, 3},
            {333, 5, 41, 83},  // any non-zero boost counts as on: 41.625 and 83.25
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
