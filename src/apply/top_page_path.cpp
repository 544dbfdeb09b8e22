// The top page made absolute: the window and the command line start runs from the same path.
#include "apply/top_page_path.h"

#include "apply/link_paths.h"
#include "platform/app_paths.h"

#include <filesystem>
#include <system_error>

namespace solvina {

std::string absoluteTopPage(const std::string& typed) {
    if (typed.empty())
        return typed;
    std::string path = typed;
    if (path.front() != '/') {
        std::error_code error;
        path = withTrailingSlash(std::filesystem::current_path(error).string()) + path;
    }
    return normalizePath(path);
}

} // namespace solvina
