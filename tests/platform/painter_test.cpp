#include <gtest/gtest.h>

#include <QDir>

#include "platform/gdi/fonts.h"
#include "platform/gdi/qt_painter.h"
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
    EXPECT_EQ(At(11, 11), kBlack);
    EXPECT_EQ(At(12, 12), qRgb(0, 255, 0));
    EXPECT_EQ(At(20, 20), kWhite);
    // The speed marker: a 2-pixel pen on a 2-pixel-wide rectangle is a solid bar.
    painter_->Rectangle(30, 10, 32, 18);
    EXPECT_EQ(At(31, 15), kBlack);
    EXPECT_EQ(At(32, 15), kWhite);

    painter_->SelectPen(NullPen());
    painter_->SelectBrush(CreateSolidBrush(RGB(0, 0, 255)));
    painter_->Rectangle(0, 30, 5, 35);
    EXPECT_EQ(At(3, 33), qRgb(0, 0, 255));
    EXPECT_EQ(At(3, 34), kWhite);
    // A filled rectangle leaves out its right and bottom edges.
    painter_->FillRect(RECT{2, 3, 5, 7}, RGB(255, 0, 0));
    EXPECT_EQ(At(4, 6), qRgb(255, 0, 0));
    EXPECT_EQ(At(4, 7), kWhite);
}

TEST_F(PainterTest, MemoryBitmapIsCopiedInOneTransferAndWhitenessBlanks) {
    std::unique_ptr<Painter> memory = painter_->CreateCompatiblePainter();
    HBITMAP bitmap = painter_->CreateCompatibleBitmap(10, 10);
    memory->SelectBitmap(bitmap);
    memory->FillRect(RECT{0, 0, 10, 10}, RGB(10, 20, 30));
    painter_->BitBlt(5, 5, 10, 10, memory.get(), 0, 0, SRCCOPY);
    EXPECT_EQ(At(14, 14), qRgb(10, 20, 30));
    EXPECT_EQ(At(15, 15), kWhite);
    painter_->PatBlt(5, 5, 3, 3, WHITENESS);
    EXPECT_EQ(At(7, 7), kWhite);
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
        {u"one\rtwo", DT_SINGLELINE, 500, 1},
        {u"word word word", DT_WORDBREAK, wordWidth * 2 + spaceWidth, 2},
        // Spaces opening a paragraph are text: enough of them push the first word down a line.
        {std::u16string(static_cast<std::size_t>(200 / spaceWidth + 1), u' ') + u"word",
         DT_WORDBREAK, 200, 2},
        {u"", DT_WORDBREAK, 100, 1},
    };
    for (const Case& c : cases) {
        RECT rect{0, 0, c.width, 1000};
        painter_->DrawText(c.text, &rect, c.format | DT_CALCRECT);
        EXPECT_EQ(rect.bottom, c.lines * lineHeight) << std::string(c.text.begin(), c.text.end());
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
}

}  // namespace
}  // namespace velora::platform
