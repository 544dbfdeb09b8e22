// A small square that shows a colour text's colour and reports a click on it.
#include "color_swatch.h"

#include "style/breadcrumb_style.h"
#include "window_look.h"

#include <QMouseEvent>
#include <QPalette>

namespace solvina {

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    showColorText("");
}

void ColorSwatch::showColorText(const std::string& colorText) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colorFromWindowValue(swatchColor(colorText)));
    setPalette(palette);
}

QColor ColorSwatch::shownColor() const {
    return palette().color(QPalette::Window);
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

} // namespace solvina
