#include "reader/paint.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi/qt_painter.h"
#include "platform/gdi/recording_painter.h"
#include "reader/options_screen.h"
#include "reader/segment_text.h"
#include "reader_window_test_support.h"
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
        testing_support::Application();
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

    // Beside the test program, in the build folder, whatever the working directory.
    void SavePicture(const char* name) const {
        std::error_code error;
        const std::filesystem::path program =
            std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) return;
        image_.save(QString::fromStdString((program.parent_path() / name).string()));
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
    EXPECT_EQ(word->rect, (RECT{0, 0, 176, 39}));
    EXPECT_EQ(word->font.weight == FW_NORMAL || word->font.weight == FW_DONTCARE, true);
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
    const auto boxes = log_.OfKind(PaintCallKind::RoundRect);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rect, (RECT{3, 156, 173, 177}));
    EXPECT_EQ(boxes[0].pen.color, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(boxes[0].pen.width, 1);
    EXPECT_EQ(boxes[0].brush.color, GetSysColor(COLOR_MENU));
    EXPECT_EQ(log_.Texts(), (std::vector<std::u16string>{u"WPM: ?", u"POS:", u"42%"}));
    EXPECT_EQ(TextCall(u"WPM: ?")->origin, (POINT{15, 158}));
    EXPECT_EQ(TextCall(u"POS:")->origin, (POINT{108, 158}));
    EXPECT_EQ(TextCall(u"42%")->origin, (POINT{138, 158}));
    EXPECT_EQ(TextCall(u"42%")->flags, ETO_CLIPPED);
    EXPECT_EQ(TextCall(u"42%")->rect, (RECT{3, 156, 173, 177}));
    EXPECT_EQ(TextCall(u"42%")->backgroundMode, TRANSPARENT);

    log_.Clear();
    player_.wpmKnown = true;
    player_.wpm = 312;
    state_.requests.statusBox = true;
    Paint();
    EXPECT_EQ(log_.Texts(), (std::vector<std::u16string>{u"WPM:", u"312", u"POS:", u"42%"}));
    EXPECT_EQ(TextCall(u"312")->origin, (POINT{52, 158}));

    log_.Clear();
    state_.findMode = true;
    state_.requests.statusBox = true;
    Paint();
    EXPECT_EQ(log_.Texts(), (std::vector<std::u16string>{u"Press play to exit find mode"}));
    EXPECT_EQ(TextCall(u"Press play to exit find mode")->origin, (POINT{7, 157}));
}

TEST_F(PaintTest, KeyHelpIsDrawnOffScreenInTheFadeGreyAndCopiedBelowTheBar) {
    EXPECT_EQ(kKeyHelpText.size(), 198u);
    for (std::int32_t fade : {0, 17, 255}) {
        log_.Clear();
        state_.helpFade = fade;
        state_.requests.helpText = true;
        Paint();
        const PaintCall* help = TextCall(kKeyHelpText);
        ASSERT_NE(help, nullptr);
        EXPECT_NE(help->surface, 0);
        EXPECT_EQ(help->color, RGB(fade, fade, fade));
        EXPECT_EQ(help->flags, DT_WORDBREAK);
        EXPECT_EQ(help->rect, (RECT{5, 0, 176, 105}));
        const auto copies = log_.OfKind(PaintCallKind::BitBlt);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(copies[0].rect, (RECT{0, 50, 176, 155}));
        EXPECT_EQ(copies[0].sourceSurface, help->surface);
    }
}

TEST_F(PaintTest, SpeedBoxClearsTheWordAndPlacesTheMarker) {
    settings_.SpeedBar = 42;  // SpeedSet 210
    state_.speedCaption = kIncreaseSpeed;
    state_.requests.speedBox = true;
    Paint();
    const auto shapes = log_.OfKind(PaintCallKind::Rectangle);
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(shapes[0].rect, (RECT{0, 0, 176, 39}));
    EXPECT_EQ(shapes[0].pen.style, PenStyle::Null);
    EXPECT_EQ(shapes[0].brush.color, RGB(255, 255, 255));
    EXPECT_EQ(shapes[1].rect, (RECT{38, 40, 138, 48}));
    EXPECT_EQ(shapes[1].pen.color, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(shapes[1].brush.color, GetSysColor(COLOR_MENU));
    EXPECT_EQ(shapes[2].rect, (RECT{98, 40, 100, 48}));
    EXPECT_EQ(shapes[2].pen.width, 2);
    EXPECT_EQ(shapes[2].pen.color, RGB(0, 0, 0));
    const PaintCall* caption = TextCall(kIncreaseSpeed);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->origin, (POINT{45, 10}));
    EXPECT_EQ(caption->rect, (RECT{0, 0, 176, 49}));
}

