#include "reader/paint.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <string>
#include <vector>

#include "harness/screen_driver.h"
#include "platform/gdi/qt_painter.h"
#include "platform/gdi/recording_painter.h"
#include "reader/options_screen.h"
#include "reader/segment_text.h"
#include "services/settings.h"

namespace velora::reader {
namespace {

using namespace platform;

using TimerCall = std::pair<std::uint32_t, std::uint32_t>;  // id, milliseconds

class PaintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        velora::testing::GuiApplication();
        settings_.SpeedSet = 210;
        settings_.Light = 1;
        settings_.Tintline = 1;
        settings_.NumBar = 33;
        services::SetSpeedBoostFactors(settings_);
        services::RecomputeSpeedTimes(settings_);
        InstallDocument(player_, SegmentText(u"Alpha beta gamma. Delta epsilon."));
        JumpToPosition(player_, settings_, 0);
        PrepareNextFrame(player_, settings_, TintStart::Reset);
        state_.requests.fontCollection = false;
        image_ = QImage(176, 180, QImage::Format_RGB32);
        image_.fill(Qt::white);
    }

    // Paints once through a recording painter over the Qt painter on image_.
    void Paint() {
        std::unique_ptr<Painter> window = CreateRecordingPainter(log_, CreateQtPainter(&image_));
        PaintReader(ReaderPaintContext{*window, RECT{0, 0, 176, 180}, player_, settings_, state_,
                                       font_, [this](std::uint32_t id, std::uint32_t ms) {
                                           timers_.push_back({id, ms});
                                       }});
    }

    // Index of the first call matching, or -1.
    template <typename Predicate>
    int Find(Predicate predicate) const {
        const auto found = std::find_if(log_.calls.begin(), log_.calls.end(), predicate);
        return found == log_.calls.end() ? -1 : static_cast<int>(found - log_.calls.begin());
    }
    int FindText(std::u16string_view text) const {
        return Find([&](const PaintCall& c) { return c.text == text; });
    }
    // Index of the first call of `kind` on the window itself over `rect`, or -1.
    int FindOnWindow(PaintCallKind kind, const RECT& rect) const {
        return Find(
            [&](const PaintCall& c) { return c.kind == kind && c.surface == 0 && c.rect == rect; });
    }
    const PaintCall* TextCall(std::u16string_view text) const {
        const int i = FindText(text);
        return i < 0 ? nullptr : &log_.calls[static_cast<std::size_t>(i)];
    }

    services::ReadingSettings settings_;
    Player player_;
    ReaderState state_;
    WordFont font_;
    PaintLog log_;
    QImage image_;
    std::vector<TimerCall> timers_;
};

TEST_F(PaintTest, OnePaintHonoursEveryRequestInTheFixedOrder) {
    state_.requests.frame = true;
    state_.requests.statusBox = true;
    state_.requests.helpText = true;
    state_.requests.speedBox = true;
    state_.speedCaption = kDecreaseSpeed;
    state_.requests.contextText = true;
    state_.requests.optionsScreen = true;
    Paint();
    // The frame, the bar, the status box, the key help, the speed box, the context text and the
    // Options screen.
    const std::vector<int> order = {
        FindOnWindow(PaintCallKind::BitBlt, RECT{0, 0, 176, 39}),
        FindOnWindow(PaintCallKind::FillRect, RECT{0, 39, 177, 49}),
        Find([](const PaintCall& c) { return c.kind == PaintCallKind::RoundRect; }),
        FindOnWindow(PaintCallKind::BitBlt, RECT{0, 50, 176, 155}),
        FindText(kDecreaseSpeed),
        FindOnWindow(PaintCallKind::DrawText, RECT{5, 50, 176, 155}),
        FindText(u"Punctuation Speed"),
    };
    EXPECT_GE(order[0], 0);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(std::adjacent_find(order.begin(), order.end()), order.end());
    const PaintRequests& r = state_.requests;
    EXPECT_FALSE(r.frame || r.statusBox || r.helpText || r.speedBox || r.contextText ||
                 r.optionsScreen || r.contextBullet);
}

