#include "reader/paint.h"

#include <gtest/gtest.h>

#include <QImage>
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

struct TimerCall {
    std::uint32_t id;
    std::uint32_t ms;
    bool operator==(const TimerCall&) const = default;
};

class PaintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        velora::testing::GuiApplication();
        settings_.SpeedSet = 210;
        settings_.Light = 1;
        settings_.Tintline = 1;
        settings_.Punct1Bar = 40;
        settings_.Punct2Bar = 20;
        settings_.LenBar = 18;
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
        for (std::size_t i = 0; i < log_.calls.size(); ++i) {
            if (predicate(log_.calls[i])) return static_cast<int>(i);
        }
        return -1;
    }
    int FindText(std::u16string_view text) const {
        return Find([&](const PaintCall& c) { return c.text == text; });
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
    const int frame = Find([](const PaintCall& c) {
        return c.kind == PaintCallKind::BitBlt && c.surface == 0 && c.rect == RECT{0, 0, 176, 39};
    });
    const int bar = Find([](const PaintCall& c) {
        return c.kind == PaintCallKind::FillRect && c.surface == 0 &&
               c.rect == RECT{0, 39, 177, 49};
    });
    const int status = Find([](const PaintCall& c) { return c.kind == PaintCallKind::RoundRect; });
    const int help = Find([](const PaintCall& c) {
        return c.kind == PaintCallKind::BitBlt && c.surface == 0 && c.rect == RECT{0, 50, 176, 155};
    });
    const int speed = FindText(kDecreaseSpeed);
    const int context = Find([](const PaintCall& c) {
        return c.kind == PaintCallKind::DrawText && c.surface == 0 &&
               c.rect == RECT{5, 50, 176, 155};
    });
    const int options = FindText(u"Punctuation Speed");
    ASSERT_GE(frame, 0);
    EXPECT_LT(frame, bar);
    EXPECT_LT(bar, status);
    EXPECT_LT(status, help);
    EXPECT_LT(help, speed);
    EXPECT_LT(speed, context);
    EXPECT_LT(context, options);
    const PaintRequests& r = state_.requests;
    EXPECT_FALSE(r.frame || r.statusBox || r.helpText || r.speedBox || r.contextText ||
                 r.optionsScreen || r.contextBullet);
}

TEST_F(PaintTest, FrameIsComposedOffScreenCentredAdvancesTheCursorAndArmsTheBlankTimer) {
    state_.requests.frame = true;
    const std::size_t cursor = player_.cursor;
    Paint();
    const PaintCall* word = TextCall(u"Alpha");
    ASSERT_NE(word, nullptr);
    EXPECT_NE(word->surface, 0);
    EXPECT_EQ(word->kind, PaintCallKind::DrawText);
    EXPECT_EQ(word->flags, DT_CENTER | DT_SINGLELINE);
    const int copy = Find([&](const PaintCall& c) {
        return c.kind == PaintCallKind::BitBlt && c.sourceSurface == word->surface;
    });
    ASSERT_GE(copy, 0);
    EXPECT_EQ(log_.calls[static_cast<std::size_t>(copy)].flags, SRCCOPY);
    EXPECT_EQ(player_.cursor, cursor + 6);
    // "Alpha" = Len 18 x 5 + wordBase 183.
    EXPECT_EQ(timers_, (std::vector<TimerCall>{{kBlankTimer, 273}}));
    EXPECT_TRUE(state_.timer2Armed);
}

TEST_F(PaintTest, SkipNextTimerShowsTheFrameWithoutArmingAndIsCleared) {
    state_.requests.frame = true;
    state_.skipNextTimer = true;
    Paint();
    EXPECT_TRUE(timers_.empty());
    EXPECT_FALSE(state_.skipNextTimer);
}

TEST_F(PaintTest, BlankWhitensTheWordAreaKeepsTheBarAndArmsTheNextFrameTimer) {
    state_.requests.blank = true;
    Paint();
    ASSERT_EQ(log_.OfKind(PaintCallKind::BitBlt).size(), 1u);
    const PaintCall blank = log_.OfKind(PaintCallKind::BitBlt)[0];
    EXPECT_EQ(blank.surface, 0);
    EXPECT_EQ(blank.rect, (RECT{0, 0, 176, 39}));
    EXPECT_EQ(blank.flags, WHITENESS);
    EXPECT_TRUE(log_.OfKind(PaintCallKind::FillRect).empty());
    EXPECT_EQ(timers_, (std::vector<TimerCall>{{kNextFrameTimer, 78}}));

    // At the end nothing is blanked and nothing armed.
    log_.Clear();
    timers_.clear();
    player_.atEnd = true;
    state_.requests.blank = true;
    Paint();
    EXPECT_TRUE(log_.calls.empty());
    EXPECT_TRUE(timers_.empty());
}

TEST_F(PaintTest, AFrameSupersedesAPendingBlank) {
    state_.requests.frame = true;
    state_.requests.blank = true;
    Paint();
    EXPECT_FALSE(state_.requests.blank);
    EXPECT_EQ(timers_.size(), 1u);
    EXPECT_EQ(timers_[0].id, kBlankTimer);
}

TEST_F(PaintTest, TheEndIsShownWithoutMovingTheCursorOrArmingATimer) {
    player_.atEnd = true;
    player_.tintRed = 0;
    player_.tintGreen = 0;
    state_.requests.frame = true;
    const std::size_t cursor = player_.cursor;
    Paint();
    EXPECT_NE(TextCall(kTheEnd), nullptr);
    EXPECT_EQ(player_.cursor, cursor);
    EXPECT_TRUE(timers_.empty());
    EXPECT_EQ(log_.OfKind(PaintCallKind::FillRect).back().color, RGB(0, 0, 0));
}

