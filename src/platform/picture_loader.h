// Reading a picture file (GIF, JPEG) and its natural size in pixels.
#pragma once

#include "platform/result.h"

#include <string>

namespace solvina {

struct PictureSize {
    int width = 0;
    int height = 0;
};

class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    // The natural size of the picture in the file, or why it cannot be read as a picture.
    virtual Result<PictureSize> measure(const std::string& path) = 0;
};

// What the user reads when a picture cannot be loaded; the path is shown as given.
inline std::string pictureNotFoundDescription(const std::string& path) {
    return "ファイルが見つかりません。（" + path + "）";
}
inline std::string pictureUnreadableDescription(const std::string& path) {
    return "画像として読み込めません。（" + path + "）";
}

} // namespace solvina
