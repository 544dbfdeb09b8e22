// Searching page lines the way every marker and tag is found: in an upper-cased copy in which
// only the ASCII letters a-z change, so positions stay those of the line as read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace solvina {

std::string asciiUpper(std::string_view text);
void asciiUpperInPlace(std::string& text);

// Byte offset of the character that lies count characters (code points) after from.
std::size_t advanceCharacters(std::string_view utf8, std::size_t from, std::size_t count);
// Number of characters (code points) in a UTF-8 text.
std::size_t countCharacters(std::string_view utf8);

// False when the line's bytes hold none of the tags and markers a page's pass acts on, in any
// letter case: "<!--" (every marker), "<TITLE>", "<A HREF=", "<BODY", "</BODY>". They are ASCII,
// and the page encodings handled write an ASCII character as its own byte, so such a line holds
// none of them in its characters either and needs no decoding.
bool mayHoldMarkup(std::string_view bytes);

// Replaces every occurrence of one character by another.
void replaceAll(std::string& text, char from, char to);

} // namespace solvina
