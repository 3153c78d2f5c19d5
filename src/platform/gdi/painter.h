#pragma once
// The device context of the phone's GDI as one interface, in logical pixels (one logical pixel is
// one pixel of the 176-pixel-wide phone screen): selected pen, brush, font, text and background
// colours, background mode, text output with DrawText's format flags, shapes, and bit-block
// transfers between off-screen bitmaps and the window. Two implementations: one over QPainter
// (qt_painter.h), used on screen and for off-screen pictures in tests, and a recording one
// (recording_painter.h) that logs every call so tests can check what was drawn, in order.
//
// Shapes follow GDI's rules: a rectangle's right and bottom edges are exclusive; Rectangle and
// RoundRect outline with the selected pen inside their rectangle and fill with the selected brush;
// with the null pen the filled area is one pixel smaller on the right and bottom.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/base/win_types.h"

class QImage;

namespace velora::platform {

// --- Drawing objects -------------------------------------------------------------------------

enum class PenStyle { Solid, Null };

struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    COLORREF color = RGB(0, 0, 0);

    bool operator==(const Pen&) const = default;
};
// CreatePen(PS_SOLID, width, color); GetStockObject(NULL_PEN); GetStockObject(BLACK_PEN).
inline Pen CreatePen(int width, COLORREF color) {
    return Pen{PenStyle::Solid, width, color};
}
inline Pen NullPen() {
    return Pen{PenStyle::Null, 0, 0};
}
inline Pen BlackPen() {
    return Pen{};
}

struct Brush {
    bool null = false;
    COLORREF color = RGB(255, 255, 255);

    bool operator==(const Brush&) const = default;
};
// CreateSolidBrush(color); GetStockObject(NULL_BRUSH); GetStockObject(WHITE_BRUSH).
inline Brush CreateSolidBrush(COLORREF color) {
    return Brush{false, color};
}
inline Brush NullBrush() {
    return Brush{true, 0};
}
inline Brush WhiteBrush() {
    return Brush{false, RGB(255, 255, 255)};
}

inline constexpr int FW_DONTCARE = 0;
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_SEMIBOLD = 600;
inline constexpr int FW_BOLD = 700;

// A font description as LOGFONT gives it. height > 0: the cell height (ascent + descent) in
// pixels; height < 0: the character height (cell height less internal leading); 0: the default
// size. An empty face name means the device's default sans-serif family.
struct LogFont {
    int height = 0;
    int weight = FW_DONTCARE;
    bool italic = false;
    std::u16string faceName;

    bool operator==(const LogFont&) const = default;
};

// A created font (HFONT). nullptr selects the device's default font.
using HFONT = std::shared_ptr<const LogFont>;
inline HFONT CreateFontIndirect(const LogFont& font) {
    return std::make_shared<const LogFont>(font);
}

// An off-screen bitmap (HBITMAP) in logical pixels, white when created.
class Bitmap {
  public:
    Bitmap(int width, int height);
    explicit Bitmap(const QImage& image);
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int Width() const;
    int Height() const;
    QImage& Image() { return *image_; }
    const QImage& Image() const { return *image_; }

  private:
    std::unique_ptr<QImage> image_;
};
using HBITMAP = std::shared_ptr<Bitmap>;

// --- Text ------------------------------------------------------------------------------------

// DrawText format flags.
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_EXPANDTABS = 0x0040;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;

// ExtTextOut options.
inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Raster operations of BitBlt / PatBlt.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

// GetDeviceCaps index.
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
// Pixels per logical inch of the device screen.
inline constexpr int kDevicePixelsPerInch = 96;

struct TextMetrics {
    int height = 0;  // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int averageCharWidth = 0;
};

// --- The device context ----------------------------------------------------------------------

class Painter {
  public:
    virtual ~Painter() = default;

    // Drawing state; each setter returns the previous value.
    virtual COLORREF SetTextColor(COLORREF color) = 0;
    virtual COLORREF GetTextColor() const = 0;
    virtual COLORREF SetBkColor(COLORREF color) = 0;
    virtual COLORREF GetBkColor() const = 0;
    virtual int SetBkMode(int mode) = 0;
    virtual int GetBkMode() const = 0;
    virtual HFONT SelectFont(HFONT font) = 0;
    virtual HFONT GetFont() const = 0;
    virtual Pen SelectPen(const Pen& pen) = 0;
    virtual Brush SelectBrush(const Brush& brush) = 0;

