#pragma once
// A painter that records every drawing call, for tests: what was drawn, where, in which colour
// and font, in order. It forwards each call to an inner painter (when given), so the picture is
// drawn too; without one it answers text measurements from the device font.

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/painter.h"

namespace velora::platform {

enum class PaintCallKind {
    FillRect,
    Rectangle,
    RoundRect,
    Line,      // MoveTo then LineTo: rect holds (x0, y0, x1, y1)
    Gradient,  // color: from, color2: to
    DrawText,
    ExtTextOut,
    BitBlt,  // rect: destination; rop in flags; sourceSurface names the source
    TransparentImage,
    SelectFont,
};

struct PaintCall {
    PaintCallKind kind;
    int surface = 0;  // 0: the window; 1, 2, ...: memory painters in order of creation
    RECT rect;        // ExtTextOut: its rectangle, else (x, y, x, y)
    POINT origin;     // texts: where the text starts (ExtTextOut's x, y)
    std::u16string text;
    COLORREF color = 0;      // fill colour, text colour, pen colour
    COLORREF color2 = 0;     // outline / background / gradient end colour
    UINT flags = 0;          // DrawText format, ExtTextOut options, raster operation
    int backgroundMode = 0;  // for texts
    int sourceSurface = -1;  // for transfers
    LogFont font;            // for texts and SelectFont (the default font when none)
    Pen pen;                 // for shapes and lines
    Brush brush;             // for shapes
};

class PaintLog {
  public:
    std::vector<PaintCall> calls;
    int nextSurface = 1;

    std::vector<PaintCall> OfKind(PaintCallKind kind) const;
    // The texts drawn with DrawText or ExtTextOut, in order.
    std::vector<std::u16string> Texts() const;
    void Clear() { calls.clear(); }
};

// `inner` may be null. `surface` is 0 for a window painter.
std::unique_ptr<Painter> CreateRecordingPainter(PaintLog& log, std::unique_ptr<Painter> inner,
                                                int surface = 0);

}  // namespace velora::platform
