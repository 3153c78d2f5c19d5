// Every fixed text of the screens fits the box it is drawn in, measured with the device font
// through the real painter. The screens are drawn at the device's size and scaled as a whole, so
// what fits here fits at every scale.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <string>
#include <vector>

#include "content/text_sources.h"
#include "platform/qt_painter.h"
#include "reader/options_screen.h"
#include "reader/paint.h"
#include "reader/paint_layout.h"

namespace velora::app {
namespace {

using namespace velora::reader;

TEST(FixedTexts, FitTheirBoxesInTheDeviceFont) {
    static int argc = 1;
    static char name[] = "velora_tests_app";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QApplication(argc, argv);
    QImage image(kClientWidth, kClientHeight, QImage::Format_RGB32);
    const std::unique_ptr<platform::Painter> painter = platform::CreateQtPainter(&image);

    struct Row {
        std::u16string text;
        int left;
        int right;  // the first pixel the text must leave free
    };
    const int statusInside = kStatusBox.right - 1;  // the box's border
    std::vector<Row> rows = {
        {kFindModeStatus, 7, statusInside},
        {u"WPM: ?", 15, 108},
        {u"WPM:", 15, 51},
        {u"9999", 52, 108},
        {u"POS:", 108, 137},
        {u"100%", 138, statusInside},
        {std::u16string(kOptionsHeading.text), kOptionsHeading.x, kClientWidth},
        {u"Off", kOptionsSwitchValueX, kClientWidth},
    };
    for (int row = 0; row < kOptionsRowCount; ++row) {
        const OptionsLabel& label = kOptionsLabels[row];
        rows.push_back({std::u16string(label.text), label.x, row < 4 ? 70 : kOptionsSwitchValueX});
    }
    // The About box's title lines, each on a line of its own inside the edit box's margins.
    std::u16string about;
    content::LoadAboutText(about);
    for (std::size_t start = 0, end; (end = about.find(u"\r\n", start)) != start; start = end + 2) {
        rows.push_back({about.substr(start, end - start), 2, kClientWidth - 2});
    }

    for (const Row& row : rows) {
        const int width = painter->GetTextExtent(row.text).cx;
        EXPECT_LE(row.left + width, row.right) << QString::fromStdU16String(row.text).toStdString();
    }
}

}  // namespace
}  // namespace velora::app
