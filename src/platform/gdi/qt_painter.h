#pragma once
// The painter over QPainter: draws in logical pixels on a QImage (a window's client area or an
// off-screen bitmap), without anti-aliasing so that every pixel is the device's pixel.

#include <QImage>
#include <QRegion>
#include <memory>
#include <optional>

#include "platform/gdi/painter.h"

namespace velora::platform {

// Draws on `target` (not owned; it must outlive the painter), clipped to `clip` when given (an
// empty region lets nothing through).
std::unique_ptr<Painter> CreateQtPainter(QImage* target,
                                         std::optional<QRegion> clip = std::nullopt);
// A memory painter with its own 1 x 1 bitmap selected (CreateCompatibleDC).
std::unique_ptr<Painter> CreateMemoryPainter();

}  // namespace velora::platform
