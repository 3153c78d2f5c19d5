#include "platform/gdi/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

#include "platform/base/program_services.h"

namespace velora::platform {

namespace {

// Character height of the device's system font, in pixels. The device's font was 12 pixels high
// and narrow; DejaVu Sans Condensed gives the same look one pixel smaller (its letters are taller
// for their size), and at 12 the About title lines no longer fit the screen's width.
constexpr int kSystemFontCharacterHeight = 11;

QString FromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToUtf16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

QFont BaseFont(const LogFont& font) {
    const bool deviceFont = font.faceName.empty();
    QFont result(deviceFont ? DefaultSansFamily() : FromUtf16(font.faceName));
    // The screens' fixed texts were laid out for the device's font, which was narrower than the
    // desktop's sans-serif at the same height: its semi-condensed face (DejaVu Sans Condensed,
    // from fonts-dejavu-extra) keeps them inside their boxes. A family without one is narrowed
    // by the font engine.
    if (deviceFont) result.setStretch(QFont::SemiCondensed);
    result.setStyleHint(QFont::SansSerif, QFont::NoAntialias);
    result.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
    result.setHintingPreference(QFont::PreferFullHinting);
    result.setKerning(false);
    const int weight = font.weight == FW_DONTCARE ? FW_NORMAL : std::clamp(font.weight, 1, 1000);
    result.setWeight(static_cast<QFont::Weight>(weight));
    result.setItalic(font.italic);
    return result;
}

}  // namespace

QString DefaultSansFamily() {
    // Resolved once per program: fontconfig's answer does not change while it runs.
    struct Family {
        QString name = [] {
            QFont probe(QStringLiteral("sans-serif"));
            probe.setStyleHint(QFont::SansSerif);
            QString resolved = QFontInfo(probe).family();
            if (resolved.isEmpty())
                resolved = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
            return resolved;
        }();
    };
    return CurrentProgramServices().Get<Family>().name;
}

LogFont DefaultFont() {
    return LogFont{-kSystemFontCharacterHeight, FW_NORMAL, false, {}};
}

QFont ToQFont(const HFONT& font) {
    return ToQFont(font ? *font : DefaultFont());
}

QFont ToQFont(const LogFont& font) {
    LogFont described = font;
    if (described.height == 0) described.height = DefaultFont().height;
    QFont result = BaseFont(described);
    if (described.height < 0) {
        result.setPixelSize(-described.height);
    } else {
        // A cell height: scale the character size so that ascent + descent come to it.
        result.setPixelSize(described.height);
        const int cell = QFontMetrics(result).height();
        if (cell > 0 && cell != described.height)
            result.setPixelSize(std::max(1, described.height * described.height / cell));
    }
    return result;
}

int EnumFontFamilies(Painter*, const char16_t* family, FontEnumProc proc, LPARAM data) {
    if (!proc) return 0;
    int result = 1;
    if (!family) {
        const QString first = DefaultSansFamily();
        QStringList families = QFontDatabase::families();
        families.removeAll(first);
        families.prepend(first);
        for (const QString& name : families) {
            if (QFontDatabase::isPrivateFamily(name)) continue;
            LogFont font{kDeviceFontHeight, FW_NORMAL, false, ToUtf16(name)};
            result = proc(font, TRUETYPE_FONTTYPE, data);
            if (result == 0) break;
        }
        return result;
    }
    const QString name = QString::fromUtf16(family);
    for (const QString& style : QFontDatabase::styles(name)) {
        if (QFontDatabase::italic(name, style)) continue;
        LogFont font{kDeviceFontHeight, QFontDatabase::weight(name, style), false, ToUtf16(name)};
        result = proc(font, TRUETYPE_FONTTYPE, data);
        if (result == 0) break;
    }
    return result;
}

COLORREF GetSysColor(int index) {
    switch (index) {
        case COLOR_SCROLLBAR:
            return RGB(200, 200, 200);
        case COLOR_BACKGROUND:
            return RGB(58, 110, 165);
        case COLOR_ACTIVECAPTION:
            return RGB(0, 51, 153);
        case COLOR_MENU:
            return RGB(214, 223, 247);
        case COLOR_WINDOW:
            return RGB(255, 255, 255);
        case COLOR_WINDOWFRAME:
            return RGB(0, 0, 0);
        case COLOR_MENUTEXT:
            return RGB(0, 0, 0);
        case COLOR_WINDOWTEXT:
            return RGB(0, 0, 0);
        case COLOR_CAPTIONTEXT:
            return RGB(255, 255, 255);
        case COLOR_HIGHLIGHT:
            return RGB(49, 106, 197);
        case COLOR_HIGHLIGHTTEXT:
            return RGB(255, 255, 255);
        case COLOR_BTNFACE:
            return RGB(212, 208, 200);
        case COLOR_GRAYTEXT:
            return RGB(128, 128, 128);
        case COLOR_BTNTEXT:
            return RGB(0, 0, 0);
        default:
            return RGB(0, 0, 0);
    }
}

}  // namespace velora::platform
