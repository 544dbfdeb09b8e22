// The look every window shares.
#include "window_look.h"

#include <QLabel>
#include <QPalette>
#include <QStringList>
#include <QWidget>

namespace solvina {

QFont interfaceFont(double pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    font.setPointSizeF(pointSize);
    return font;
}

void applyWindowLook(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, kWindowBackground);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setFont(interfaceFont());
}

void makeHeading(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kHeadingColor);
    label->setPalette(palette);
}

QColor colorFromWindowValue(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

} // namespace solvina
