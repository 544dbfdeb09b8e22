// Names and paths inside the style library.
#include "style/style_library_paths.h"

#include "platform/app_paths.h"

namespace solvina {

Status checkStyleName(const std::string& name) {
    const bool usable = !name.empty() && name != "." && name != ".." &&
                        name.find_first_of("/\\") == std::string::npos;
    if (usable)
        return {};
    return fail("クイブレルスタイルの名前「" + name + "」はフォルダ名に使えません。");
}

std::string withoutTrailingSlash(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    return trimmed;
}

std::string workFolder(const std::string& libraryFolder, const std::string& styleName) {
    return styleFolder(libraryFolder, styleName) + "tmp/";
}

} // namespace solvina
