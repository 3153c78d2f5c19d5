#include "platform/gdi/text_layout.h"

#include "platform/gdi/painter.h"

namespace velora::platform {

namespace {

QString StripPrefixes(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                result += u'&';
                ++i;
            }
            continue;  // a lone '&' marks the next character (drawn without the underline)
        }
        result += text[i];
    }
    return result;
}

// Splits at CR LF, CR and LF.
std::vector<QString> SplitParagraphs(const QString& text) {
    std::vector<QString> paragraphs;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            paragraphs.push_back(current);
            current.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            continue;
        }
        current += c;
    }
    paragraphs.push_back(current);
    return paragraphs;
}

void WrapParagraph(const QString& paragraph, int maxWidth, const QFontMetrics& metrics,
                   std::vector<TextLine>& lines) {
    // Spaces that open the paragraph are part of its first line; spaces between words are
    // pending until the next word: they join the line with it, or are dropped where the line
    // breaks.
    QString line;
    QString pendingSpaces;
    qsizetype i = 0;
    while (i < paragraph.size() && paragraph[i] == u' ') line += paragraph[i++];
    while (i < paragraph.size()) {
        if (paragraph[i] == u' ') {
            pendingSpaces += paragraph[i++];
            continue;
        }
        QString word;
        while (i < paragraph.size() && paragraph[i] != u' ') word += paragraph[i++];
        const QString candidate = line + pendingSpaces + word;
        if (line.isEmpty() || metrics.horizontalAdvance(candidate) <= maxWidth) {
            line = candidate;
        } else {
            lines.push_back(TextLine{line, metrics.horizontalAdvance(line)});
            line = word;
        }
        pendingSpaces.clear();
    }
    line += pendingSpaces;
    lines.push_back(TextLine{line, metrics.horizontalAdvance(line)});
}

// Tab stops every eight characters of the line.
QString ExpandTabs(const QString& text) {
    QString result;
    int column = 0;
    for (const QChar c : text) {
        if (c == u'\t') {
            do {
                result += u' ';
                ++column;
            } while (column % 8 != 0);
            continue;
        }
        result += c;
        column = (c == u'\r' || c == u'\n') ? 0 : column + 1;
    }
    return result;
}

}  // namespace

std::vector<TextLine> LayoutText(const QString& text, UINT format, int maxWidth,
                                 const QFontMetrics& metrics) {
    QString shown = (format & DT_NOPREFIX) ? text : StripPrefixes(text);
    if (format & DT_EXPANDTABS) shown = ExpandTabs(shown);
    std::vector<TextLine> lines;
    if (format & DT_SINGLELINE) {
        QString single = shown;
        single.remove(u'\r');
        single.remove(u'\n');
        lines.push_back(TextLine{single, metrics.horizontalAdvance(single)});
        return lines;
    }
    for (const QString& paragraph : SplitParagraphs(shown)) {
        if (format & DT_WORDBREAK)
            WrapParagraph(paragraph, maxWidth, metrics, lines);
        else
            lines.push_back(TextLine{paragraph, metrics.horizontalAdvance(paragraph)});
    }
    return lines;
}

}  // namespace velora::platform
