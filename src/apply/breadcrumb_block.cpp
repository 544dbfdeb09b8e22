// Building a page's block from the renderer's fragments and the chain of its ancestors.
#include "apply/breadcrumb_block.h"

#include "apply/page_codec.h"
#include "apply/text_search.h"
#include "apply/title_image.h"
#include "render/fragments.h"

#include <algorithm>

namespace solvina {

std::string relativePrefix(const std::string& levelLink) {
    std::string prefix;
    if (levelLink.empty())
        return prefix;
    auto folders = std::count(levelLink.begin(), levelLink.end() - 1, '/');
    for (long i = 0; i < folders; ++i)
        prefix += "../";
    return prefix;
}

std::vector<std::string> breadcrumbBlock(const BreadcrumbStyle& style,
                                         const std::string& styleFolder,
                                         const ApplyOptions& options, const ApplyRunState& state,
                                         int level) {
    const std::string prefix = relativePrefix(state.levelLinks[level]);
    std::vector<std::string> lines;
    lines.reserve(2 * level + 8);
    lines.emplace_back(kStartMarker);
    lines.push_back(QUIBREL_DATA1(style, styleFolder, true, prefix));
    for (int k = 0; k <= level; ++k) {
        std::string headerTarget =
            k == 0 && options.linkHeader && !options.headerLink.empty() ? options.headerLink : "";
        std::string connector = QUIBREL_DATA2(style, styleFolder, std::min(k, kDeepestLevelRow),
                                              true, prefix, headerTarget);
        replaceAll(connector, '\\', '/');
        lines.push_back(std::move(connector));
        std::string titleLink;
        if (k != level && options.linkTitles)
            titleLink = prefix + state.levelLinks[k];
        const std::string& entry = state.levelTitles[k];
        if (!entry.empty() && entry.front() == 'I')
            lines.push_back(
                QUIBREL_DATA3(style, "I" + titleImageFromPage(entry.substr(1), prefix), titleLink));
        else
            lines.push_back(QUIBREL_DATA3(style, entry, titleLink));
    }
    // The footer connector is written exactly as the renderer returns it.
    std::string footerTarget =
        options.linkFooter && !options.footerLink.empty() ? options.footerLink : "";
    lines.push_back(QUIBREL_DATA2(style, styleFolder, kFooterRow, true, prefix, footerTarget));
    lines.emplace_back(kClosingText);
    if (options.addRule)
        lines.emplace_back("<HR>");
    lines.emplace_back(kEndMarker);
    return lines;
}

} // namespace solvina
