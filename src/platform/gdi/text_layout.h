#pragma once
// DrawText's line layout, shared by the painters: prefix characters, line breaks and word
// wrapping as the phone's DrawText does them (see Painter::DrawText).

#include <QFontMetrics>
#include <QString>
#include <vector>

#include "platform/base/win_types.h"

namespace velora::platform {

struct TextLine {
    QString text;
    int width = 0;
};

// Lays `text` out for a rectangle `maxWidth` wide with DrawText `format`.
std::vector<TextLine> LayoutText(const QString& text, UINT format, int maxWidth,
                                 const QFontMetrics& metrics);

}  // namespace velora::platform
