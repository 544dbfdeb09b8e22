// Taking link targets out of a line and resolving the paths they name.
#include "apply/link_paths.h"

#include "apply/page_markers.h"
#include "apply/text_search.h"
#include "platform/paths.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace solvina {

std::vector<std::string> linkTargets(std::string_view line) {
    std::vector<std::string> targets;
    std::size_t j = findIgnoringAsciiCase(line, kLinkOpening);
    while (j != std::string_view::npos) {
        // The character after "=" stands for the opening quotation mark, whatever it is.
        std::size_t start = advanceCharacters(line, j + kLinkOpening.size(), 1);
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
        j = findIgnoringAsciiCase(line, kLinkOpening, from);
    }
    return targets;
}

bool linkTargetsOfBytes(std::string_view bytes,
                        const std::function<void(std::string_view, std::string&)>& decode,
                        std::vector<std::string>& targets, std::size_t from) {
    static constexpr std::string_view kAfterOpening = "HREF=";
    // The strings of the last line's targets are reused: most targets outgrow a short string.
    std::size_t count = 0;
    for (std::size_t at = findLinkOpening(bytes, from); at != std::string_view::npos;
         at = findLinkOpening(bytes, at + 1)) {
        const std::string_view rest = bytes.substr(at + 3);
        if (!startsWithIgnoringAsciiCase(rest, 0, kAfterOpening))
            continue;
        const std::size_t open = at + 3 + kAfterOpening.size();
        const std::size_t quote =
            open < bytes.size() ? bytes.find('"', open + 1) : std::string_view::npos;
        const std::string_view raw =
            bytes.substr(open, (quote == std::string_view::npos ? bytes.size() : quote) - open);
        if (raw.find('<') != std::string_view::npos)
            return false;
        if (count == targets.size())
            targets.emplace_back();
        std::string& target = targets[count++];
        decode(raw, target); // the opening character, then the target
        target.erase(0, advanceCharacters(target, 0, 1));
        if (quote == std::string_view::npos)
            break;
        at = quote;
    }
    targets.resize(count);
    return true;
}

bool isPageTarget(std::string_view target) {
    const auto endsWith = [&](std::string_view suffix) {
        return target.size() >= suffix.size() &&
               startsWithIgnoringAsciiCase(target, target.size() - suffix.size(), suffix);
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
                       const std::string& topFolder, bool foldersAreNormal) {
    std::string path;
    appendLinkedPath(path, target, pageFolder, topFolder, foldersAreNormal);
    return path;
}

void appendLinkedPath(std::string& out, std::string_view target, const std::string& pageFolder,
                      const std::string& topFolder, bool foldersAreNormal) {
    if (target.starts_with("//") || startsWithScheme(target))
        return;
    const bool fromTop = target.starts_with('/');
    const std::string& folder = fromTop ? topFolder : pageFolder;
    const std::string_view rest = fromTop ? target.substr(1) : target;
    if (foldersAreNormal)
        appendNormalizedInFolder(out, folder, rest);
    else
        out += normalizePath(std::string(folder).append(rest));
}

} // namespace solvina
