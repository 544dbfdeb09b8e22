// The fragment builders of the breadcrumb table: opening, connector cell, title cell, closing.
#pragma once

#include "style/breadcrumb_style.h"

#include <string>
#include <string_view>

namespace solvina {

// Closes the row of cells, the inner table, the outer cell, row and table, and the DIV.
inline constexpr const char* kClosingText = "</TR></TABLE></TD></TR></TABLE></DIV>";

// What the short parameter names stand for:
//   STT          the row number (QUIBREL_DATA2), or the title entry (QUIBREL_DATA3)
//   PPP          true when the breadcrumb goes into a page of the site, false for the preview
//   PSP          the page's way back to the top folder: "../" once per folder level
//   STE          the connector's link target, written after PSP; empty for no link
//   LinkSTR      the title's whole link address; empty for no link
//   styleFolder  the style's own folder ending in "/" (image references of the preview)

// Appends where an image of a row is found: in the site's quibrel folder (PPP, PSP then
// folderWord), in the style folder (a bare file name), or at the full path the user picked and
// has not saved yet.
void appendImageReference(std::string& out, const std::string& styleFolder, bool PPP,
                          const std::string& PSP, std::string_view folderWord,
                          const std::string& imageFile);

// The DIV, both tables and the opening of the cell row.
std::string QUIBREL_DATA1(const BreadcrumbStyle& style, const std::string& styleFolder, bool PPP,
                          const std::string& PSP);
// One connector cell drawn from row STT (0..7); STE is the link target, empty for none.
std::string QUIBREL_DATA2(const BreadcrumbStyle& style, const std::string& styleFolder, int STT,
                          bool PPP, const std::string& PSP, const std::string& STE);
// One page-title cell: STT is "M" + title text, or another first character + image address.
std::string QUIBREL_DATA3(const BreadcrumbStyle& style, const std::string& STT,
                          const std::string& LinkSTR);

} // namespace solvina
