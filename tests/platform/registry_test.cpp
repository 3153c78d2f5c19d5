#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
    EXPECT_NE(text.find("\"SpeedSet\"=dword:000000d2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Short\"=hex(4):01,02\n"), std::string::npos) << text;
}

TEST(RegistryFormat, AcceptsCommentsBlankLinesCrLfAndImpliedParents) {
    const std::optional<HiveData> hive = ParseHive(
        "Velora registry 1\r\n; "
        "note\r\n\r\n[A\\B]\r\n\"V\"=dword:FFFFFFFF\r\n[a]\r\n\"W\"=hex(3):\n");
    ASSERT_TRUE(hive);
    ASSERT_NE(hive->FindKey(u"a\\b"), nullptr);
    EXPECT_EQ(HiveData::FindValue(*hive->FindKey(u"A\\B"), u"v")->data, Dword(0xFFFFFFFFu));
    ASSERT_NE(hive->FindKey(u"A"), nullptr);
    EXPECT_TRUE(HiveData::FindValue(*hive->FindKey(u"A"), u"W")->data.empty());
}

// Each malformed line is skipped and named; the lines around it are kept.
TEST(RegistryFormat, SkipsEachMalformedLineAndKeepsTheRest) {
    const std::string header = "Velora registry 1\n";
    const std::string kept = "[Kept]\n\"K\"=dword:00000001\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"value before any key", "\"V\"=dword:00000001\n"},
        {"unclosed section", "[A\n"},
        {"empty key component", "[A\\\\B]\n"},
        {"empty section", "[]\n"},
        {"key named twice, other case", "[Abc]\n[aBC]\n"},
        {"value named twice", "[A]\n\"v\"=dword:00000001\n\"V\"=dword:00000002\n"},
        {"short dword", "[A]\n\"V\"=dword:0001\n"},
        {"long dword", "[A]\n\"V\"=dword:000000001\n"},
        {"trailing text", "[A]\n\"V\"=dword:00000001 \n"},
        {"bad escape", "[A]\n\"\\n\"=dword:00000001\n"},
        {"unterminated name", "[A]\n\"V=dword:00000001\n"},
        {"odd hex byte", "[A]\n\"V\"=hex(3):0\n"},
        {"trailing comma", "[A]\n\"V\"=hex(3):01,\n"},
        {"missing type", "[A]\n\"V\"=hex():01\n"},
        {"leading space", " [A]\n"},
        {"unknown form", "[A]\n\"V\"=sz:abc\n"},
        {"stray line", "[A]\nV=1\n"},
        {"invalid UTF-8", "[A]\n\"V\xff\"=dword:00000001\n"},
        {"control character in key", "[A\x01]\n"},
    };
    for (const auto& [label, lines] : cases) {
        std::vector<std::string> problems;
        const std::optional<HiveData> hive = ParseHive(header + lines + kept, &problems);
        ASSERT_TRUE(hive && hive->FindKey(u"Kept")) << label;
        EXPECT_NE(HiveData::FindValue(*hive->FindKey(u"Kept"), u"K"), nullptr) << label;
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
        EXPECT_EQ(QueryDword(first, u"ControlPanel\\Backlight", u"BatteryTimeout"), 30u);
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
    EXPECT_EQ(QueryDword(second, u"ControlPanel\\Home", u"Timeout"), 0xFFFFFFFFu);
    // The same value again is no change; the same bytes of another type are.
    second.SetValue(u"k", u"PENDING", kRegistryTypeDword, Dword(5));
    EXPECT_FALSE(second.HasPendingChanges());
    second.SetValue(u"K", u"Pending", 3, Dword(5));
    EXPECT_TRUE(second.HasPendingChanges());
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
    ASSERT_EQ(CorruptCopies().size(), 2u);
    EXPECT_EQ(ReadBytes(copies[0]), broken);
}

TEST_F(RegistryFileTest, ABadLineIsNamedAndTheOtherSettingsAreKept) {
    WriteBytes(file_, "Velora registry 1\n[K]\n\"Bad\"=dword:12\n\"Good\"=dword:00000007\n");
    ::testing::internal::CaptureStderr();
    RegistryHive hive(file_);
    EXPECT_EQ(QueryDword(hive, u"K", u"Good"), 7u);
    std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("line 3"), std::string::npos) << warning;
    EXPECT_TRUE(CorruptCopies().empty());
    // A folder in the file's place is not read, with the true reason, and left alone.
    std::filesystem::remove(file_);
    std::filesystem::create_directory(file_);
    ::testing::internal::CaptureStderr();
    RegistryHive folder(file_);
    EXPECT_EQ(QueryDword(folder, u"ControlPanel\\Backlight", u"ACTimeout"), 60u);
    warning = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("not a regular file"), std::string::npos) << warning;
}

TEST_F(RegistryFileTest, StaleTemporaryFileFromAnInterruptedWriteIsHarmless) {
    {
        RegistryHive hive(file_);
        SetDword(hive, u"V", 1);
    }
    const std::filesystem::path temporary = file_.string() + ".tmp";
    WriteBytes(temporary, "Velora registry 1\n[K]\n\"V\"=dword:000");  // half written
    RegistryHive hive(file_);
    EXPECT_EQ(QueryDword(hive, u"K", u"V"), 1u);
    SetDword(hive, u"V", 2);
    ASSERT_TRUE(hive.Flush());
    EXPECT_FALSE(std::filesystem::exists(temporary));
    EXPECT_EQ(QueryDword(hive, u"K", u"V"), 2u);
    EXPECT_TRUE(CorruptCopies().empty());
}

