// The picture of the whole phone screen: caption strip, client area, soft-key bar.

#include <QPainter>

#include "platform/gdi/fonts.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/screen.h"

namespace velora::platform {

namespace {

QColor ToQColor(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void FillVerticalGradient(QPainter& p, const QRect& area, QColor top, QColor bottom) {
    for (int row = 0; row < area.height(); ++row) {
        const double t = area.height() > 1 ? static_cast<double>(row) / (area.height() - 1) : 0.0;
        const auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t); };
        p.fillRect(QRect(area.left(), area.top() + row, area.width(), 1),
                   QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                          mix(top.blue(), bottom.blue())));
    }
}

}  // namespace

QImage Screen::Compose() {
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);

    QFont captionFont = ToQFont(DefaultFont());
    captionFont.setWeight(QFont::Bold);
    const QFont labelFont = ToQFont(DefaultFont());
    const HWND top = Top();

    // Caption strip: the top window's title.
    const QRect caption(0, 0, kScreenWidth, kCaptionHeight);
    FillVerticalGradient(p, caption, ToQColor(GetSysColor(COLOR_HIGHLIGHT)),
                         ToQColor(GetSysColor(COLOR_ACTIVECAPTION)));
    if (top) {
        p.setFont(captionFont);
        p.setPen(ToQColor(GetSysColor(COLOR_CAPTIONTEXT)));
        p.drawText(caption.adjusted(4, 0, -4, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ToQString(top->Title()));
    }

    // Client area.
    if (top) p.drawImage(QPoint(0, kCaptionHeight), Surface(top));

    // Soft-key bar: the two buttons of the top window's visible bar.
    const QRect bar(0, kCaptionHeight + kClientHeight, kScreenWidth, kSoftKeyBarHeight);
    FillVerticalGradient(p, bar, ToQColor(GetSysColor(COLOR_MENU)),
                         ToQColor(GetSysColor(COLOR_HIGHLIGHT)));
    p.fillRect(QRect(bar.left(), bar.top(), bar.width(), 1),
               ToQColor(GetSysColor(COLOR_HIGHLIGHT)));
    if (MenuBar* menuBar = VisibleMenuBar(top)) {
        p.setFont(labelFont);
        p.setPen(ToQColor(GetSysColor(COLOR_MENUTEXT)));
        const auto& buttons = menuBar->Buttons();
        const int half = kScreenWidth / 2;
        p.fillRect(QRect(half, bar.top() + 4, 1, bar.height() - 8),
                   ToQColor(GetSysColor(COLOR_HIGHLIGHT)));
        for (std::size_t b = 0; b < buttons.size() && b < 2; ++b) {
            const QRect area(b == 0 ? 0 : half, bar.top() + 1, half, bar.height() - 1);
            p.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, ToQString(buttons[b].label));
        }
    }
    return image;
}

}  // namespace velora::platform
