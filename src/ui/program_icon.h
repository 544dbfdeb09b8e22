// The program's 32 by 32 icon, drawn in code.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace solvina {

QPixmap programPixmap();
QIcon programIcon();

} // namespace solvina
