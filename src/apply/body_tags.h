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
// lines; "<!-->" and "<!--->" are whole, empty comments. startSeen: the line is a later piece
// of one whose start tag came before, so a "<BODY" in it is not the first.
BodyTags findBodyTags(std::string_view line, bool& inComment, bool startSeen = false);
// The ">" ending a start tag whose name ends before from: the first one not inside a quoted
// attribute value ("..." or '...' after "=", spaces around "=" allowed); npos when the line
// ends first.
std::size_t startTagEnd(std::string_view line, std::size_t from);

// Only the comment state: for lines that hold no tag the pass acts on.
void skipComments(std::string_view line, bool& inComment);

} // namespace solvina
