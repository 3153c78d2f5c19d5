#pragma once
// The painter over QPainter: draws in logical pixels on a QImage (a window's client area or an
// off-screen bitmap), without anti-aliasing so that every pixel is the device's pixel.

#include <QImage>
#include <QRegion>
#include <memory>

#include "platform/painter.h"

namespace velora::platform {

// Draws on `target` (not owned; it must outlive the painter), clipped to `clip` when it is not
// empty.
std::unique_ptr<Painter> CreateQtPainter(QImage* target, const QRegion& clip = QRegion());
// A memory painter with its own 1 x 1 bitmap selected (CreateCompatibleDC).
std::unique_ptr<Painter> CreateMemoryPainter();

}  // namespace velora::platform
