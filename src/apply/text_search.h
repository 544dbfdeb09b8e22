// Searching page lines the way every marker and tag is found: in an upper-cased copy in which
// only the ASCII letters a-z change, so positions stay those of the line as read.
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