TEST_F(PaintTest, TintlineColourUsesTheLowEightBitsOrGreyWhenOff) {
    struct Case {
        std::int32_t tintline, red, green;
        COLORREF expected;
    };
    const Case cases[] = {
        {1, 0, 255, RGB(0, 255, 0)},        {1, 63, 192, RGB(63, 192, 0)},
        {1, 256 + 63, -1, RGB(63, 255, 0)}, {0, 63, 192, RGB(127, 127, 127)},
        {0, 0, 0, RGB(127, 127, 127)},
    };
    for (const Case& c : cases) {
        settings_.Tintline = c.tintline;
        player_.tintRed = c.red;
        player_.tintGreen = c.green;
        EXPECT_EQ(TintlineColor(player_, settings_), c.expected) << c.red << "," << c.green;
    }
}

TEST_F(PaintTest, StatusBoxShowsUnknownOrMeasuredSpeedAndThePosition) {
    player_.positionText = u"42%";
    state_.requests.statusBox = true;
    Paint();
    ASSERT_EQ(log_.OfKind(PaintCallKind::RoundRect).size(), 1u);
    EXPECT_EQ(log_.Texts(), (std::vector<std::u16string>{u"WPM: ?", u"POS:", u"42%"}));
    EXPECT_EQ(TextCall(u"42%")->flags, ETO_CLIPPED);

    log_.Clear();
    player_.wpmKnown = true;
    player_.wpm = 312;
    state_.requests.statusBox = true;
    Paint();
    EXPECT_EQ(log_.Texts(), (std::vector<std::u16string>{u"WPM:", u"312", u"POS:", u"42%"}));

    log_.Clear();
    state_.findMode = true;
    state_.requests.statusBox = true;
    Paint();
    EXPECT_EQ(log_.Texts(), (std::vector<std::u16string>{u"Press play to exit find mode"}));
}
TEST_F(PaintTest, KeyHelpIsDrawnOffScreenInTheFadeGreyAndCopiedBelowTheBar) {
    state_.helpFade = 17;
    state_.requests.helpText = true;
    Paint();
    const PaintCall* help = TextCall(kKeyHelpText);
    ASSERT_NE(help, nullptr);
    EXPECT_NE(help->surface, 0);
    EXPECT_EQ(help->color, RGB(17, 17, 17));
    const auto copies = log_.OfKind(PaintCallKind::BitBlt);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].sourceSurface, help->surface);
}
TEST_F(PaintTest, SpeedBoxClearsTheWordAndPlacesTheMarker) {
    settings_.SpeedBar = 42;  // SpeedSet 210
    state_.speedCaption = kIncreaseSpeed;
    state_.requests.speedBox = true;
    Paint();
    const auto shapes = log_.OfKind(PaintCallKind::Rectangle);
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(shapes[0].rect, (RECT{0, 0, 176, 39}));
    EXPECT_EQ(shapes[2].rect, (RECT{98, 40, 100, 48}));
    EXPECT_NE(TextCall(kIncreaseSpeed), nullptr);
}
TEST_F(PaintTest, ContextTextIsDrawnOnceWithItsBulletThenWithout) {
    player_.markedWord = 6;
    state_.requests.contextText = true;
    state_.requests.contextBullet = true;
    Paint();
    EXPECT_EQ(log_.Texts(),
              (std::vector<std::u16string>{u"Alpha \u2022beta gamma.  Delta epsilon. "}));
    EXPECT_FALSE(state_.requests.contextBullet);
}

TEST_F(PaintTest, FontCollectionAsksForTheStatusBoxAndKeepsANormalWeightFace) {
    CollectWordFontFamily(*CreateMemoryPainter(), font_);
    EXPECT_FALSE(font_.family.empty());
    EXPECT_LE(font_.family.size(), WordFont::kMaxFamilyLength);
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
    EXPECT_EQ(log_.Texts(),
              (std::vector<std::u16string>{u"Punctuation Speed", u"  . ! ? ", u"  , ; : ",
                                           u" Length", u" Numbers", u" Reading Light", u" Tintline",
                                           u" Speed Boost", u"On ", u"Off", u"On ", u"-\u2022"}));
    EXPECT_EQ(TextCall(u"-\u2022")->origin, (POINT{0, 135}));
    // Four gauges, then their markers: the Numbers marker (bar 33) 33 pixels left of the end.
    const auto shapes = log_.OfKind(PaintCallKind::Rectangle);
    ASSERT_EQ(shapes.size(), 8u);
    EXPECT_EQ(shapes[7].rect, (RECT{137, 99, 139, 107}));
}

// A picture through the real Qt painter, kept in screenshots/ for a person to look at.
TEST_F(PaintTest, PictureOfAFrameItsBarAndTheBlankAfterIt) {
    player_.positionText = u"0%";
    state_.requests.frame = true;
    state_.requests.statusBox = true;
    Paint();
    velora::testing::SaveScreenshot(image_, "paint_frame.png");
    EXPECT_EQ(QColor(image_.pixel(10, 44)), QColor(0, 255, 0));
    int dark = 0;
    for (int y = 0; y < 39; ++y) {
        for (int x = 0; x < 176; ++x) dark += qGray(image_.pixel(x, y)) < 128 ? 1 : 0;
    }
    EXPECT_GT(dark, 20);  // the word is there
    // The blank that follows: a white word area, the bar unchanged.
    state_.requests.blank = true;
    Paint();
    for (int y = 0; y < 39; ++y) {
        for (int x = 0; x < 176; ++x) ASSERT_EQ(image_.pixel(x, y), qRgb(255, 255, 255));
    }
    EXPECT_EQ(QColor(image_.pixel(10, 44)), QColor(0, 255, 0));
}

}  // namespace
}  // namespace velora::reader