    // Fills `rect` with a solid colour (FillRect with a solid brush); no outline.
    virtual void FillRect(const RECT& rect, COLORREF color) = 0;
    // Outlined with the selected pen, filled with the selected brush.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void RoundRect(int left, int top, int right, int bottom, int ellipseWidth,
                           int ellipseHeight) = 0;
    // Lines with the selected pen; LineTo draws up to but not including the end point.
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Fills `rect` with a linear gradient from `from` to `to`, left to right (or top to bottom).
    enum class GradientDirection { Horizontal, Vertical };
    virtual void GradientFill(const RECT& rect, COLORREF from, COLORREF to,
                              GradientDirection direction) = 0;

    // DrawText: lays `text` out in `*rect` with the selected font and text colour (the
    // background filled with the background colour in OPAQUE mode). Lines break at CR, LF and
    // CR LF; with DT_WORDBREAK also between words, a run of spaces where a line breaks being
    // dropped; DT_SINGLELINE keeps one line. Unless DT_NOPREFIX, "&&" draws "&" and a lone "&"
    // is dropped. DT_EXPANDTABS sets tab stops every eight characters. Clipped to the rectangle
    // unless DT_NOCLIP. DT_CALCRECT draws nothing and sets
    // the rectangle's right and bottom to the laid-out text's extent. Returns the text's height.
    virtual int DrawText(std::u16string_view text, RECT* rect, UINT format) = 0;
    // The drawing calls return FALSE only for a missing source or an unknown raster operation,
    // mistakes of the caller's code rather than states met at run time: not [[nodiscard]].
    // Text whose cell's top-left corner is (x, y); ETO_OPAQUE fills `rect` (if given) with the
    // background colour, ETO_CLIPPED clips to `rect`.
    virtual BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect,
                            std::u16string_view text) = 0;
    BOOL TextOut(int x, int y, std::u16string_view text) {
        return ExtTextOut(x, y, 0, nullptr, text);
    }
    virtual SIZE GetTextExtent(std::u16string_view text) = 0;
    virtual TextMetrics GetTextMetrics() = 0;
    virtual int GetDeviceCaps(int index) const = 0;

    // Off-screen drawing (CreateCompatibleDC, CreateCompatibleBitmap, SelectObject): a memory
    // painter draws into the bitmap selected into it (a 1 x 1 bitmap until one is).
    virtual std::unique_ptr<Painter> CreateCompatiblePainter() = 0;
    HBITMAP CreateCompatibleBitmap(int width, int height) {
        return std::make_shared<Bitmap>(width, height);
    }
    // Memory painters only; returns the bitmap selected before.
    virtual HBITMAP SelectBitmap(HBITMAP bitmap) = 0;
    // Copies a `width` x `height` block from `source` at (sourceX, sourceY) to (x, y). With
    // WHITENESS or BLACKNESS the source is not used and may be null.
    virtual BOOL BitBlt(int x, int y, int width, int height, Painter* source, int sourceX,
                        int sourceY, DWORD rop) = 0;
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop) {
        return BitBlt(x, y, width, height, nullptr, 0, 0, rop);
    }
    // Copies and scales a block, leaving out the pixels of colour `transparent`.
    virtual BOOL TransparentImage(int x, int y, int width, int height, Painter* source, int sourceX,
                                  int sourceY, int sourceWidth, int sourceHeight,
                                  COLORREF transparent) = 0;

    // Pixels of the bitmap or window this painter draws on (its own picture, unclipped).
    virtual const QImage* Surface() const = 0;
};

// GetSysColor indexes and the device's colours for them.
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
COLORREF GetSysColor(int index);

// Fonts available to the device, in the order EnumFontFamilies gives them.
inline constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;
// Called once per family (with a null family name) or once per face of the named family; return
// non-zero to go on. The LogFont carries the face name, weight, italic flag and the height at
// which the device offers the font.
using FontEnumProc = int (*)(const LogFont& font, DWORD fontType, LPARAM data);
// With `family` null: one call per family, the desktop's default sans-serif family first. With a
// family name: one call per upright face of that family (the phone's fonts had no italics), in
// the font database's order, each reported at kDeviceFontHeight. Returns the last callback's
// result (1 if none was made).
int EnumFontFamilies(Painter* painter, const char16_t* family, FontEnumProc proc, LPARAM data);
// Cell height at which enumerated fonts are offered: fills the 39-pixel word area with room for
// descenders.
inline constexpr int kDeviceFontHeight = 36;
// The device's default (system) font, used when no font is selected.
LogFont DefaultFont();

}  // namespace velora::platform
