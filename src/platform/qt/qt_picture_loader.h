// Pictures read through Qt's image readers (the gif and jpeg plugins).
#pragma once

#include "platform/picture_loader.h"

#include <QImage>

namespace solvina {

class QtPictureLoader : public PictureLoader {
public:
    Result<PictureSize> measure(const std::string& path) override;
    // The whole picture (the first frame of an animation), as a browser would orient it.
    Result<QImage> load(const std::string& path);
};

} // namespace solvina
