#include "resources/program_resources.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <filesystem>
#include <fstream>

#include "platform/desktop/wake_services.h"
#include "platform/gdi/painter.h"
#include "platform/ui/clock.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/screen.h"
#include "resources/keep_dat.h"

namespace velora::resources {
namespace {

using platform::HWND;

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

struct BarCase {
    std::uint32_t id;
    std::u16string left;
    std::uint32_t leftCommand;
    std::u16string right;
    std::uint32_t rightCommand;
    std::size_t popupItems;  // 0: no drop-down
};

void PrintTo(const BarCase& bar, std::ostream* out) {
    *out << "menu bar " << bar.id;
}

class MenuBars : public ::testing::TestWithParam<BarCase> {};

// Each bar built by the shell call from our resource data shows the designed buttons.
TEST_P(MenuBars, BuiltFromTheResourceData) {
    const BarCase& expected = GetParam();
    platform::Screen screen(std::make_unique<platform::TestClock>());
    platform::Window owner(screen, u"Owner");
    platform::SHMENUBARINFO info{};
    info.cbSize = 36;
    info.hwndParent = &owner;
    info.nToolBarId = expected.id;
    info.hInstRes = ProgramInstance();
    ASSERT_TRUE(platform::SHCreateMenuBar(&info));
    const auto* bar = static_cast<platform::MenuBar*>(info.hwndMB);
    ASSERT_EQ(bar->Buttons().size(), 2u);
    EXPECT_EQ(bar->Buttons()[0].label, expected.left);
    EXPECT_EQ(bar->Buttons()[0].command, expected.leftCommand);
    EXPECT_FALSE(bar->Buttons()[0].dropDown);
    EXPECT_EQ(bar->Buttons()[1].label, expected.right);
    EXPECT_EQ(bar->Buttons()[1].command, expected.rightCommand);
    EXPECT_EQ(bar->Buttons()[1].dropDown, expected.popupItems > 0);
    EXPECT_EQ(bar->Buttons()[1].popup.size(), expected.popupItems);
}

INSTANTIATE_TEST_SUITE_P(AllBars, MenuBars,
                         ::testing::Values(BarCase{134, u"Read", 40014, u"Menu", 0, 10},
                                           BarCase{300, u"Options", 40014, u"Menu", 0, 7},
                                           BarCase{305, u"Done", 1, u"Defaults", 2, 0},
                                           BarCase{308, u"Done", 1, u" ", 2, 0},
                                           BarCase{317, u"Find", 1, u"Cancel", 2, 0},
                                           BarCase{318, u"Find Next", 315, u"Find", 314, 0}),
                         [](const ::testing::TestParamInfo<BarCase>& bar) {
                             return "Bar" + std::to_string(bar.param.id);
                         });

TEST(ProgramResources, UnknownResourcesAreAbsent) {
    EXPECT_EQ(ProgramResources().MenuBarData(999), nullptr);
    EXPECT_EQ(ProgramResources().Dialog(130), nullptr);
    EXPECT_NE(ProgramResources().Dialog(IDD_FIND), nullptr);
}

TEST(ProgramResources, BitmapsHaveTheirSizesAndAPictureOnWhite) {
    const std::pair<std::uint32_t, QSize> sizes[] = {
        {135, QSize(14, 14)}, {136, QSize(14, 13)}, {137, QSize(10, 16)}, {138, QSize(18, 16)}};
    for (const auto& [id, size] : sizes) {
        const QImage* image = ProgramResources().Bitmap(id);
        ASSERT_NE(image, nullptr) << id;
        EXPECT_EQ(image->size(), size) << id;
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
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("velora_keep_dat_" + std::to_string(::getpid()));
    const std::filesystem::path programFolder = root / "libexec" / "velora";
    std::filesystem::create_directories(programFolder);
    std::filesystem::create_directories(root / "share" / "velora");
    EXPECT_TRUE(FindKeepAwakeSound(programFolder).empty());
    std::ofstream(root / "share" / "velora" / "Keep.dat") << "x";
    EXPECT_EQ(FindKeepAwakeSound(programFolder), root / "share" / "velora" / "Keep.dat");
    std::ofstream(programFolder / "Keep.dat") << "x";
    EXPECT_EQ(FindKeepAwakeSound(programFolder), programFolder / "Keep.dat");
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace velora::resources

namespace velora::resources {
namespace {

// The desktop player takes Keep.dat as it is made; without an audio device it stays silent.
TEST(KeepDat, PlaysInALoopAndStops) {
    static int argc = 1;
    static char name[] = "velora_tests_resources";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("velora_keep_" + std::to_string(::getpid()) + ".dat");
    const std::vector<std::uint8_t> bytes = KeepDatBytes();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::unique_ptr<platform::SoundPlayer> player = platform::CreateDesktopSoundPlayer();
    EXPECT_TRUE(player->Play(file.u16string(), true));
    QCoreApplication::processEvents();
    player->Stop();
    player.reset();
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace velora::resources
