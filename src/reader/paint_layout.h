#pragma once
// The fixed layout of the Reader window's client area, in logical pixels of the 176-pixel-wide
// device screen (left, top, right, bottom; right and bottom exclusive).

namespace velora::reader {

struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

inline constexpr int kClientWidth = 176;
inline constexpr int kClientHeight = 180;

// The flashed word; also the size of the off-screen word bitmap.
inline constexpr LayoutRect kWordArea{0, 0, 176, 39};
// The word area with the Tintline bar, invalidated for every new frame and for the speed box.
inline constexpr LayoutRect kWordAreaAndBar{0, 0, 176, 49};
// The Tintline bar (one pixel wider than the screen, as drawn on the device).
inline constexpr LayoutRect kTintlineBar{0, 39, 177, 49};
// Key help while playing, context text while stopped.
inline constexpr LayoutRect kHelpArea{5, 50, 176, 155};
// Where the key help is laid out inside its own 176 x 106 bitmap, copied to the window at y 50.
inline constexpr LayoutRect kHelpTextBox{5, 0, 176, 105};
inline constexpr int kHelpBitmapWidth = 176;
inline constexpr int kHelpBitmapHeight = 106;
inline constexpr int kHelpCopyHeight = 105;
inline constexpr int kHelpCopyTop = 50;
// The rounded box with "WPM:" and "POS:".
inline constexpr LayoutRect kStatusBox{3, 156, 173, 177};

// Options screen: the selection mark column and the value areas of the four gauges.
inline constexpr LayoutRect kOptionsSelectionColumn{0, 30, 10, 200};
inline constexpr LayoutRect kOptionsValueAreas[4] = {
    {65, 32, 175, 48}, {65, 53, 175, 69}, {65, 74, 175, 90}, {65, 95, 175, 111}};

}  // namespace velora::reader
