#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "harness/temporary_home.h"
#include "platform/registry/registry_format.h"
#include "platform/registry/registry_hive.h"

namespace velora::platform {
namespace {

std::vector<std::uint8_t> Dword(std::uint32_t number) {
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// ---- text form -------------------------------------------------------------------------------

TEST(RegistryFormat, SerialisedHiveParsesBackToTheSameHive) {
    HiveData hive = DefaultHive();
    RegistryKeyData& key = hive.CreateKey(u"Software\\Quenrick\\Velora");
    HiveData::SetValue(key, u"SpeedSet", kRegistryTypeDword, Dword(210));
    HiveData::SetValue(key, u"Quote\"And\\Slash", 3, {0x00, 0xff, 0x10});
    HiveData::SetValue(key, u"", 1, {});
    HiveData::SetValue(key, u"Short", kRegistryTypeDword, {1, 2});
    HiveData::SetValue(key, u"Gr\u00fc\u00dfe \U0001F600", 0x7fffffff, Dword(7));

    const std::string text = SerializeHive(hive);
    std::vector<std::string> problems;
    const std::optional<HiveData> parsed = ParseHive(text, &problems);
    ASSERT_TRUE(parsed) << text;
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(*parsed, hive);
    EXPECT_NE(text.find("\"Short\"=hex(4):01,02\n"), std::string::npos) << text;
}

// Each malformed line is skipped and named; the lines around it are kept.
TEST(RegistryFormat, SkipsEachMalformedLineAndKeepsTheRest) {
    const std::string header = "Velora registry 1\n";
    const std::string kept = "[Kept]\n\"K\"=dword:00000001\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"value before any key", "\"V\"=dword:00000001\n"},
        {"unclosed section", "[A\n"},
        {"empty key component", "[A\\\\B]\n"},
        {"key named twice, other case", "[Abc]\n[aBC]\n"},
        {"value named twice", "[A]\n\"v\"=dword:00000001\n\"V\"=dword:00000002\n"},
        {"short dword", "[A]\n\"V\"=dword:0001\n"},
        {"trailing text", "[A]\n\"V\"=dword:00000001 \n"},
        {"bad escape", "[A]\n\"\\n\"=dword:00000001\n"},
        {"odd hex byte", "[A]\n\"V\"=hex(3):0\n"},
        {"unknown form", "[A]\n\"V\"=sz:abc\n"},
        {"invalid UTF-8", "[A]\n\"V\xff\"=dword:00000001\n"},
    };
    for (const auto& [label, lines] : cases) {
        std::vector<std::string> problems;
        const std::optional<HiveData> hive = ParseHive(header + lines + kept, &problems);
        ASSERT_TRUE(hive && hive->FindKey(u"Kept")) << label;
        ASSERT_EQ(problems.size(), 1u) << label;
        EXPECT_TRUE(problems[0].starts_with("line ")) << label << ": " << problems[0];
    }
    // Nothing usable: no file, another format's file.
    EXPECT_FALSE(ParseHive(""));
    EXPECT_FALSE(ParseHive("Windows Registry Editor Version 5.00\n[A]\n"));
}

// ---- the hive file ---------------------------------------------------------------------------

// The hive file in a temporary home: the file the device calls use as well.
class RegistryFileTest : public ::testing::Test {
  protected:
    std::vector<std::filesystem::path> CorruptCopies() const {
        std::vector<std::filesystem::path> copies;
        for (const auto& entry : std::filesystem::directory_iterator(file_.parent_path())) {
            if (entry.path().filename().string().starts_with("registry.ini.corrupt-")) {
                copies.push_back(entry.path());
            }
        }
        return copies;
    }
    static std::optional<std::uint32_t> QueryDword(RegistryHive& hive, std::u16string_view path,
                                                   std::u16string_view name) {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        if (!hive.QueryValue(path, name, type, data) || data.size() != 4) return std::nullopt;
        return data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    }
    static void SetDword(RegistryHive& hive, std::u16string_view name, std::uint32_t value) {
        EXPECT_TRUE(hive.OpenKey(u"K", RegistryHive::Create::IfMissing));
        hive.SetValue(u"K", name, kRegistryTypeDword, Dword(value));
    }

