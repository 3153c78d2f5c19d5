#pragma once
// Fonts of the device in Qt terms: the desktop's default sans-serif family, and the QFont that a
// LogFont describes (pixel sizes, no anti-aliasing, so that text is drawn in whole device pixels;
// the device's own font, a LogFont without a face name, in the family's semi-condensed face).

#include <QFont>
#include <QString>

#include "platform/gdi/painter.h"

namespace velora::platform {

// The family fontconfig picks for "sans-serif" (e.g. "DejaVu Sans").
QString DefaultSansFamily();
// The QFont a LogFont describes; a null font is DefaultFont().
QFont ToQFont(const HFONT& font);
QFont ToQFont(const LogFont& font);

}  // namespace velora::platform
