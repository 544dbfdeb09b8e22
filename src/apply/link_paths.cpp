// Taking link targets out of a line and resolving the paths they name.
#include "apply/link_paths.h"

#include "platform/paths.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace solvina {

std::vector<std::string> linkTargets(std::string_view line, std::string_view upperLine) {
    static constexpr std::string_view kLink = "<A HREF=";
    std::vector<std::string> targets;
    std::size_t j = upperLine.find(kLink);
    while (j != std::string_view::npos) {
        // The character after "=" stands for the opening quotation mark, whatever it is.
        std::size_t start = advanceCharacters(line, j + kLink.size(), 1);
        std::size_t quote = line.find('"', start);
        std::size_t end = quote == std::string_view::npos ? line.size() : quote;
        std::string_view target = line.substr(start, end - start);
        targets.emplace_back(target);
        if (quote == std::string_view::npos)
            break; // the target ran to the end of the line
        // The search goes on from the link's position plus the target's length in characters;
        // an empty target moves it on by one so that the same link is never taken twice.
        std::size_t length = countCharacters(target);
        std::size_t from = length == 0 ? j + 1 : advanceCharacters(line, j, length);
        j = upperLine.find(kLink, from);
    }
    return targets;
}

bool isPageTarget(std::string_view target) {
    std::string upper = asciiUpper(target);
    auto endsWith = [&](std::string_view suffix) {
        return upper.size() >= suffix.size() &&
               std::string_view(upper).substr(upper.size() - suffix.size()) == suffix;
    };
    return endsWith(".HTM") || endsWith(".HTML");
}

bool startsWithScheme(std::string_view target) {
    if (target.empty() || !isAsciiLetter(target.front()))
        return false;
    for (char c : target.substr(1)) {
        if (c == ':')
            return true;
        if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

std::string linkedPath(std::string_view target, const std::string& pageFolder,
                       const std::string& topFolder) {
    if (target.starts_with("//") || startsWithScheme(target))
        return {};
    if (target.starts_with('/'))
        return normalizePath(topFolder + std::string(target.substr(1)));
    return normalizePath(pageFolder + std::string(target));
}

} // namespace solvina
