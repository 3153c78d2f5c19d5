#include "platform/gdi/qt_painter.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/gdi/fonts.h"
#include "platform/gdi/text_layout.h"

namespace velora::platform {

Bitmap::Bitmap(int width, int height)
    : image_(
          std::make_unique<QImage>(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32)) {
    image_->fill(Qt::white);
}

Bitmap::Bitmap(const QImage& image)
    : image_(std::make_unique<QImage>(image.convertToFormat(QImage::Format_RGB32))) {}

Bitmap::~Bitmap() = default;
int Bitmap::Width() const {
    return image_->width();
}
int Bitmap::Height() const {
    return image_->height();
}

namespace {

QColor ToQColor(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QRect ToQRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

class QtPainter : public Painter {
  public:
    QtPainter(QImage* target, std::optional<QRegion> clip)
        : target_(target), clip_(std::move(clip)) {}

    // A memory painter owning its bitmap.
    QtPainter() : bitmap_(std::make_shared<Bitmap>(1, 1)), target_(&bitmap_->Image()) {}

    COLORREF SetTextColor(COLORREF color) override { return std::exchange(textColor_, color); }
    COLORREF GetTextColor() const override { return textColor_; }
    COLORREF SetBkColor(COLORREF color) override { return std::exchange(bkColor_, color); }
    COLORREF GetBkColor() const override { return bkColor_; }
    int SetBkMode(int mode) override { return std::exchange(bkMode_, mode); }
    int GetBkMode() const override { return bkMode_; }
    HFONT SelectFont(HFONT font) override {
        qfontValid_ = false;
        return std::exchange(font_, std::move(font));
    }
    HFONT GetFont() const override { return font_; }
    Pen SelectPen(const Pen& pen) override { return std::exchange(pen_, pen); }
    Brush SelectBrush(const Brush& brush) override { return std::exchange(brush_, brush); }

    void FillRect(const RECT& rect, COLORREF color) override {
        if (rect.IsEmpty()) return;
        QPainter p;
        if (!Begin(p)) return;
        p.fillRect(ToQRect(rect.left, rect.top, rect.right, rect.bottom), ToQColor(color));
    }

    void Rectangle(int left, int top, int right, int bottom) override {
        QPainter p;
        if (!Begin(p)) return;
        if (pen_.style == PenStyle::Null) {
            // GDI draws a null-pen rectangle one pixel smaller on the right and bottom.
            if (!brush_.null)
                p.fillRect(ToQRect(left, top, right - 1, bottom - 1), ToQColor(brush_.color));
            return;
        }
        const int w = std::max(pen_.width, 1);
        if (!brush_.null)
            p.fillRect(ToQRect(left + w, top + w, right - w, bottom - w), ToQColor(brush_.color));
        const QColor penColor = ToQColor(pen_.color);
        p.fillRect(ToQRect(left, top, right, std::min(top + w, bottom)), penColor);
        p.fillRect(ToQRect(left, std::max(bottom - w, top), right, bottom), penColor);
        p.fillRect(ToQRect(left, top, std::min(left + w, right), bottom), penColor);
        p.fillRect(ToQRect(std::max(right - w, left), top, right, bottom), penColor);
    }

    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth,
                   int ellipseHeight) override {
        QPainter p;
        if (!Begin(p)) return;
        const bool outlined = pen_.style != PenStyle::Null;
        const int w = outlined ? std::max(pen_.width, 1) : 0;
        const QRectF box(left + w / 2.0, top + w / 2.0, right - left - w - (outlined ? 0 : 1),
                         bottom - top - w - (outlined ? 0 : 1));
        QPainterPath path;
        path.addRoundedRect(box, ellipseWidth / 2.0, ellipseHeight / 2.0);
        if (!brush_.null) p.fillPath(path, ToQColor(brush_.color));
        if (outlined) {
            QPen pen(ToQColor(pen_.color));
            pen.setWidth(w);
            p.strokePath(path, pen);
        }
    }

    void MoveTo(int x, int y) override { position_ = POINT{x, y}; }

    void LineTo(int x, int y) override {
        const POINT from = position_;
        position_ = POINT{x, y};
        if (pen_.style == PenStyle::Null) return;
        QPainter p;
        if (!Begin(p)) return;
        const int w = std::max(pen_.width, 1);
        const QColor color = ToQColor(pen_.color);
        // The end point is not drawn.
        if (from.x == x) {
            const int top = y > from.y ? from.y : y + 1;
            p.fillRect(QRect(x - (w - 1) / 2, top, w, std::abs(y - from.y)), color);
        } else if (from.y == y) {
            const int left = x > from.x ? from.x : x + 1;
            p.fillRect(QRect(left, y - (w - 1) / 2, std::abs(x - from.x), w), color);
        } else {
            QPen pen(color);
            pen.setWidth(w);
            p.setPen(pen);
            p.drawLine(from.x, from.y, x, y);
        }
    }

    void GradientFill(const RECT& rect, COLORREF from, COLORREF to,
                      GradientDirection direction) override {
        if (rect.IsEmpty()) return;
        QPainter p;
        if (!Begin(p)) return;
        const QRect area = ToQRect(rect.left, rect.top, rect.right, rect.bottom);
        // One colour per column (or row), stepped as the phone's gradient fill steps.
        const bool horizontal = direction == GradientDirection::Horizontal;
        const int steps = horizontal ? area.width() : area.height();
        for (int i = 0; i < steps; ++i) {
            const double t = steps > 1 ? static_cast<double>(i) / (steps - 1) : 0.0;
            const auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t); };
            const QColor c(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
                           mix(GetBValue(from), GetBValue(to)));
            if (horizontal)
                p.fillRect(QRect(area.left() + i, area.top(), 1, area.height()), c);
            else
                p.fillRect(QRect(area.left(), area.top() + i, area.width(), 1), c);
        }
    }

