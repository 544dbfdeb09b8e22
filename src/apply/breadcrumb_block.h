// The lines of the breadcrumb block written into a page, from its start marker to its end
// marker.
#pragma once

#include "apply/apply_types.h"
#include "style/breadcrumb_style.h"

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

} // namespace solvina
