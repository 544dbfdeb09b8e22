// Rebasing relative title-image addresses.
#include "apply/title_image.h"

#include <vector>

namespace solvina {

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Left alone: empty, rooted at the site's server, or with a scheme of its own.
bool keptAsGiven(std::string_view address) {
    if (address.empty() || address.front() == '/')
        return true;
    if (!isAsciiLetter(address.front()))
        return false;
    for (char c : address.substr(1)) {
        if (c == ':')
            return true;
        if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
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
    const std::size_t slash = levelLink.rfind('/');
    std::string fromTop = slash == std::string::npos ? "" : levelLink.substr(0, slash + 1);
    fromTop += address;
    return tidyRelativeAddress(fromTop);
}

std::string titleImageFromPage(const std::string& stored, const std::string& prefix) {
    if (keptAsGiven(stored))
        return stored;
    return tidyRelativeAddress(prefix + stored);
}

} // namespace solvina