    int DrawText(std::u16string_view text, RECT* rect, UINT format) override {
        if (!rect) return 0;
        const QFont& font = CurrentFont();
        const QFontMetrics metrics(font);
        const int width = rect->right - rect->left;
        const std::vector<TextLine> lines = LayoutText(ToQString(text), format, width, metrics);
        const int lineHeight = metrics.height();
        const int height = lineHeight * static_cast<int>(lines.size());
        if (format & DT_CALCRECT) {
            int widest = 0;
            for (const TextLine& line : lines) widest = std::max(widest, line.width);
            // Wrapped text keeps the rectangle's width (widened for a word longer than it); one
            // line, or lines not wrapped, take the text's own width.
            const bool wrapped =
                (format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && lines.size() > 1;
            rect->right = rect->left + (wrapped ? std::max(width, widest) : widest);
            rect->bottom = rect->top + height;
            return height;
        }
        int y = rect->top;
        if (format & DT_SINGLELINE) {
            if (format & DT_VCENTER)
                y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
            else if (format & DT_BOTTOM)
                y = rect->bottom - lineHeight;
        }
        QPainter p;
        if (!Begin(p)) return height;
        if (!(format & DT_NOCLIP))
            p.setClipRect(ToQRect(rect->left, rect->top, rect->right, rect->bottom),
                          Qt::IntersectClip);
        p.setFont(font);
        for (const TextLine& line : lines) {
            int x = rect->left;
            if (format & DT_CENTER)
                x = rect->left + (width - line.width) / 2;
            else if (format & DT_RIGHT)
                x = rect->right - line.width;
            DrawLine(p, metrics, x, y, line.text, line.width);
            y += lineHeight;
        }
        return height;
    }

    BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect,
                    std::u16string_view text) override {
        QPainter p;
        if (!Begin(p)) return TRUE;
        if (rect && (options & ETO_OPAQUE))
            p.fillRect(ToQRect(rect->left, rect->top, rect->right, rect->bottom),
                       ToQColor(bkColor_));
        if (rect && (options & ETO_CLIPPED))
            p.setClipRect(ToQRect(rect->left, rect->top, rect->right, rect->bottom),
                          Qt::IntersectClip);
        const QFont& font = CurrentFont();
        const QFontMetrics metrics(font);
        p.setFont(font);
        const QString shown = ToQString(text);
        DrawLine(p, metrics, x, y, shown, metrics.horizontalAdvance(shown));
        return TRUE;
    }

    SIZE GetTextExtent(std::u16string_view text) override {
        const QFontMetrics metrics(CurrentFont());
        return SIZE{metrics.horizontalAdvance(ToQString(text)), metrics.height()};
    }

