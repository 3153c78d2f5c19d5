#include "resources/program_resources.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>
#include <fstream>

#include "harness/temporary_home.h"
#include "platform/desktop/wake_services.h"
#include "platform/gdi/painter.h"
#include "resources/keep_dat.h"

namespace velora::resources {
namespace {

// Both ways of LoadStringW: copy with truncation, or a pointer to the held text.
TEST(ProgramResources, LoadStringCopiesOrLends) {
    EXPECT_EQ(platform::LoadStringText(ProgramInstance(), 116),
              u"Unable to bring up the dialog.\n%2");
    EXPECT_FALSE(platform::LoadStringText(ProgramInstance(), IDS_DIALOG_ERROR_CAPTION));
    char16_t buffer[5];
    EXPECT_EQ(platform::LoadStringW(ProgramInstance(), 215, buffer, 5), 4);
    const char16_t* held = nullptr;
    EXPECT_EQ(platform::LoadStringW(ProgramInstance(), 112, reinterpret_cast<char16_t*>(&held), 0),
              6);
    EXPECT_EQ(std::u16string(held), u"Velora");
    // Unknown resources are absent.
    EXPECT_EQ(ProgramResources().Dialog(130), nullptr);
}

TEST(ProgramResources, BitmapsLoadById) {
    for (std::uint32_t id = 135; id <= 138; ++id) {
        EXPECT_NE(platform::LoadBitmap(ProgramInstance(), id), nullptr) << id;
    }
    EXPECT_EQ(platform::LoadBitmap(ProgramInstance(), 139), nullptr);
}

TEST(KeepDat, IsAShortSilentPcmWave) {
    const std::vector<std::uint8_t> bytes = KeepDatBytes();
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(bytes[20], 1);  // PCM
    for (std::size_t i = 44; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0);
}

TEST(KeepDat, FoundNextToTheProgramOrInTheInstallPrefix) {
    const testing::TemporaryHome home;
    const std::filesystem::path programFolder = home.Root() / "libexec" / "velora";
    std::filesystem::create_directories(programFolder);
    std::filesystem::create_directories(home.Root() / "share" / "velora");
    EXPECT_TRUE(FindKeepAwakeSound(programFolder).empty());
    std::ofstream(home.Root() / "share" / "velora" / "Keep.dat") << "x";
    EXPECT_EQ(FindKeepAwakeSound(programFolder), home.Root() / "share" / "velora" / "Keep.dat");
    std::ofstream(programFolder / "Keep.dat") << "x";
    EXPECT_EQ(FindKeepAwakeSound(programFolder), programFolder / "Keep.dat");
}

// The desktop player takes Keep.dat as it is made; without an audio device it stays silent.
TEST(KeepDat, PlaysInALoopAndStops) {
    static int argc = 1;
    static char name[] = "velora_tests_resources";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    const testing::TemporaryHome home;
    const std::filesystem::path file = home.Root() / "Keep.dat";
    const std::vector<std::uint8_t> bytes = KeepDatBytes();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::unique_ptr<platform::SoundPlayer> player = platform::CreateDesktopSoundPlayer();
    EXPECT_TRUE(player->Play(file.u16string(), true));
    QCoreApplication::processEvents();
    player->Stop();
}

}  // namespace
}  // namespace velora::resources
