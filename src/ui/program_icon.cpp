// The icon: a light-yellow tile with a dark-blue breadcrumb of three steps.
#include "program_icon.h"

#include "window_look.h"

#include <QPainter>

namespace solvina {

QPixmap programPixmap() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kHeadingColor, 1.5));
    painter.setBrush(kWindowBackground);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 4, 4);
    painter.setBrush(kHeadingColor);
    for (int step = 0; step < 3; ++step) {
        const qreal x = 5 + step * 8;
        const QPointF arrow[] = {{x, 10}, {x + 5, 16}, {x, 22}};
        painter.drawPolygon(arrow, 3);
    }
    return pixmap;
}

QIcon programIcon() {
    return QIcon(programPixmap());
}

} // namespace solvina
