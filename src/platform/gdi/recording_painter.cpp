#include "platform/gdi/recording_painter.h"

#include "platform/gdi/qt_painter.h"

namespace velora::platform {

std::vector<PaintCall> PaintLog::OfKind(PaintCallKind kind) const {
    std::vector<PaintCall> result;
    for (const PaintCall& call : calls)
        if (call.kind == kind) result.push_back(call);
    return result;
}

std::vector<std::u16string> PaintLog::Texts() const {
    std::vector<std::u16string> result;
    for (const PaintCall& call : calls)
        if (call.kind == PaintCallKind::DrawText || call.kind == PaintCallKind::ExtTextOut)
            result.push_back(call.text);
    return result;
}

namespace {

class RecordingPainter : public Painter {
  public:
    RecordingPainter(PaintLog& log, std::unique_ptr<Painter> inner, int surface)
        : log_(log), inner_(std::move(inner)), surface_(surface) {}

    Painter& Inner() { return *inner_; }
    int SurfaceId() const { return surface_; }

    COLORREF SetTextColor(COLORREF color) override { return inner_->SetTextColor(color); }
    COLORREF GetTextColor() const override { return inner_->GetTextColor(); }
    COLORREF SetBkColor(COLORREF color) override { return inner_->SetBkColor(color); }
    COLORREF GetBkColor() const override { return inner_->GetBkColor(); }
    int SetBkMode(int mode) override { return inner_->SetBkMode(mode); }
    int GetBkMode() const override { return inner_->GetBkMode(); }
    HFONT SelectFont(HFONT font) override {
        PaintCall call = Make(PaintCallKind::SelectFont);
        call.font = font ? *font : DefaultFont();
        log_.calls.push_back(call);
        return inner_->SelectFont(std::move(font));
    }
    HFONT GetFont() const override { return inner_->GetFont(); }
    Pen SelectPen(const Pen& pen) override {
        pen_ = pen;
        return inner_->SelectPen(pen);
    }
    Brush SelectBrush(const Brush& brush) override {
        brush_ = brush;
        return inner_->SelectBrush(brush);
    }

    void FillRect(const RECT& rect, COLORREF color) override {
        PaintCall call = Make(PaintCallKind::FillRect);
        call.rect = rect;
        call.color = color;
        log_.calls.push_back(call);
        inner_->FillRect(rect, color);
    }

    void Rectangle(int left, int top, int right, int bottom) override {
        log_.calls.push_back(Shape(PaintCallKind::Rectangle, RECT{left, top, right, bottom}));
        inner_->Rectangle(left, top, right, bottom);
    }

    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth,
                   int ellipseHeight) override {
        log_.calls.push_back(Shape(PaintCallKind::RoundRect, RECT{left, top, right, bottom}));
        inner_->RoundRect(left, top, right, bottom, ellipseWidth, ellipseHeight);
    }

    void MoveTo(int x, int y) override {
        position_ = POINT{x, y};
        inner_->MoveTo(x, y);
    }

    void LineTo(int x, int y) override {
        PaintCall call = Shape(PaintCallKind::Line, RECT{position_.x, position_.y, x, y});
        call.color = pen_.color;
        log_.calls.push_back(call);
        position_ = POINT{x, y};
        inner_->LineTo(x, y);
    }

    void GradientFill(const RECT& rect, COLORREF from, COLORREF to,
                      GradientDirection direction) override {
        PaintCall call = Make(PaintCallKind::Gradient);
        call.rect = rect;
        call.color = from;
        call.color2 = to;
        call.flags = direction == GradientDirection::Horizontal ? 0 : 1;
        log_.calls.push_back(call);
        inner_->GradientFill(rect, from, to, direction);
    }

    int DrawText(std::u16string_view text, RECT* rect, UINT format) override {
        if (rect) {
            PaintCall call = Text(PaintCallKind::DrawText, text);
            call.rect = *rect;
            call.origin = POINT{rect->left, rect->top};
            call.flags = format;
            log_.calls.push_back(call);
        }
        return inner_->DrawText(text, rect, format);
    }

    BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect,
                    std::u16string_view text) override {
        PaintCall call = Text(PaintCallKind::ExtTextOut, text);
        call.rect = rect ? *rect : RECT{x, y, x, y};
        call.origin = POINT{x, y};
        call.flags = options;
        log_.calls.push_back(call);
        return inner_->ExtTextOut(x, y, options, rect, text);
    }

    SIZE GetTextExtent(std::u16string_view text) override { return inner_->GetTextExtent(text); }
    TextMetrics GetTextMetrics() override { return inner_->GetTextMetrics(); }
    int GetDeviceCaps(int index) const override { return inner_->GetDeviceCaps(index); }

    std::unique_ptr<Painter> CreateCompatiblePainter() override {
        return std::make_unique<RecordingPainter>(log_, inner_->CreateCompatiblePainter(),
                                                  log_.nextSurface++);
    }

    HBITMAP SelectBitmap(HBITMAP bitmap) override {
        return inner_->SelectBitmap(std::move(bitmap));
    }

    BOOL BitBlt(int x, int y, int width, int height, Painter* source, int sourceX, int sourceY,
                DWORD rop) override {
        PaintCall call = Make(PaintCallKind::BitBlt);
        call.rect = RECT{x, y, x + width, y + height};
        call.flags = rop;
        auto* recorded = dynamic_cast<RecordingPainter*>(source);
        call.sourceSurface = recorded ? recorded->SurfaceId() : -1;
        log_.calls.push_back(call);
        return inner_->BitBlt(x, y, width, height, recorded ? &recorded->Inner() : source, sourceX,
                              sourceY, rop);
    }

    BOOL TransparentImage(int x, int y, int width, int height, Painter* source, int sourceX,
                          int sourceY, int sourceWidth, int sourceHeight,
                          COLORREF transparent) override {
        PaintCall call = Make(PaintCallKind::TransparentImage);
        call.rect = RECT{x, y, x + width, y + height};
        call.color = transparent;
        auto* recorded = dynamic_cast<RecordingPainter*>(source);
        call.sourceSurface = recorded ? recorded->SurfaceId() : -1;
        log_.calls.push_back(call);
        return inner_->TransparentImage(x, y, width, height, recorded ? &recorded->Inner() : source,
                                        sourceX, sourceY, sourceWidth, sourceHeight, transparent);
    }

    const QImage* Surface() const override { return inner_->Surface(); }

  private:
    PaintCall Make(PaintCallKind kind) const {
        PaintCall call{};
        call.kind = kind;
        call.surface = surface_;
        return call;
    }
    PaintCall Shape(PaintCallKind kind, RECT rect) const {
        PaintCall call = Make(kind);
        call.rect = rect;
        call.pen = pen_;
        call.brush = brush_;
        call.color = pen_.color;
        call.color2 = brush_.color;
        return call;
    }
    PaintCall Text(PaintCallKind kind, std::u16string_view text) const {
        PaintCall call = Make(kind);
        call.text = std::u16string(text);
        call.color = inner_->GetTextColor();
        call.color2 = inner_->GetBkColor();
        call.backgroundMode = inner_->GetBkMode();
        const HFONT font = inner_->GetFont();
        call.font = font ? *font : DefaultFont();
        return call;
    }

    PaintLog& log_;
    std::unique_ptr<Painter> inner_;
    int surface_;
    Pen pen_;
    Brush brush_ = WhiteBrush();
    POINT position_;
};

}  // namespace

std::unique_ptr<Painter> CreateRecordingPainter(PaintLog& log, std::unique_ptr<Painter> inner,
                                                int surface) {
    if (!inner) inner = CreateMemoryPainter();
    return std::make_unique<RecordingPainter>(log, std::move(inner), surface);
}

}  // namespace velora::platform
