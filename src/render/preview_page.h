// The style preview page pre.html: a fixed sample of six levels drawn with the current style.
#pragma once

#include "platform/file_system.h"
#include "platform/result.h"
#include "render/nav_breadcrumb.h"
#include "style/breadcrumb_style.h"

#include <string>
#include <vector>

namespace solvina {

inline constexpr const char* kPreviewFileName = "pre.html";
inline constexpr int kPreviewLineCount = 16;

// The lines of the page, without line ends. The table form has 16: the head, the opening, the
// connectors of rows 0..6 with the titles 第1階層..第6階層 between them, and the tail; the nav
// form the same sample as a nav. No links; images come from styleFolder (ending in "/") or from
// the full path picked for them.
std::vector<std::string> previewPageLines(const BreadcrumbStyle& style,
                                          const std::string& styleFolder,
                                          Markup markup = Markup::Table);

// Replaces the file at path with the page: CP932, every line ended by CR LF; a character
// CP932 lacks is written as "&#N;".
Status writePreviewPage(FileSystem& fs, const std::string& path, const BreadcrumbStyle& style,
                        const std::string& styleFolder, Markup markup = Markup::Table);

} // namespace solvina
