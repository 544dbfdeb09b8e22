// HourglassCursor: an override cursor set on construction and taken back on destruction.
#include "platform/qt/hourglass_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace solvina {

HourglassCursor::HourglassCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

HourglassCursor::~HourglassCursor() {
    QGuiApplication::restoreOverrideCursor();
}

} // namespace solvina
