// Pictures read through Qt's image readers (the gif and jpeg plugins).
#pragma once

#include "platform/result.h"

#include <QImage>

#include <string>

namespace solvina {

// The whole picture (the first frame of an animation), as a browser would orient it, or what
// the user reads when the file is missing or is not a picture (the path shown as given).
Result<QImage> loadPicture(const std::string& path);

} // namespace solvina
