// Building a page's block from the renderer's fragments and the chain of its ancestors.
#include "apply/breadcrumb_block.h"

#include "apply/page_codec.h"
#include "apply/text_search.h"
#include "apply/title_image.h"
#include "render/fragments.h"
#include "render/json_ld.h"

#include <algorithm>

namespace solvina {

namespace {

// The title entry as the page at the given prefix writes it: title images are rebased.
std::string entryInPage(const std::string& entry, const std::string& prefix) {
    if (!entry.empty() && entry.front() == 'I')
        return "I" + titleImageFromPage(entry.substr(1), prefix);
    return entry;
}

std::string headerTarget(const ApplyOptions& options) {
    return options.linkHeader && !options.headerLink.empty() ? options.headerLink : "";
}

std::string footerTarget(const ApplyOptions& options) {
    return options.linkFooter && !options.footerLink.empty() ? options.footerLink : "";
}

} // namespace

// The table's lines of a page at one folder depth that its chain does not change.
struct BlockRenderer::DepthLines {
    std::string opening;
    std::vector<std::string> connectors; // before each level, the deeper ones sharing the last
    std::string footer;
};

namespace {

void appendTableLines(std::vector<std::string>& lines, const BreadcrumbStyle& style,
                      const ApplyOptions& options, const ApplyRunState& state, int level,
                      const std::string& prefix, const BlockRenderer::DepthLines& depth) {
    lines.push_back(depth.opening);
    for (int k = 0; k <= level; ++k) {
        lines.push_back(depth.connectors[std::min(k, kDeepestLevelRow)]);
        std::string titleLink;
        if (k != level && options.linkTitles)
            titleLink = prefix + state.levelLinks[k];
        lines.push_back(QUIBREL_DATA3(style, entryInPage(state.levelTitles[k], prefix), titleLink));
    }
    lines.push_back(depth.footer);
    lines.emplace_back(kClosingText);
}

void appendNavLines(std::vector<std::string>& lines, const BreadcrumbStyle& style,
                    const std::string& styleFolder, const ApplyOptions& options,
                    const ApplyRunState& state, int level, const std::string& prefix) {
    std::vector<NavLevel> levels(static_cast<std::size_t>(level) + 1);
    for (int k = 0; k <= level; ++k) {
        NavLevel& nav = levels[static_cast<std::size_t>(k)];
        nav.titleEntry = entryInPage(state.levelTitles[k], prefix);
        if (options.linkTitles)
            nav.titleLink = prefix + pathHref(state.levelLinks[k]);
    }
    if (const std::string header = headerTarget(options); !header.empty())
        levels.front().connectorLink = prefix + header;
    const std::string footer = footerTarget(options);
    for (std::string& line : navBreadcrumbLines(style, styleFolder, true, prefix, levels,
                                                footer.empty() ? footer : prefix + footer))
        lines.push_back(std::move(line));
}

// A level's name for search engines: the title text, a title image's file name, or, for a
// page without either, its own file name.
std::string levelName(const std::string& entry, const std::string& levelLink) {
    std::string name;
    if (!entry.empty() && entry.front() == 'M')
        name = titleTextName(std::string_view(entry).substr(1));
    else if (!entry.empty())
        name = addressFileName(entry.substr(1));
    return name.empty() ? addressFileName(levelLink) : name;
}

std::string jsonLdLine(const ApplyOptions& options, const ApplyRunState& state, int level) {
    std::vector<JsonLdItem> items;
    items.reserve(static_cast<std::size_t>(level) + 1);
    for (int k = 0; k <= level; ++k)
        items.push_back({levelName(state.levelTitles[k], state.levelLinks[k]),
                         itemUrl(options.jsonLdBase, state.levelLinks[k])});
    return breadcrumbJsonLd(items);
}

} // namespace

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
    return BlockRenderer(style, styleFolder, options).block(state, level);
}

BlockRenderer::BlockRenderer(const BreadcrumbStyle& style, std::string styleFolder,
                             const ApplyOptions& options)
    : m_style(style), m_styleFolder(std::move(styleFolder)), m_options(options) {}

BlockRenderer::~BlockRenderer() = default;

const BlockRenderer::DepthLines& BlockRenderer::linesAt(const std::string& prefix) const {
    std::lock_guard lock(m_lock);
    auto known = m_depths.find(prefix);
    if (known != m_depths.end())
        return *known->second;
    auto lines = std::make_unique<DepthLines>();
    lines->opening = QUIBREL_DATA1(m_style, m_styleFolder, true, prefix);
    for (int row = 0; row <= kDeepestLevelRow; ++row) {
        std::string connector = QUIBREL_DATA2(m_style, m_styleFolder, row, true, prefix,
                                              row == 0 ? headerTarget(m_options) : std::string());
        replaceAll(connector, '\\', '/');
        lines->connectors.push_back(std::move(connector));
    }
    // The footer connector is written exactly as the renderer returns it.
    lines->footer =
        QUIBREL_DATA2(m_style, m_styleFolder, kFooterRow, true, prefix, footerTarget(m_options));
    return *m_depths.emplace(prefix, std::move(lines)).first->second;
}

std::vector<std::string> BlockRenderer::block(const ApplyRunState& state, int level) const {
    const std::string prefix = relativePrefix(state.levelLinks[level]);
    std::vector<std::string> lines;
    lines.reserve(2 * level + 9);
    lines.emplace_back(kStartMarker);
    if (m_options.markup == Markup::Nav)
        appendNavLines(lines, m_style, m_styleFolder, m_options, state, level, prefix);
    else
        appendTableLines(lines, m_style, m_options, state, level, prefix, linesAt(prefix));
    if (m_options.addRule)
        lines.emplace_back(m_options.markup == Markup::Nav ? "<hr>" : "<HR>");
    if (!m_options.jsonLdBase.empty())
        lines.push_back(jsonLdLine(m_options, state, level));
    lines.emplace_back(kEndMarker);
    return lines;
}

} // namespace solvina
