#include "resources/program_resources.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
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
    EXPECT_EQ(std::u16string(buffer), u"Find");
    const char16_t* held = nullptr;
    EXPECT_EQ(platform::LoadStringW(ProgramInstance(), 112, reinterpret_cast<char16_t*>(&held), 0),
              6);
    EXPECT_EQ(std::u16string(held), u"Velora");
    EXPECT_EQ(platform::LoadStringW(ProgramInstance(), 200, buffer, 5), 0);
}

TEST(ProgramResources, UnknownResourcesAreAbsent) {
    EXPECT_EQ(ProgramResources().MenuBarData(999), nullptr);
    EXPECT_EQ(ProgramResources().Dialog(130), nullptr);
    EXPECT_NE(ProgramResources().Dialog(IDD_FIND), nullptr);
}

TEST(ProgramResources, BitmapsAreAPictureOnWhite) {
    for (std::uint32_t id = 135; id <= 138; ++id) {
        const QImage* image = ProgramResources().Bitmap(id);
        ASSERT_NE(image, nullptr) << id;
        int drawn = 0;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x)
                drawn += (image->pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        EXPECT_GT(drawn, 10) << id;
        EXPECT_NE(platform::LoadBitmap(ProgramInstance(), id), nullptr);
    }
    // The download mark is red.
    const QImage* marked = ProgramResources().Bitmap(138);
    bool red = false;
    for (int y = 0; y < marked->height(); ++y)
        for (int x = 10; x < marked->width(); ++x)
            red = red || (qRed(marked->pixel(x, y)) > 200 && qGreen(marked->pixel(x, y)) < 50);
    EXPECT_TRUE(red);
    EXPECT_EQ(platform::LoadBitmap(ProgramInstance(), 139), nullptr);

    // A sheet of the four, eight times enlarged, to look at.
    QImage sheet(4 * 20 * 8, 20 * 8, QImage::Format_RGB32);
    sheet.fill(qRgb(200, 200, 200));
    for (int i = 0; i < 4; ++i) {
        const QImage big = ProgramResources().Bitmap(135 + i)->scaled(
            ProgramResources().Bitmap(135 + i)->size() * 8, Qt::IgnoreAspectRatio,
            Qt::FastTransformation);
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                sheet.setPixel(i * 160 + 8 + x, 8 + y, big.pixel(x, y));
    }
    std::filesystem::create_directories("screenshots");
    EXPECT_TRUE(sheet.save(QStringLiteral("screenshots/inbox_bitmaps.png")));
}

TEST(KeepDat, IsAShortSilentPcmWave) {
    const std::vector<std::uint8_t> bytes = KeepDatBytes();
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    const auto u32 = [&](std::size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
               static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    };
    EXPECT_EQ(u32(4), bytes.size() - 8);
    EXPECT_EQ(u32(40), bytes.size() - 44);
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
