// Rebasing relative title-image addresses.
#include "apply/title_image.h"

#include "apply/link_paths.h"
#include "platform/paths.h"

#include <vector>

namespace solvina {

namespace {

// Left alone: empty, rooted at the site's server, or with a scheme of its own.
bool keptAsGiven(std::string_view address) {
    return address.empty() || address.front() == '/' || startsWithScheme(address);
}

} // namespace

std::string tidyRelativeAddress(std::string_view address) {
    const std::size_t pathEnd = std::min(address.find('?'), address.find('#'));
    const std::string_view path = address.substr(0, pathEnd);
    std::vector<std::string_view> segments;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view segment = path.substr(start, slash - start);
        if (segment == "..") {
            if (!segments.empty() && segments.back() != "..")
                segments.pop_back();
            else
                segments.push_back(segment);
        } else if (segment != ".") {
            segments.push_back(segment);
        }
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    std::string tidy;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0)
            tidy += '/';
        tidy += segments[i];
    }
    if (pathEnd != std::string_view::npos)
        tidy += address.substr(pathEnd);
    return tidy;
}

std::string titleImageFromTopFolder(std::string_view address, const std::string& levelLink) {
    if (keptAsGiven(address))
        return std::string(address);
    std::string fromTop = folderPart(levelLink);
    fromTop += address;
    return tidyRelativeAddress(fromTop);
}

std::string titleImageFromPage(const std::string& stored, const std::string& prefix) {
    if (keptAsGiven(stored))
        return stored;
    return tidyRelativeAddress(prefix + stored);
}

} // namespace solvina
