// A small square that shows a colour text's colour and reports a click on it.
#pragma once

#include <QFrame>

#include <string>

namespace solvina {

class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);
    // Shows the colour text read as the window system's colour value (white when empty).
    void showColorText(const std::string& colorText);
    QColor shownColor() const;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace solvina
