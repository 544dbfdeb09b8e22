// The look every window shares.
#include "window_look.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QStringList>
#include <QStyleOption>
#include <QWidget>

namespace solvina {

namespace {

// The application's style, except that a frame keeps only its edge: styles such as Fusion
// shade a frame's inside faintly (#FFFFC0 turns #FCFCBE), which the windows must not show.
class PlainFrameStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_FrameGroupBox || option->rect.isEmpty()) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QImage layer(option->rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(ratio);
        layer.fill(Qt::transparent);
        {
            QPainter layerPainter(&layer);
            layerPainter.translate(-option->rect.topLeft());
            QProxyStyle::drawPrimitive(element, option, &layerPainter, widget);
        }
        // The shade is nearly transparent; the edge is not.
        constexpr int kShadeAlpha = 24;
        for (int y = 0; y < layer.height(); ++y) {
            auto* pixel = reinterpret_cast<QRgb*>(layer.scanLine(y));
            for (int x = 0; x < layer.width(); ++x)
                if (qAlpha(pixel[x]) < kShadeAlpha)
                    pixel[x] = 0;
        }
        painter->drawImage(option->rect.topLeft(), layer);
    }
};

} // namespace

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

void acceptOnEnter(QDialog* dialog, QPushButton* ok) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        button->setAutoDefault(false);
    ok->setDefault(true);
}

void keepFrameInsidePlain(QWidget* frame) {
    // One style for every frame, living as long as the application.
    static QPointer<PlainFrameStyle> style;
    if (!style) {
        style = new PlainFrameStyle;
        style->setParent(qApp);
    }
    frame->setStyle(style);
}

QColor colorFromWindowValue(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

} // namespace solvina
