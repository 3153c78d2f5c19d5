#include "services/settings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <tuple>

#include "platform/registry/registry.h"
#include "platform/registry/registry_hive.h"

namespace velora::services {
namespace {

using platform::BYTE;
using platform::DWORD;
using platform::HKEY;

constexpr char16_t kSettingsKey[] = u"Software\\Quenrick\\Velora";

// The nine stored values, in their stored order.
auto Stored(const ReadingSettings& s) {
    return std::tuple(s.CurWordDelay, s.SpeedSet, s.Punct1, s.Punct2, s.Len, s.Num, s.Light,
                      s.Tintline, s.SpeedBoost);
}
// What the Defaults command restores: the delays, their bars and the switches.
auto Restorable(const ReadingSettings& s) {
    return std::tuple(s.Punct1, s.Punct2, s.Len, s.Num, s.Punct1Bar, s.Punct2Bar, s.LenBar,
                      s.NumBar, s.Light, s.Tintline, s.SpeedBoost, s.gapFactor, s.baseFactor);
}

// Each test gets a hive of its own in a fresh VELORA_HOME.
class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        if (const char* old = std::getenv("VELORA_HOME")) oldHome_ = old;
        ::setenv("VELORA_HOME", folder_.path().toStdString().c_str(), 1);
    }
    void TearDown() override {
        if (oldHome_) {
            ::setenv("VELORA_HOME", oldHome_->c_str(), 1);
        } else {
            ::unsetenv("VELORA_HOME");
        }
    }

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

    platform::ProgramServices services_;
    platform::RegistryWriteObserver& observer_ =
        services_.Get<platform::RegistryServices>().writeObserver;
    QTemporaryDir folder_;
    std::optional<std::string> oldHome_;
};

TEST_F(SettingsTest, FirstRunCreatesTheKeyAndUsesTheFallbacks) {
    ReadingSettings settings;
    BacklightSnapshot snapshot;
    EXPECT_FALSE(KeyExists(kSettingsKey));
    EXPECT_EQ(LoadSettings(settings, snapshot), platform::ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(kSettingsKey));

    EXPECT_EQ(settings.SpeedSet, 210);
    EXPECT_EQ(settings.CurWordDelay, 219);
    EXPECT_EQ(settings.Punct1, 200);
    EXPECT_EQ(settings.Punct2, 100);
    EXPECT_EQ(settings.Len, 18);
    EXPECT_EQ(settings.Num, 165);
    EXPECT_EQ(settings.Light, 1);
    EXPECT_EQ(settings.Tintline, 1);
    EXPECT_EQ(settings.SpeedBoost, 0);
    EXPECT_EQ(settings.Punct1Bar, 40);
    EXPECT_EQ(settings.Punct2Bar, 20);
    EXPECT_EQ(settings.LenBar, 18);
    EXPECT_EQ(settings.NumBar, 33);
    // Loading leaves the speed times to the caller.
    EXPECT_EQ(settings.gapFactor, 0.0f);
    EXPECT_EQ(settings.gapDelay, 0);

    // The device's own backlight values, as a new hive holds them.
    EXPECT_EQ(snapshot.BatteryTimeout, 30);
    EXPECT_EQ(snapshot.ACTimeout, 60);

    settings.SpeedBoost = 1;
    SetSpeedBoostFactors(settings);
    EXPECT_EQ(settings.gapDelay, 0) << "factors alone leave the times";
}

TEST_F(SettingsTest, OnlyLightStoredAsZero) {
    StoreDword(u"Light", 0);
    ReadingSettings settings;
    BacklightSnapshot snapshot;
    LoadSettings(settings, snapshot);
    EXPECT_EQ(settings.Light, 0);
    EXPECT_EQ(settings.Tintline, 1);
    EXPECT_EQ(settings.Punct1, 200);
}

TEST_F(SettingsTest, StoredValuesAreUsedUnclampedWithTheirBars) {
    struct Case {
        std::int32_t punct1, punct1Bar;
    };
    for (const Case c : {Case{7, 1}, Case{4, 0}, Case{500, 100}, Case{-15, -3}, Case{2000, 400}}) {
        StoreDword(u"Punct1", c.punct1);
        ReadingSettings settings;
        BacklightSnapshot snapshot;
        LoadSettings(settings, snapshot);
        EXPECT_EQ(settings.Punct1, c.punct1);
        EXPECT_EQ(settings.Punct1Bar, c.punct1Bar) << c.punct1;
    }
    StoreDword(u"Punct2", 499);
    StoreDword(u"Len", 150);
    StoreDword(u"Num", 14);
    StoreDword(u"SpeedSet", 20);
    ReadingSettings settings;
    BacklightSnapshot snapshot;
    LoadSettings(settings, snapshot);
    EXPECT_EQ(settings.Punct2Bar, 99);
    EXPECT_EQ(settings.LenBar, 150);
    EXPECT_EQ(settings.NumBar, 2);
    EXPECT_EQ(settings.SpeedSet, 20);
}

