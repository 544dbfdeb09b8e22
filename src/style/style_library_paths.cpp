// Names and paths inside the style library.
#include "style/style_library_paths.h"

#include "platform/paths.h"

namespace solvina {

Status checkStyleName(const std::string& name) {
    const bool usable = !name.empty() && name != "." && name != ".." &&
                        name.find_first_of("/\\") == std::string::npos;
    if (usable)
        return {};
    return fail("クイブレルスタイルの名前「" + name + "」はフォルダ名に使えません。");
}

std::string styleFolder(const std::string& libraryFolder, const std::string& styleName) {
    return withTrailingSlash(libraryFolder) + styleName + "/";
}

std::string workFolder(const std::string& libraryFolder, const std::string& styleName) {
    return styleFolder(libraryFolder, styleName) + "tmp/";
}

} // namespace solvina
