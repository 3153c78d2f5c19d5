#include <gtest/gtest.h>

#include <QDir>

#include "platform/gdi/fonts.h"
#include "platform/gdi/qt_painter.h"
#include "platform/gdi/recording_painter.h"
#include "screen_test_support.h"

namespace velora::platform {
namespace {

class PainterTest : public ::testing::Test {
  protected:
    PainterTest() {
        testing_support::GuiApplication();
        image_.fill(Qt::white);
    }
    QRgb At(int x, int y) const { return image_.pixel(x, y) | 0xFF000000; }

    QImage image_{40, 40, QImage::Format_RGB32};
    std::unique_ptr<Painter> painter_ = CreateQtPainter(&image_);
};

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

TEST_F(PainterTest, PenOutlinesInsideAndNullPenFillsOnePixelLess) {
    painter_->SelectPen(CreatePen(2, RGB(0, 0, 0)));
    painter_->SelectBrush(CreateSolidBrush(RGB(0, 255, 0)));
    painter_->Rectangle(10, 10, 20, 20);
    EXPECT_EQ(At(10, 10), kBlack);
    EXPECT_EQ(At(11, 11), kBlack);
    EXPECT_EQ(At(12, 12), qRgb(0, 255, 0));
    EXPECT_EQ(At(19, 19), kBlack);
    EXPECT_EQ(At(20, 20), kWhite);
    // The speed marker: a 2-pixel pen on a 2-pixel-wide rectangle is a solid bar.
    painter_->Rectangle(30, 10, 32, 18);
    EXPECT_EQ(At(30, 15), kBlack);
    EXPECT_EQ(At(31, 15), kBlack);
    EXPECT_EQ(At(32, 15), kWhite);

    painter_->SelectPen(NullPen());
    painter_->SelectBrush(CreateSolidBrush(RGB(0, 0, 255)));
    painter_->Rectangle(0, 30, 5, 35);
    EXPECT_EQ(At(3, 33), qRgb(0, 0, 255));
    EXPECT_EQ(At(4, 33), kWhite);
    EXPECT_EQ(At(3, 34), kWhite);
    // A filled rectangle leaves out its right and bottom edges.
    painter_->FillRect(RECT{2, 3, 5, 7}, RGB(255, 0, 0));
    EXPECT_EQ(At(2, 3), qRgb(255, 0, 0));
    EXPECT_EQ(At(4, 6), qRgb(255, 0, 0));
    EXPECT_EQ(At(5, 6), kWhite);
    EXPECT_EQ(At(4, 7), kWhite);
}

TEST_F(PainterTest, LinesLeaveOutTheirEndPoint) {
    painter_->SelectPen(CreatePen(1, RGB(0, 0, 0)));
    painter_->MoveTo(5, 0);
    painter_->LineTo(5, 35);
    EXPECT_EQ(At(5, 0), kBlack);
    EXPECT_EQ(At(5, 34), kBlack);
    EXPECT_EQ(At(5, 35), kWhite);
    painter_->MoveTo(0, 36);
    painter_->LineTo(40, 36);
    EXPECT_EQ(At(39, 36), kBlack);
}

TEST_F(PainterTest, MemoryBitmapIsCopiedInOneTransferAndWhitenessBlanks) {
    std::unique_ptr<Painter> memory = painter_->CreateCompatiblePainter();
    HBITMAP bitmap = painter_->CreateCompatibleBitmap(10, 10);
    memory->SelectBitmap(bitmap);
    memory->FillRect(RECT{0, 0, 10, 10}, RGB(10, 20, 30));
    painter_->BitBlt(5, 5, 10, 10, memory.get(), 0, 0, SRCCOPY);
    EXPECT_EQ(At(5, 5), qRgb(10, 20, 30));
    EXPECT_EQ(At(14, 14), qRgb(10, 20, 30));
    EXPECT_EQ(At(15, 15), kWhite);
    painter_->PatBlt(5, 5, 3, 3, WHITENESS);
    EXPECT_EQ(At(6, 6), kWhite);
    EXPECT_EQ(At(8, 8), qRgb(10, 20, 30));
}

TEST_F(PainterTest, TransparentImageLeavesOutTheKeyColour) {
    std::unique_ptr<Painter> memory = painter_->CreateCompatiblePainter();
    memory->SelectBitmap(painter_->CreateCompatibleBitmap(4, 4));  // white
    memory->FillRect(RECT{1, 1, 3, 3}, RGB(255, 0, 0));
    painter_->FillRect(RECT{0, 0, 40, 40}, RGB(0, 0, 255));
    painter_->TransparentImage(10, 10, 4, 4, memory.get(), 0, 0, 4, 4, RGB(255, 255, 255));
    EXPECT_EQ(At(10, 10), qRgb(0, 0, 255));
    EXPECT_EQ(At(11, 11), qRgb(255, 0, 0));
}

TEST_F(PainterTest, DrawTextLayout) {
    const int lineHeight = painter_->GetTextMetrics().height;
    ASSERT_GT(lineHeight, 8);
    const int spaceWidth = painter_->GetTextExtent(u" ").cx;
    const int wordWidth = painter_->GetTextExtent(u"word").cx;

    struct Case {
        std::u16string text;
        UINT format;
        int width;
        int lines;
    };
    const Case cases[] = {
        {u"one\rtwo\r\rthree", DT_WORDBREAK, 500, 4},  // CR CR leaves an empty line
        {u"one\r\ntwo\nthree", 0, 500, 3},
        {u"one\rtwo", DT_SINGLELINE, 500, 1},
        {u"word word word", DT_WORDBREAK, wordWidth * 2 + spaceWidth, 2},
        {u"word word word", 0, wordWidth, 1},
        // Spaces opening a paragraph are text: enough of them push the first word down a line.
        {std::u16string(static_cast<std::size_t>(200 / spaceWidth + 1), u' ') + u"word",
         DT_WORDBREAK, 200, 2},
        {u"", DT_WORDBREAK, 100, 1},
    };
    for (const Case& c : cases) {
        RECT rect{0, 0, c.width, 1000};
        EXPECT_EQ(painter_->DrawText(c.text, &rect, c.format | DT_CALCRECT), c.lines * lineHeight)
            << std::string(c.text.begin(), c.text.end());
        EXPECT_EQ(rect.bottom, c.lines * lineHeight);
    }
    RECT tabbed{0, 0, 500, 100};
    painter_->DrawText(u"ab\tc", &tabbed, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    EXPECT_EQ(tabbed.right, painter_->GetTextExtent(u"ab      c").cx);
    RECT single{0, 0, 500, 100};
    painter_->DrawText(u"a&&b", &single, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(single.right, painter_->GetTextExtent(u"a&b").cx);
    RECT noPrefix{0, 0, 500, 100};
    painter_->DrawText(u"a&&b", &noPrefix, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(noPrefix.right, painter_->GetTextExtent(u"a&&b").cx);
}

TEST_F(PainterTest, CenteredTextIsClippedToItsRectangleAndDrawnInTheTextColour) {
    painter_->SetTextColor(RGB(255, 0, 0));
    painter_->SetBkMode(TRANSPARENT);
    RECT rect{0, 0, 40, 10};
    painter_->DrawText(u"WWWWWWWWWW", &rect, DT_CENTER | DT_SINGLELINE);
    bool red = false;
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 10; ++y) red = red || At(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);
    for (int x = 0; x < 40; ++x)
        for (int y = 10; y < 40; ++y) ASSERT_EQ(At(x, y), kWhite) << x << "," << y;
}

TEST_F(PainterTest, RecordingPainterLogsCallsWithSurfacesColoursAndFonts) {
    PaintLog log;
    std::unique_ptr<Painter> recording = CreateRecordingPainter(log, CreateQtPainter(&image_));
    HFONT big = CreateFontIndirect(LogFont{36, FW_NORMAL, false, u""});
    std::unique_ptr<Painter> memory = recording->CreateCompatiblePainter();
    memory->SelectBitmap(recording->CreateCompatibleBitmap(40, 20));
    memory->SelectFont(big);
    memory->FillRect(RECT{0, 0, 40, 20}, RGB(255, 255, 255));
    RECT word{0, 0, 40, 20};
    memory->SetTextColor(RGB(1, 2, 3));
    memory->DrawText(u"Hi", &word, DT_CENTER | DT_SINGLELINE);
    recording->BitBlt(0, 0, 40, 20, memory.get(), 0, 0, SRCCOPY);
    recording->FillRect(RECT{0, 20, 40, 30}, RGB(0, 255, 0));
    recording->ExtTextOut(7, 31, ETO_CLIPPED, nullptr, u"WPM: ?");

    ASSERT_EQ(log.calls.size(), 6u);
    EXPECT_EQ(log.calls[0].kind, PaintCallKind::SelectFont);
    EXPECT_EQ(log.calls[0].font.height, 36);
    EXPECT_EQ(log.calls[1].surface, 1);
    const PaintCall& text = log.calls[2];
    EXPECT_EQ(text.kind, PaintCallKind::DrawText);
    EXPECT_EQ(text.text, u"Hi");
    EXPECT_EQ(text.color, RGB(1, 2, 3));
    EXPECT_EQ(text.flags, DT_CENTER | DT_SINGLELINE);
    EXPECT_EQ(text.font.height, 36);
    const PaintCall& copy = log.calls[3];
    EXPECT_EQ(copy.kind, PaintCallKind::BitBlt);
    EXPECT_EQ(copy.surface, 0);
    EXPECT_EQ(copy.sourceSurface, 1);
    EXPECT_EQ(copy.rect, (RECT{0, 0, 40, 20}));
    EXPECT_EQ(log.calls[4].color, RGB(0, 255, 0));
    EXPECT_EQ(log.calls[5].origin, (POINT{7, 31}));
    EXPECT_EQ(log.calls[5].font, DefaultFont());
    EXPECT_EQ(log.Texts(), (std::vector<std::u16string>{u"Hi", u"WPM: ?"}));
    // The drawing reached the picture too.
    EXPECT_EQ(At(0, 25), qRgb(0, 255, 0));
}

// The fonts EnumFontFamilies offers for `family` (nullptr: one per family).
std::vector<LogFont> Enumerate(const char16_t* family) {
    std::vector<LogFont> fonts;
    EnumFontFamilies(
        nullptr, family,
        [](const LogFont& font, DWORD, LPARAM data) {
            reinterpret_cast<std::vector<LogFont>*>(data)->push_back(font);
            return 1;
        },
        reinterpret_cast<LPARAM>(&fonts));
    return fonts;
}

TEST(Fonts, TheDefaultSansFamilyComesFirstWithAnUprightNormalFace) {
    testing_support::GuiApplication();
    const std::vector<LogFont> families = Enumerate(nullptr);
    ASSERT_FALSE(families.empty());
    EXPECT_EQ(QString::fromStdU16String(families[0].faceName), DefaultSansFamily());
    bool normal = false;
    for (const LogFont& face : Enumerate(families[0].faceName.c_str())) {
        EXPECT_FALSE(face.italic);
        EXPECT_EQ(face.height, kDeviceFontHeight);
        normal = normal || face.weight == FW_NORMAL;
    }
    EXPECT_TRUE(normal);
    // Stopping early: the callback's 0 ends the enumeration.
    int calls = 0;
    EXPECT_EQ(EnumFontFamilies(
                  nullptr, nullptr,
                  [](const LogFont&, DWORD, LPARAM data) {
                      ++*reinterpret_cast<int*>(data);
                      return 0;
                  },
                  reinterpret_cast<LPARAM>(&calls)),
              0);
    EXPECT_EQ(calls, 1);
}

TEST(Fonts, CellHeightAndCharacterHeightAreHonoured) {
    testing_support::GuiApplication();
    QImage image(10, 10, QImage::Format_RGB32);
    std::unique_ptr<Painter> painter = CreateQtPainter(&image);
    painter->SelectFont(CreateFontIndirect(LogFont{kDeviceFontHeight, FW_NORMAL, false, u""}));
    const TextMetrics cell = painter->GetTextMetrics();
    EXPECT_LE(cell.height, kDeviceFontHeight);
    EXPECT_GE(cell.height, kDeviceFontHeight - 3);
    EXPECT_LE(cell.height, 39);  // fits the word area
    painter->SelectFont(
        CreateFontIndirect(LogFont{-(11 * kDevicePixelsPerInch) / 72, FW_SEMIBOLD, false, u""}));
    EXPECT_EQ(ToQFont(painter->GetFont()).pixelSize(), 14);
    EXPECT_GE(ToQFont(painter->GetFont()).weight(), 600);
}

}  // namespace
}  // namespace velora::platform