    TextMetrics GetTextMetrics() override {
        const QFontMetrics metrics(CurrentFont());
        TextMetrics result;
        result.height = metrics.height();
        result.ascent = metrics.ascent();
        result.descent = metrics.descent();
        result.internalLeading = std::max(0, metrics.height() - CurrentFont().pixelSize());
        result.averageCharWidth = metrics.averageCharWidth();
        return result;
    }

    int GetDeviceCaps(int index) const override {
        return index == LOGPIXELSX || index == LOGPIXELSY ? kDevicePixelsPerInch : 0;
    }

    std::unique_ptr<Painter> CreateCompatiblePainter() override {
        return std::make_unique<QtPainter>();
    }

    HBITMAP SelectBitmap(HBITMAP bitmap) override {
        if (!bitmap_ || !bitmap) return nullptr;  // a window painter has no bitmap to swap
        HBITMAP previous = std::exchange(bitmap_, std::move(bitmap));
        target_ = &bitmap_->Image();
        return previous;
    }

    BOOL BitBlt(int x, int y, int width, int height, Painter* source, int sourceX, int sourceY,
                DWORD rop) override {
        QPainter p;
        if (!Begin(p)) return TRUE;
        const QRect destination(x, y, width, height);
        switch (rop) {
            case WHITENESS:
                p.fillRect(destination, Qt::white);
                return TRUE;
            case BLACKNESS:
                p.fillRect(destination, Qt::black);
                return TRUE;
            case SRCCOPY: {
                const QImage* image = source ? source->Surface() : nullptr;
                if (!image) return FALSE;
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(QPoint(x, y), *image, QRect(sourceX, sourceY, width, height));
                return TRUE;
            }
            default:
                return FALSE;
        }
    }

    BOOL TransparentImage(int x, int y, int width, int height, Painter* source, int sourceX,
                          int sourceY, int sourceWidth, int sourceHeight,
                          COLORREF transparent) override {
        const QImage* image = source ? source->Surface() : nullptr;
        if (!image) return FALSE;
        QImage piece = image->copy(sourceX, sourceY, sourceWidth, sourceHeight)
                           .convertToFormat(QImage::Format_ARGB32);
        const QRgb key =
            qRgb(GetRValue(transparent), GetGValue(transparent), GetBValue(transparent));
        for (int row = 0; row < piece.height(); ++row) {
            auto* pixels = reinterpret_cast<QRgb*>(piece.scanLine(row));
            for (int column = 0; column < piece.width(); ++column)
                if ((pixels[column] & 0x00FFFFFF) == (key & 0x00FFFFFF)) pixels[column] = 0;
        }
        QPainter p;
        if (!Begin(p)) return TRUE;
        p.drawImage(QRect(x, y, width, height), piece);  // nearest-neighbour: no smoothing
        return TRUE;
    }

    const QImage* Surface() const override { return target_; }

  private:
    bool Begin(QPainter& p) {
        if (clip_ && clip_->isEmpty()) return false;
        if (!target_ || target_->isNull() || !p.begin(target_)) return false;
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (clip_) p.setClipRegion(*clip_);
        return true;
    }

    const QFont& CurrentFont() {
        if (!qfontValid_) {
            qfont_ = ToQFont(font_);
            qfontValid_ = true;
        }
        return qfont_;
    }

    void DrawLine(QPainter& p, const QFontMetrics& metrics, int x, int y, const QString& text,
                  int width) {
        if (bkMode_ == OPAQUE) p.fillRect(QRect(x, y, width, metrics.height()), ToQColor(bkColor_));
        p.setPen(ToQColor(textColor_));
        p.drawText(QPoint(x, y + metrics.ascent()), text);
    }

    HBITMAP bitmap_;  // memory painters: the bitmap selected
    QImage* target_ = nullptr;
    std::optional<QRegion> clip_;
    COLORREF textColor_ = RGB(0, 0, 0);
    COLORREF bkColor_ = RGB(255, 255, 255);
    int bkMode_ = OPAQUE;
    HFONT font_;
    QFont qfont_;
    bool qfontValid_ = false;
    Pen pen_;
    Brush brush_ = WhiteBrush();
    POINT position_;
};

}  // namespace

std::unique_ptr<Painter> CreateQtPainter(QImage* target, std::optional<QRegion> clip) {
    return std::make_unique<QtPainter>(target, std::move(clip));
}

std::unique_ptr<Painter> CreateMemoryPainter() {
    return std::make_unique<QtPainter>();
}

}  // namespace velora::platform
