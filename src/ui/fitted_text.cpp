// Eliding and line breaking for labels whose size never changes.
#include "fitted_text.h"

#include <QLabel>
#include <QTextBoundaryFinder>
#include <QTextDocument>

#include <optional>

namespace solvina {

namespace {

// The width a one-line label gives its text: inside its frame, margins and indent.
int textWidth(const QLabel* label) {
    int indent = label->indent();
    // A framed label indents its text by half an "x" when no indent is set.
    if (indent < 0)
        indent = label->frameWidth() > 0
                     ? label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2
                     : 0;
    return label->contentsRect().width() - 2 * label->margin() - indent;
}

// The grapheme boundaries of text, so that no line ends inside a character.
std::vector<qsizetype> breakPoints(const QString& text) {
    std::vector<qsizetype> points;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        points.push_back(at);
    return points;
}

// text broken into the given line widths, or nullopt when it needs more lines.
std::optional<QStringList> brokenIntoLines(const QFontMetrics& metrics, const QString& text,
                                           const std::vector<int>& lineWidths) {
    const std::vector<qsizetype> points = breakPoints(text);
    QStringList lines;
    qsizetype start = 0;
    std::size_t next = 0; // first break point after start
    for (int width : lineWidths) {
        if (start >= text.size())
            break;
        qsizetype end = start;
        qsizetype afterSlash = -1;
        while (next < points.size() &&
               metrics.horizontalAdvance(text.mid(start, points[next] - start)) <= width) {
            end = points[next++];
            if (text[end - 1] == QLatin1Char('/'))
                afterSlash = end;
        }
        if (end == start)
            return std::nullopt; // not even one character fits
        if (end < text.size() && afterSlash > start && (afterSlash - start) * 2 >= end - start) {
            end = afterSlash;
            while (next > 0 && points[next - 1] > end)
                --next;
        }
        lines << text.mid(start, end - start);
        start = end;
    }
    if (start < text.size())
        return std::nullopt;
    return lines;
}

} // namespace

void showElided(QLabel* label, const QString& text, Qt::TextElideMode mode) {
    label->setText(label->fontMetrics().elidedText(text, mode, textWidth(label)));
    label->setToolTip(plainToolTip(text));
}

QStringList fittedLines(const QFontMetrics& metrics, const QString& prefix, const QString& path,
                        const std::vector<int>& lineWidths) {
    if (auto whole = brokenIntoLines(metrics, prefix + path, lineWidths))
        return *whole;
    // The widest middle cut that still fits; the cut path grows with the width it is given.
    int total = 0;
    for (int width : lineWidths)
        total += width;
    QStringList best = {prefix};
    int low = 0;
    int high = total;
    while (low <= high) {
        const int budget = (low + high) / 2;
        const QString cut = metrics.elidedText(path, Qt::ElideMiddle, budget);
        if (auto lines = brokenIntoLines(metrics, prefix + cut, lineWidths)) {
            best = *lines;
            low = budget + 1;
        } else {
            high = budget - 1;
        }
    }
    return best;
}

QString plainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace solvina