    testing::TemporaryHome home_;
    std::filesystem::path file_ = home_.SettingsFolder() / "registry.ini";
};

TEST_F(RegistryFileTest, DefaultsOnFirstUseAndValuesSurviveIntoAFreshHiveObject) {
    {
        RegistryHive first(file_);
        EXPECT_EQ(QueryDword(first, u"controlpanel\\BACKLIGHT", u"actimeout"), 60u);
        EXPECT_EQ(ParseHive(ReadBytes(file_)), DefaultHive());
        SetDword(first, u"V", 250);
        EXPECT_TRUE(first.HasPendingChanges());
        ASSERT_TRUE(first.Flush());
        EXPECT_FALSE(first.HasPendingChanges());
        SetDword(first, u"Pending", 5);  // committed when the hive goes
    }
    RegistryHive second(file_);
    EXPECT_EQ(QueryDword(second, u"k", u"v"), 250u);
    EXPECT_EQ(QueryDword(second, u"K", u"Pending"), 5u);
    // The same value again is no change.
    second.SetValue(u"k", u"PENDING", kRegistryTypeDword, Dword(5));
    EXPECT_FALSE(second.HasPendingChanges());
}

TEST_F(RegistryFileTest, CorruptFileIsKeptAsideAndDefaultsAreUsed) {
    const std::string broken = "Velora registry 1\n[ControlPanel\\Home\n\"Timeout\"=dword:12\n";
    WriteBytes(file_, broken);
    RegistryHive hive(file_);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(QueryDword(hive, u"ControlPanel\\Home", u"Timeout"), 0xFFFFFFFFu);
    const std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("registry.ini"), std::string::npos) << warning;
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
    const auto copies = CorruptCopies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadBytes(copies[0]), broken);
    EXPECT_EQ(ParseHive(ReadBytes(file_)), DefaultHive());

    // A second corrupt file gets a name of its own; the first copy is never overwritten.
    WriteBytes(file_, "garbage");
    ::testing::internal::CaptureStderr();
    RegistryHive later(file_);
    EXPECT_EQ(QueryDword(later, u"ControlPanel\\Backlight", u"ACTimeout"), 60u);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(CorruptCopies().size(), 2u);
}

TEST_F(RegistryFileTest, ABadLineIsNamedAndTheOtherSettingsAreKept) {
    WriteBytes(file_, "Velora registry 1\n[K]\n\"Bad\"=dword:12\n\"Good\"=dword:00000007\n");
    ::testing::internal::CaptureStderr();
    RegistryHive hive(file_);
    EXPECT_EQ(QueryDword(hive, u"K", u"Good"), 7u);
    const std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("line 3"), std::string::npos) << warning;
    EXPECT_TRUE(CorruptCopies().empty());
    // A folder in the file's place is not read, with the true reason, and left alone.
    std::filesystem::remove(file_);
    std::filesystem::create_directory(file_);
    ::testing::internal::CaptureStderr();
    RegistryHive folder(file_);
    EXPECT_EQ(QueryDword(folder, u"ControlPanel\\Backlight", u"ACTimeout"), 60u);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("not a regular file"),
              std::string::npos);
}

// Two processes on one file: each sees the other's commits, neither loses the other's values,
// and a value not yet committed stays on top of the other's commit.
TEST_F(RegistryFileTest, TwoHivesOnOneFileSeeAndKeepEachOthersWrites) {
    RegistryHive running(file_);
    RegistryHive secondLaunch(file_);

    SetDword(running, u"Mine", 1);
    SetDword(secondLaunch, u"Mine", 2);
    ASSERT_TRUE(secondLaunch.Flush());
    EXPECT_EQ(QueryDword(running, u"K", u"Mine"), 1u);  // read again, its own pending value wins
    RegistryHive fresh(file_);
    EXPECT_EQ(QueryDword(fresh, u"K", u"Mine"), 2u);
}

// ---- the device calls ------------------------------------------------------------------------

class RegistryCallsTest : public RegistryFileTest {
  protected:
    ProgramServices services_;
};

TEST_F(RegistryCallsTest, CreateOpenQuerySetClose) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Test", 0, 0, &key),
              ERROR_FILE_NOT_FOUND);
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Test", 0, nullptr, 0, 0, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);

    std::vector<std::tuple<std::u16string, std::u16string, DWORD>> writes;
    services_.Get<RegistryServices>().writeObserver =
        [&](std::u16string_view path, std::u16string_view name, DWORD type, std::span<const BYTE>) {
            writes.emplace_back(std::u16string(path), std::u16string(name), type);
        };
    const std::int32_t minusOne = -1;
    ASSERT_EQ(
        RegSetValueExW(key, u"Dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&minusOne), 4),
        ERROR_SUCCESS);
    const BYTE six[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(RegSetValueExW(key, u"Long", 0, REG_BINARY, six, 6), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1], std::make_tuple(u"Software\\Test", u"Long", REG_BINARY));

    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\test", 0, 0, &key), ERROR_SUCCESS);
    std::int32_t value = 0;
    DWORD type = 0;
    DWORD size = 4;
    EXPECT_EQ(
        RegQueryValueExW(key, u"dword", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(value, -1);

    // Longer than the buffer: nothing copied, size needed reported.
    value = 42;
    size = 4;
    EXPECT_EQ(
        RegQueryValueExW(key, u"Long", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(size, 6u);

    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    EXPECT_EQ(RegistryValueNames(u"software\\test"),
              (std::vector<std::u16string>{u"Dword", u"Long"}));
}

}  // namespace
}  // namespace velora::platform
