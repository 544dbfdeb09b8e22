// Texts fitted into labels of a fixed size: long paths shortened with "…", the whole text
// kept for the tooltip, and tooltips that never read a file name as markup.
#pragma once

#include <QFontMetrics>
#include <QString>
#include <QStringList>

#include <vector>

class QLabel;

namespace solvina {

// Shows text on one line of a fixed-width label, cut at mode (Qt::ElideLeft keeps the file
// name at the end of a path) when it does not fit; the tooltip holds the whole text.
void showElided(QLabel* label, const QString& text, Qt::TextElideMode mode);

// Lines of at most lineWidths[i] pixels holding prefix + path, broken anywhere (after a "/"
// where that keeps the line at least half full). A path that does not fit is cut in its
// middle, so that both its start and its file name stay visible.
QStringList fittedLines(const QFontMetrics& metrics, const QString& prefix, const QString& path,
                        const std::vector<int>& lineWidths);

// A tooltip that shows text exactly as it is, even text that looks like markup.
QString plainToolTip(const QString& text);

} // namespace solvina
