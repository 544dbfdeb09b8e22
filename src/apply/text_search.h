// The byte test that lets a page's pass copy a line without decoding it, and the replacement
// of one character by another. Markers and tags themselves are found in an ASCII upper-cased
// copy of a line (text/ascii.h), whose positions are those of the line as read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace solvina {

// False when the line's bytes hold none of the tags and markers a page's pass acts on, in any
// letter case: "<!--" (every marker), "<TITLE>", "<A HREF=", "<BODY", "</BODY>". They are ASCII,
// and the page encodings handled write an ASCII character as its own byte, so such a line holds
// none of them in its characters either and needs no decoding.
bool mayHoldMarkup(std::string_view bytes);

// Replaces every occurrence of one character by another.
void replaceAll(std::string& text, char from, char to);

} // namespace solvina
