// Pictures read through Qt's image readers: the file is decoded whole, so a damaged file is
// refused here rather than shown half-drawn.
#include "platform/qt/qt_picture_loader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QString>

namespace solvina {

namespace {

std::string pictureNotFoundDescription(const std::string& path) {
    return "ファイルが見つかりません。（" + path + "）";
}

std::string pictureUnreadableDescription(const std::string& path) {
    return "画像として読み込めません。（" + path + "）";
}

} // namespace

Result<QImage> loadPicture(const std::string& path) {
    const QString file = QString::fromStdString(path);
    if (path.empty() || !QFileInfo(file).isFile())
        return fail(pictureNotFoundDescription(path));
    QImageReader reader(file);
    // Browsers turn a JPEG as its orientation tag says; the size shown here must match theirs.
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        if (reader.error() == QImageReader::FileNotFoundError)
            return fail(pictureNotFoundDescription(path));
        return fail(pictureUnreadableDescription(path));
    }
    return image;
}

} // namespace solvina
