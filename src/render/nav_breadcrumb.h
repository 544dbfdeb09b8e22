// The accessible form of the breadcrumb: a nav holding an ordered list, the style's look
// carried by inline style attributes.
#pragma once

#include "style/breadcrumb_style.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvina {

// The two forms of the list written between the markers.
enum class Markup {
    Table, // the table of FONT tags style files were made for
    Nav,   // <nav><ol><li>...</li></ol></nav>
};

// "table" or "nav"; nullopt for any other name.
std::optional<Markup> markupFromName(std::string_view name);

inline constexpr const char* kNavLabel = "パンくずリスト";

// One level of the list, from the top page down to the page itself.
struct NavLevel {
    std::string titleEntry;    // "M" + title text, or another first character + image address
    std::string titleLink;     // the whole link address; empty for none
    std::string connectorLink; // the connector's whole link address; empty for none
};

// The lines of the nav: its opening, one <li> per level (the last is the page's own, never
// linked), and the closing with the footer connector. PPP, PSP and styleFolder say where images
// are found, as for the table.
std::vector<std::string> navBreadcrumbLines(const BreadcrumbStyle& style,
                                            const std::string& styleFolder, bool PPP,
                                            const std::string& PSP,
                                            const std::vector<NavLevel>& levels,
                                            const std::string& footerLink);

// The CSS font-size of a FONT SIZE value ("+1", "-2", "4"); empty when it sets none.
std::string cssFontSize(const std::string& fontSize);

// A file path relative to the top folder as an href: the characters a URL cannot hold as
// they are, and those that would start a query or fragment, percent-encoded.
std::string pathHref(std::string_view path);

// The last segment of an address, without its query or fragment.
std::string addressFileName(const std::string& address);

} // namespace solvina
