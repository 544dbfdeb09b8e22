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

// One character as the eye sees it (a grapheme), with its width.
struct Piece {
    QString text;
    qreal advance = 0;
};

std::vector<Piece> piecesOf(const QFontMetricsF& metrics, const QString& text) {
    std::vector<Piece> pieces;
    pieces.reserve(static_cast<std::size_t>(text.size()));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        const QString piece = text.mid(start, end - start);
        // A lone character is measured without shaping, many times faster: the label shows
        // every page of a run.
        pieces.push_back({piece, piece.size() == 1 ? metrics.horizontalAdvance(piece[0])
                                                   : metrics.horizontalAdvance(piece)});
        start = end;
    }
    return pieces;
}

// The pieces broken into the given line widths, or nullopt when they need more lines.
std::optional<QStringList> brokenIntoLines(const std::vector<const Piece*>& pieces,
                                           const std::vector<int>& lineWidths) {
    QStringList lines;
    std::size_t start = 0;
    for (int width : lineWidths) {
        if (start >= pieces.size())
            break;
        std::size_t end = start;
        std::size_t afterSlash = 0;
        qreal used = 0;
        while (end < pieces.size() && used + pieces[end]->advance <= width) {
            used += pieces[end]->advance;
            if (pieces[end++]->text == QLatin1String("/"))
                afterSlash = end;
        }
        if (end == start)
            return std::nullopt; // not even one character fits
        if (end < pieces.size() && afterSlash > start && (afterSlash - start) * 2 >= end - start)
            end = afterSlash;
        QString line;
        for (std::size_t i = start; i < end; ++i)
            line += pieces[i]->text;
        lines << line;
        start = end;
    }
    if (start < pieces.size())
        return std::nullopt;
    return lines;
}

// prefix + path in the lines, the path cut in its middle as little as needed.
QStringList fitOnce(const std::vector<Piece>& prefix, const std::vector<Piece>& path,
                    const Piece& ellipsis, const std::vector<int>& lineWidths) {
    auto pointers = [](const std::vector<Piece>& pieces, std::size_t from, std::size_t to,
                       std::vector<const Piece*>& into) {
        for (std::size_t i = from; i < to; ++i)
            into.push_back(&pieces[i]);
    };
    std::vector<const Piece*> whole;
    pointers(prefix, 0, prefix.size(), whole);
    pointers(path, 0, path.size(), whole);
    if (auto lines = brokenIntoLines(whole, lineWidths))
        return *lines;
    // Keep the most characters that fit, half from the start and the rest from the end.
    QStringList best;
    std::size_t low = 0;
    std::size_t high = path.size();
    while (low <= high) {
        const std::size_t kept = (low + high) / 2;
        std::vector<const Piece*> cut;
        pointers(prefix, 0, prefix.size(), cut);
        pointers(path, 0, kept / 2, cut);
        cut.push_back(&ellipsis);
        pointers(path, path.size() - (kept - kept / 2), path.size(), cut);
        if (auto lines = brokenIntoLines(cut, lineWidths)) {
            best = *lines;
            low = kept + 1;
        } else if (kept == 0) {
            break;
        } else {
            high = kept - 1;
        }
    }
    return best;
}

} // namespace

void showElided(QLabel* label, const QString& text, Qt::TextElideMode mode) {
    label->setText(label->fontMetrics().elidedText(text, mode, textWidth(label)));
    label->setToolTip(plainToolTip(text));
}

QStringList fittedLines(const QFontMetrics& metrics, const QString& prefix, const QString& path,
                        const std::vector<int>& lineWidths) {
    // Characters are measured one by one: kerning only ever narrows a drawn line, so the sum
    // is a safe bound, and shaping each candidate line would cost a run far more.
    const QFontMetricsF exact(metrics);
    const Piece ellipsis{QString(QChar(0x2026)), exact.horizontalAdvance(QChar(0x2026))};
    return fitOnce(piecesOf(exact, prefix), piecesOf(exact, path), ellipsis, lineWidths);
}

QString plainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace solvina