TEST_F(RegistryFileTest, WriterKilledMidWriteLeavesAReadableHive) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Commit as fast as possible; say so after a while and go on until killed.
        ::close(ready[0]);
        RegistryHive hive(file_);
        for (std::uint32_t count = 1;; ++count) {
            SetDword(hive, u"Count", count);
            hive.SetValue(u"K", u"Padding" + std::u16string(count % 7, u'x'), 3,
                          std::vector<std::uint8_t>(count % 4096, 0xab));
            if (!hive.Flush()) ::_exit(2);
            if (count == 20) (void)!::write(ready[1], "r", 1);
        }
    }
    ::close(ready[1]);
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ASSERT_TRUE(WIFSIGNALED(status));

    ASSERT_TRUE(ParseHive(ReadBytes(file_))) << "the hive file must be whole";
    RegistryHive hive(file_);
    EXPECT_GE(QueryDword(hive, u"K", u"Count").value_or(0), 20u);
    // The dead writer's lock does not block the next one.
    SetDword(hive, u"After", 1);
    EXPECT_TRUE(hive.Flush());
    EXPECT_TRUE(CorruptCopies().empty());
}

// Two processes on one file: each sees the other's commits, neither loses the other's values,
// and a value not yet committed stays on top of the other's commit.
TEST_F(RegistryFileTest, TwoHivesOnOneFileSeeAndKeepEachOthersWrites) {
    RegistryHive running(file_);
    RegistryHive secondLaunch(file_);
    SetDword(running, u"SpeedSet", 300);
    ASSERT_TRUE(running.Flush());
    EXPECT_EQ(QueryDword(secondLaunch, u"K", u"SpeedSet"), 300u);
    SetDword(secondLaunch, u"Reload", 1);
    ASSERT_TRUE(secondLaunch.Flush());
    EXPECT_EQ(QueryDword(running, u"K", u"Reload"), 1u);

    SetDword(running, u"Len", 25);  // neither reads before committing
    SetDword(secondLaunch, u"Num", 90);
    ASSERT_TRUE(secondLaunch.Flush());
    ASSERT_TRUE(running.Flush());
    SetDword(running, u"Mine", 1);
    SetDword(secondLaunch, u"Mine", 2);
    ASSERT_TRUE(secondLaunch.Flush());
    EXPECT_EQ(QueryDword(running, u"K", u"Mine"), 1u);  // read again, its own pending value wins
    RegistryHive fresh(file_);
    for (const auto& [name, value] :
         {std::pair{u"Len", 25u}, {u"Num", 90u}, {u"Reload", 1u}, {u"SpeedSet", 300u}})
        EXPECT_EQ(QueryDword(fresh, u"K", name), value);
}

// ---- the device calls ------------------------------------------------------------------------

class RegistryCallsTest : public RegistryFileTest {
  protected:
    ProgramServices services_;
};

TEST_F(RegistryCallsTest, HiveFileFollowsTheEnvironment) {
    EXPECT_EQ(RegistryHiveFile(), file_);
    home_.Set("VELORA_HOME", std::nullopt);
    EXPECT_EQ(RegistryHiveFile(), home_.Root() / "config" / "velora" / "registry.ini");
}

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
    EXPECT_EQ(writes.size(), 2u);
    EXPECT_EQ(std::get<1>(writes[0]), u"Dword");
    EXPECT_EQ(std::get<2>(writes[1]), REG_BINARY);

    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\test", 0, 0, &key), ERROR_SUCCESS);
    std::int32_t value = 0;
    DWORD type = 0;
    DWORD size = 4;
    EXPECT_EQ(
        RegQueryValueExW(key, u"dword", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(type, REG_DWORD);

    // Longer than the buffer: nothing copied, size needed reported.
    value = 42;
    size = 4;
    EXPECT_EQ(
        RegQueryValueExW(key, u"Long", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(size, 6u);
    size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Long", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(
        RegQueryValueExW(key, u"Missing", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_FILE_NOT_FOUND);

    HKEY same = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\TEST", 0, nullptr, 0, 0, nullptr,
                              &same, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegCloseKey(same), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    EXPECT_EQ(RegistryValueNames(u"software\\test"),
              (std::vector<std::u16string>{u"Dword", u"Long"}));
    RegistryHive fresh(file_);
    EXPECT_EQ(QueryDword(fresh, u"Software\\Test", u"Dword"), 0xFFFFFFFFu);
}

TEST_F(RegistryCallsTest, RefusesBadHandlesAndPaths) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(nullptr, u"A", 0, nullptr, 0, 0, nullptr, &key, &disposition),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"A\\\\B", 0, nullptr, 0, 0, nullptr, &key,
                              &disposition),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    const BYTE data[4] = {};
    EXPECT_EQ(RegSetValueExW(HKEY_CURRENT_USER, u"V", 0, REG_DWORD, data, 4), ERROR_ACCESS_DENIED);
}

}  // namespace
}  // namespace velora::platform
