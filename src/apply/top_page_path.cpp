// The top page made absolute: the window and the command line start runs from the same path.
#include "apply/top_page_path.h"

#include "platform/paths.h"

namespace solvina {

std::string absoluteTopPage(const std::string& typed) {
    if (typed.empty())
        return typed;
    return normalizePath(absolutePath(typed));
}

} // namespace solvina
