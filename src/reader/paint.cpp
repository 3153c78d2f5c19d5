#include "reader/paint.h"

#include <string>

#include "reader/context_text.h"
#include "reader/options_screen.h"
#include "reader/paint_layout.h"

namespace velora::reader {
namespace {

using platform::COLORREF;
using platform::Painter;
using platform::RECT;
using platform::RGB;

constexpr RECT ToRect(const LayoutRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kTintlineOffColor = RGB(127, 127, 127);

int KeepFirstFamily(const platform::LogFont& font, platform::DWORD, platform::LPARAM data) {
    auto* wordFont = reinterpret_cast<WordFont*>(data);
    wordFont->family = font.faceName.substr(0, WordFont::kMaxFamilyLength);
    return 0;  // the first family only
}

int KeepNormalWeightFace(const platform::LogFont& font, platform::DWORD, platform::LPARAM data) {
    auto* wordFont = reinterpret_cast<WordFont*>(data);
    if (font.weight == platform::FW_NORMAL) wordFont->face = font;
    return 1;
}

// The word font, made from the kept face at the first frame. A family without a face of weight
// 400 leaves the description empty; the family itself is then used at its normal weight and the
// device's word height, so the word stays readable.
platform::HFONT WordFontObject(WordFont& wordFont) {
    if (!wordFont.font) {
        platform::LogFont face = wordFont.face;
        if (face.faceName.empty()) {
            face.faceName = wordFont.family;
            face.weight = platform::FW_NORMAL;
            face.height = platform::kDeviceFontHeight;
        }
        wordFont.font = platform::CreateFontIndirect(face);
    }
    return wordFont.font;
}

void PaintFrameOrBlank(const ReaderPaintContext& c) {
    ReaderState& state = c.state;
    Player& player = c.player;
    const COLORREF barColor = TintlineColor(player, c.settings);
    std::unique_ptr<Painter> memory = c.window.CreateCompatiblePainter();
    memory->SelectBitmap(c.window.CreateCompatibleBitmap(kWordArea.right, kWordArea.bottom));

    if (state.requests.frame) {
        platform::HFONT previousFont = memory->SelectFont(WordFontObject(c.wordFont));
        const RECT wordArea = ToRect(kWordArea);
        memory->FillRect(wordArea, kWhite);
        RECT textRect = wordArea;
        std::u16string_view text;
        if (FrameText(player, text)) {
            memory->DrawText(text, &textRect, platform::DT_CENTER | platform::DT_SINGLELINE);
            AdvancePastFrame(player);
        } else {
            memory->DrawText(kTheEnd, &textRect, platform::DT_CENTER | platform::DT_SINGLELINE);
        }
        memory->SelectFont(previousFont);
        c.window.BitBlt(0, 0, kWordArea.right, kWordArea.bottom, memory.get(), 0, 0,
                        platform::SRCCOPY);
        c.window.FillRect(ToRect(kTintlineBar), barColor);

        // A frame supersedes a blank still pending, which would otherwise arm a second timer.
        state.requests.frame = false;
        state.requests.blank = false;
        if (!player.atEnd && !state.skipNextTimer && c.setTimer) {
            c.setTimer(kBlankTimer, static_cast<std::uint32_t>(c.settings.CurWordDelay));
            state.timer2Armed = true;
        }
    } else {
        // The bar keeps the colour of the frame just shown.
        if (!player.atEnd) {
            c.window.PatBlt(kWordArea.left, kWordArea.top, kWordArea.right, kWordArea.bottom,
                            platform::WHITENESS);
        }
        state.requests.blank = false;
        if (!player.atEnd && !state.skipNextTimer && c.setTimer) {
            c.setTimer(kNextFrameTimer, static_cast<std::uint32_t>(c.settings.gapDelay));
            state.timer1Armed = true;
        }
    }
    state.skipNextTimer = false;
}

void PaintStatusBox(const ReaderPaintContext& c) {
    Painter& window = c.window;
    const platform::Pen previousPen =
        window.SelectPen(platform::CreatePen(1, platform::GetSysColor(platform::COLOR_HIGHLIGHT)));
    const platform::Brush previousBrush =
        window.SelectBrush(platform::CreateSolidBrush(platform::GetSysColor(platform::COLOR_MENU)));
    window.RoundRect(kStatusBox.left, kStatusBox.top, kStatusBox.right, kStatusBox.bottom, 10, 10);
    window.SelectPen(previousPen);
    window.SelectBrush(previousBrush);
    window.SetBkMode(platform::TRANSPARENT);

    const RECT box = ToRect(kStatusBox);
    const auto text = [&](int x, int y, std::u16string_view s) {
        window.ExtTextOut(x, y, platform::ETO_CLIPPED, &box, s);
    };
    if (c.state.findMode) {
        text(7, 157, kFindModeStatus);
        return;
    }
    if (c.player.wpmKnown) {
        text(15, 158, u"WPM:");
        const std::string number = std::to_string(c.player.wpm);
        text(52, 158, std::u16string(number.begin(), number.end()));
    } else {
        text(15, 158, u"WPM: ?");
    }
    text(108, 158, u"POS:");
    text(138, 158, c.player.positionText);
}

void PaintHelpText(const ReaderPaintContext& c) {
    std::unique_ptr<Painter> memory = c.window.CreateCompatiblePainter();
    memory->SelectBitmap(c.window.CreateCompatibleBitmap(kHelpBitmapWidth, kHelpBitmapHeight));
    const int fade = c.state.helpFade & 0xFF;
    memory->SetTextColor(RGB(fade, fade, fade));
    RECT box = ToRect(kHelpTextBox);
    memory->FillRect(box, kWhite);
    memory->DrawText(kKeyHelpText, &box, platform::DT_WORDBREAK);
    c.window.BitBlt(0, kHelpCopyTop, kHelpBitmapWidth, kHelpCopyHeight, memory.get(), 0, 0,
                    platform::SRCCOPY);
}

void PaintSpeedBox(const ReaderPaintContext& c) {
    Painter& window = c.window;
    const int top = c.client.top;
    const platform::Pen previousPen = window.SelectPen(platform::NullPen());
    const platform::Brush previousBrush = window.SelectBrush(platform::WhiteBrush());
    window.Rectangle(c.client.left, top, kWordArea.right, kWordArea.bottom);
    const RECT clip = ToRect(kWordAreaAndBar);
    window.ExtTextOut(45, 10, platform::ETO_CLIPPED, &clip, c.state.speedCaption);

    window.SelectPen(platform::CreatePen(1, platform::GetSysColor(platform::COLOR_HIGHLIGHT)));
    window.SelectBrush(platform::CreateSolidBrush(platform::GetSysColor(platform::COLOR_MENU)));
    window.Rectangle(38, top + 40, 138, 48);
    const int bar = c.settings.SpeedBar;
    window.SelectPen(platform::CreatePen(2, RGB(0, 0, 0)));
    window.Rectangle(140 - bar, top + 40, 142 - bar, 48);
    window.SelectPen(previousPen);
    window.SelectBrush(previousBrush);
}

void PaintContextText(const ReaderPaintContext& c) {
    const Player& player = c.player;
    const std::u16string text = BuildContextText(
        player.document, ContextTextStart(player.cursor), player.markedWord,
        c.state.requests.contextBullet ? ContextBullet::With : ContextBullet::Without);
    RECT area = ToRect(kHelpArea);
    c.window.DrawText(text, &area, platform::DT_WORDBREAK);
}

}  // namespace

COLORREF TintlineColor(const Player& player, const services::ReadingSettings& settings) {
    if (settings.Tintline == 0) return kTintlineOffColor;
    return RGB(player.tintRed & 0xFF, player.tintGreen & 0xFF, 0);
}

void CollectWordFontFamily(Painter& painter, WordFont& wordFont) {
    wordFont.family.clear();
    platform::EnumFontFamilies(&painter, nullptr, KeepFirstFamily,
                               reinterpret_cast<platform::LPARAM>(&wordFont));
}

void CollectWordFontFaces(Painter& painter, WordFont& wordFont) {
    if (wordFont.family.empty()) return;
    platform::EnumFontFamilies(&painter, wordFont.family.c_str(), KeepNormalWeightFace,
                               reinterpret_cast<platform::LPARAM>(&wordFont));
}

void PaintReader(const ReaderPaintContext& c) {
    PaintRequests& requests = c.state.requests;
    if (requests.fontCollection) {
        requests.fontCollection = false;
        requests.statusBox = true;
        CollectWordFontFaces(c.window, c.wordFont);
    }
    if (requests.frame || requests.blank) PaintFrameOrBlank(c);
    if (requests.statusBox) {
        requests.statusBox = false;
        PaintStatusBox(c);
    }
    if (requests.helpText) {
        requests.helpText = false;
        PaintHelpText(c);
    }
    if (requests.speedBox) {
        requests.speedBox = false;
        PaintSpeedBox(c);
    }
    if (requests.contextText) {
        requests.contextText = false;
        PaintContextText(c);
        requests.contextBullet = false;
    }
    if (requests.optionsScreen) {
        requests.optionsScreen = false;
        PaintOptionsScreen(c.window, c.client, c.settings, c.state.optionSel);
    }
}

}  // namespace velora::reader
