// Where a page line's body tags stand: outside HTML comments, the start tag ending at its first
// ">" outside a quoted attribute value. Works on the line's bytes: the page encodings handled
// write every ASCII character below "@" as its own byte, never inside another character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace solvina {

struct BodyTags {
    static constexpr std::size_t npos = std::string_view::npos;
    std::size_t start = npos;    // the first "<BODY" (any letter case) outside a comment
    std::size_t startEnd = npos; // the ">" that ends it; npos when it does not end on the line
    std::size_t end = npos;      // the first "</BODY>" outside a comment
};

// Scans one line. inComment tells whether the line starts inside a comment and is left telling
// whether it ends inside one: a comment runs from "<!--" to the next "-->" or "--!>", across
// lines; "<!-->" and "<!--->" are whole, empty comments.
BodyTags findBodyTags(std::string_view line, bool& inComment);

// Only the comment state: for lines that hold no tag the pass acts on.
void skipComments(std::string_view line, bool& inComment);

} // namespace solvina