TEST_F(SettingsTest, AnyNonZeroSpeedBoostCountsAsOn) {
    StoreDword(u"SpeedBoost", 5);
    StoreDword(u"SpeedSet", 333);
    ReadingSettings settings;
    BacklightSnapshot snapshot;
    LoadSettings(settings, snapshot);
    EXPECT_EQ(settings.SpeedBoost, 5);
    SetSpeedBoostFactors(settings);
    EXPECT_EQ(settings.gapFactor, 0.125f);
    EXPECT_EQ(settings.baseFactor, 0.25f);
    RecomputeSpeedTimes(settings);
    EXPECT_EQ(settings.gapDelay, 41);  // 41.625
    EXPECT_EQ(settings.wordBase, 83);  // 83.25
}

TEST_F(SettingsTest, ValueSizeDecidesTheReadNotItsType) {
    // Longer than 4 bytes: the read fails, the fallback (or the held delay) is used.
    Store(kSettingsKey, u"SpeedSet", {1, 0, 0, 0, 0}, platform::REG_BINARY);
    Store(kSettingsKey, u"Punct2", {1, 0, 0, 0, 0, 0});
    // Four bytes of another type are read as the number.
    Store(kSettingsKey, u"Len", {30, 0, 0, 0}, platform::REG_BINARY);
    // Two bytes replace only the low half of what the field held.
    Store(kSettingsKey, u"Num", {0x10, 0x00}, platform::REG_BINARY);
    ReadingSettings settings;
    settings.Num = 0x00010203;
    BacklightSnapshot snapshot;
    LoadSettings(settings, snapshot);
    EXPECT_EQ(settings.SpeedSet, 210);
    EXPECT_EQ(settings.Punct2, 100);
    EXPECT_EQ(settings.Len, 30);
    EXPECT_EQ(settings.Num, 0x00010010);
}

TEST_F(SettingsTest, SnapshotKeepsWhatItHeldWhenABacklightValueIsMissing) {
    // A hive holding only one of the device's Backlight values.
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
    saved.CurWordDelay = 301;
    saved.SpeedSet = 250;
    saved.Punct1 = 35;
    saved.Punct2 = 5;
    saved.Len = 0;
    saved.Num = 500;
    saved.Light = 0;
    saved.Tintline = 1;
    saved.SpeedBoost = 1;
    EXPECT_EQ(SaveSettings(saved), platform::ERROR_SUCCESS);
    const std::vector<std::u16string> order = {u"CurWordDelay", u"SpeedSet", u"Punct1",
                                               u"Punct2",       u"Len",      u"Num",
                                               u"Light",        u"Tintline", u"SpeedBoost"};
    EXPECT_EQ(written, order);
    EXPECT_EQ(platform::RegistryValueNames(kSettingsKey), order);

    // A fresh hive object (as a new run would make) reads them back.
    platform::RegistryHive fresh(platform::RegistryHiveFile());
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(fresh.QueryValue(kSettingsKey, u"SpeedSet", type, data));
    EXPECT_EQ(data, (std::vector<std::uint8_t>{250, 0, 0, 0}));

    ReadingSettings loaded;
    BacklightSnapshot snapshot;
    LoadSettings(loaded, snapshot);
    EXPECT_EQ(Stored(loaded), Stored(saved));
    EXPECT_EQ(loaded.Punct1Bar, 7);
    EXPECT_EQ(loaded.NumBar, 100);
}

TEST_F(SettingsTest, DefaultsResetEverythingButSpeedAndCurrentWordDelay) {
    ReadingSettings settings;
    settings.SpeedSet = 480;
    settings.CurWordDelay = 612;
    settings.Punct1 = 5;
    settings.Punct1Bar = 1;
    settings.Punct2 = 500;
    settings.Len = 100;
    settings.Num = 0;
    settings.Light = 0;
    settings.Tintline = 0;
    settings.SpeedBoost = 1;
    SetSpeedBoostFactors(settings);
    ReadingSettings firstRun;
    BacklightSnapshot ignored;
    LoadSettings(firstRun, ignored);
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

    ReadingSettings loaded;
    BacklightSnapshot snapshot;
    LoadSettings(loaded, snapshot);
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
    const Case cases[] = {
        {210, 0, 78, 183}, {210, 1, 26, 52}, {20, 0, 7, 17},   {500, 0, 187, 437},
        {500, 1, 62, 125}, {0, 0, 0, 0},     {-10, 0, -3, -8}, {15, 1, 1, 3},
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