TEST_F(PaintTest, FrameIsComposedOffScreenCentredAdvancesTheCursorAndArmsTheBlankTimer) {
    state_.requests.frame = true;
    state_.requests.blank = true;  // a frame supersedes a pending blank
    const std::size_t cursor = player_.cursor;
    Paint();
    const PaintCall* word = TextCall(u"Alpha");
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->flags, DT_CENTER | DT_SINGLELINE);
    EXPECT_GE(Find([&](const PaintCall& c) {
                  return c.kind == PaintCallKind::BitBlt && c.sourceSurface == word->surface &&
                         c.flags == SRCCOPY;
              }),
              0);
    EXPECT_EQ(player_.cursor, cursor + 6);
    // "Alpha" = Len 18 x 5 + wordBase 183.
    EXPECT_EQ(timers_, (std::vector<TimerCall>{{kBlankTimer, 273}}));
    EXPECT_FALSE(state_.requests.blank);
}

TEST_F(PaintTest, BlankWhitensTheWordAreaKeepsTheBarAndArmsTheNextFrameTimer) {
    state_.requests.blank = true;
    Paint();
    ASSERT_EQ(log_.calls.size(), 1u) << "the bar is kept";
    EXPECT_EQ(log_.calls[0].kind, PaintCallKind::BitBlt);
    EXPECT_EQ(log_.calls[0].flags, WHITENESS);
    EXPECT_EQ(timers_, (std::vector<TimerCall>{{kNextFrameTimer, 78}}));

    // At the end nothing is blanked and nothing armed.
    log_.Clear();
    player_.atEnd = true;
    state_.requests.blank = true;
    Paint();
    EXPECT_TRUE(log_.calls.empty());
}

TEST_F(PaintTest, TintlineColourUsesTheLowEightBitsOrGreyWhenOff) {
    player_.tintRed = 256 + 63;
    player_.tintGreen = -1;
    EXPECT_EQ(TintlineColor(player_, settings_), RGB(63, 255, 0));
    settings_.Tintline = 0;
    EXPECT_EQ(TintlineColor(player_, settings_), RGB(127, 127, 127));
}

TEST_F(PaintTest, FontCollectionAsksForTheStatusBoxAndKeepsANormalWeightFace) {
    CollectWordFontFamily(*CreateMemoryPainter(), font_);
    EXPECT_FALSE(font_.family.empty());
    state_.requests.fontCollection = true;
    Paint();
    EXPECT_FALSE(state_.requests.fontCollection);
    EXPECT_EQ(log_.OfKind(PaintCallKind::RoundRect).size(), 1u);
    if (!font_.face.faceName.empty()) {
        EXPECT_EQ(font_.face.weight, FW_NORMAL);
    }
}

TEST_F(PaintTest, OptionsScreenDrawsLabelsValuesSelectionGaugesAndMarkers) {
    settings_.Tintline = 0;
    settings_.SpeedBoost = 5;
    state_.optionSel = 5;
    state_.requests.optionsScreen = true;
    Paint();
    // The labels, then the three switches' values and the selection marker.
    const std::vector<std::u16string> texts = log_.Texts();
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(std::vector(texts.begin() + 8, texts.end()),
              (std::vector<std::u16string>{u"On ", u"Off", u"On ", u"-\u2022"}));
    // Four gauges, then their markers: the Numbers marker (bar 33) 33 pixels left of the end.
    const auto shapes = log_.OfKind(PaintCallKind::Rectangle);
    ASSERT_EQ(shapes.size(), 8u);
    EXPECT_EQ(shapes[7].rect, (RECT{137, 99, 139, 107}));
}

// A picture through the real Qt painter, kept in screenshots/ for a person to look at.
TEST_F(PaintTest, PictureOfAFrameAndItsBar) {
    player_.positionText = u"0%";
    state_.requests.frame = true;
    state_.requests.statusBox = true;
    Paint();
    velora::testing::SaveScreenshot(image_, "paint_frame.png");
    int dark = 0;
    for (int y = 0; y < 39; ++y) {
        for (int x = 0; x < 176; ++x) dark += qGray(image_.pixel(x, y)) < 128 ? 1 : 0;
    }
    EXPECT_GT(dark, 20);  // the word is there
    EXPECT_EQ(QColor(image_.pixel(10, 44)), QColor(0, 255, 0));
}

}  // namespace
}  // namespace velora::reader
