// The look every window shares: light-yellow background, dark-blue headings, the interface font.
#pragma once

#include <QColor>
#include <QFont>

#include <cstdint>

class QDialog;
class QLabel;
class QPushButton;
class QWidget;

namespace solvina {

inline const QColor kWindowBackground(0xFF, 0xFF, 0xC0);
inline const QColor kHeadingColor(0x00, 0x00, 0xC0);

// "ＭＳ Ｐゴシック", falling back to the installed IPA P Gothic.
QFont interfaceFont(double pointSize = 9.75);
// Light-yellow background and the interface font for a window and everything in it.
void applyWindowLook(QWidget* window);
// Dark-blue text for a heading or a row caption.
void makeHeading(QLabel* label);
// Enter in the dialog presses ok and no other button.
void acceptOnEnter(QDialog* dialog, QPushButton* ok);
// Draws the frames' edges as the style does but without the faint shade it lays inside them,
// so that a frame's inside is the window's own light yellow.
void keepFrameInsidePlain(QWidget* frame);
// The window system's colour value 0x00BBGGRR (low byte red) as a QColor.
QColor colorFromWindowValue(std::uint32_t value);

} // namespace solvina