TEST_F(PaintTest, ContextTextStartsAtTheDocumentOrFortyCharactersBackAndDropsTheBulletAfter) {
    std::u16string text;
    for (int i = 0; i < 30; ++i) text += u"word" + std::u16string(1, u'a' + (i % 26)) + u" ";
    text += u"end.";
    InstallDocument(player_, SegmentText(text));
    JumpToPosition(player_, settings_, 0);
    player_.cursor = 10;
    player_.markedWord = 6;
    state_.requests.contextText = true;
    state_.requests.contextBullet = true;
    Paint();
    ASSERT_EQ(log_.Texts().size(), 1u);
    EXPECT_EQ(log_.Texts()[0].substr(0, 14), u"worda \u2022wordb w");
    EXPECT_FALSE(state_.requests.contextBullet);

    log_.Clear();
    player_.cursor = 62;  // 40 back is 22, inside "wordd": the text starts at the next space
    state_.requests.contextText = true;
    Paint();
    EXPECT_EQ(log_.Texts()[0].substr(0, 7), u" worde ");
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
    settings_.Light = 1;
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
    EXPECT_EQ(TextCall(u"Off")->origin, (POINT{120, 135}));
    const auto shapes = log_.OfKind(PaintCallKind::Rectangle);
    ASSERT_EQ(shapes.size(), 8u);
    const int bars[4] = {40, 20, 18, 33};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(shapes[i].rect, (RECT{70, 36 + 21 * i, 171, 44 + 21 * i}));
        EXPECT_EQ(shapes[i].pen.color, GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(shapes[4 + i].rect,
                  (RECT{170 - bars[i], 36 + 21 * i, 172 - bars[i], 44 + 21 * i}));
        EXPECT_EQ(shapes[4 + i].pen.width, 2);
    }
}

// Pictures through the real Qt painter, written beside the test program for inspection.
TEST_F(PaintTest, PictureOfAFrameItsBarAndTheStatusBox) {
    player_.positionText = u"0%";
    state_.requests.frame = true;
    state_.requests.statusBox = true;
    Paint();
    SavePicture("paint_frame.png");
    EXPECT_EQ(QColor(image_.pixel(10, 44)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(image_.pixel(175, 40)), QColor(0, 255, 0));
    int dark = 0;
    for (int y = 0; y < 39; ++y) {
        for (int x = 0; x < 176; ++x) dark += qGray(image_.pixel(x, y)) < 128 ? 1 : 0;
    }
    EXPECT_GT(dark, 20);  // the word is there
    // Inside the status box, away from its texts: the menu colour.
    const COLORREF menu = GetSysColor(COLOR_MENU);
    EXPECT_EQ(QColor(image_.pixel(90, 175)),
              QColor(GetRValue(menu), GetGValue(menu), GetBValue(menu)));
    // The outline in the highlight colour.
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(QColor(image_.pixel(90, 156)),
              QColor(GetRValue(highlight), GetGValue(highlight), GetBValue(highlight)));

    // The blank that follows: a white word area, the bar unchanged.
    state_.requests.blank = true;
    Paint();
    SavePicture("paint_blank.png");
    for (int y = 0; y < 39; ++y) {
        for (int x = 0; x < 176; ++x) {
            ASSERT_EQ(image_.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
        }
    }
    EXPECT_EQ(QColor(image_.pixel(10, 44)), QColor(0, 255, 0));
}

TEST_F(PaintTest, PictureWithTheTintlineOffAndTheOptionsScreen) {
    settings_.Tintline = 0;
    player_.tintRed = 200;
    state_.requests.frame = true;
    Paint();
    EXPECT_EQ(QColor(image_.pixel(88, 45)), QColor(127, 127, 127));
    image_.fill(Qt::white);
    state_.optionSel = 2;
    state_.requests.optionsScreen = true;
    Paint();
    SavePicture("paint_options.png");
    // The Len marker (bar 18) is black, its gauge filled with the menu colour.
    EXPECT_EQ(QColor(image_.pixel(152, 82)), QColor(0, 0, 0));
    const COLORREF menu = GetSysColor(COLOR_MENU);
    EXPECT_EQ(QColor(image_.pixel(100, 82)),
              QColor(GetRValue(menu), GetGValue(menu), GetBValue(menu)));
}

}  // namespace
}  // namespace velora::reader
