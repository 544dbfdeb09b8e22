// The lines of the breadcrumb block written into a page, from its start marker to its end
// marker.
#pragma once

#include "apply/apply_types.h"
#include "style/breadcrumb_style.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace solvina {

// "../" once for each "/" in the level link before its last character.
std::string relativePrefix(const std::string& levelLink);

// The block of a page at level (0..100), as UTF-8 lines without line ends.
std::vector<std::string> breadcrumbBlock(const BreadcrumbStyle& style,
                                         const std::string& styleFolder,
                                         const ApplyOptions& options, const ApplyRunState& state,
                                         int level);

// breadcrumbBlock for the pages of one run, from any thread: the lines that depend on nothing
// but a page's depth in the site's folders (the table's opening and connectors) are made once
// for each depth. The style and options outlive it.
class BlockRenderer {
public:
    BlockRenderer(const BreadcrumbStyle& style, std::string styleFolder,
                  const ApplyOptions& options);
    ~BlockRenderer();
    std::vector<std::string> block(const ApplyRunState& state, int level) const;

    struct DepthLines;

private:
    const DepthLines& linesAt(const std::string& prefix) const;

    const BreadcrumbStyle& m_style;
    const std::string m_styleFolder;
    const ApplyOptions& m_options;
    mutable std::mutex m_lock;
    mutable std::map<std::string, std::unique_ptr<const DepthLines>, std::less<>> m_depths;
};

} // namespace solvina
