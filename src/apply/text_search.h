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

// Which of those tags a line's bytes hold (any letter case), from byte `from` on, before which
// the line holds none; 0 exactly when mayHoldMarkup is false.
inline constexpr unsigned kCommentMarkup = 1; // "<!--": every marker
inline constexpr unsigned kTitleMarkup = 2;   // "<TITLE>"
inline constexpr unsigned kLinkMarkup = 4;    // "<A HREF="
inline constexpr unsigned kBodyMarkup = 8;    // "<BODY" or "</BODY>"
unsigned markupIn(std::string_view bytes, std::size_t from = 0);
// Position of the next "<" from `from` that may open a tag the pass acts on (a comment, a title,
// a link, a body tag); some other "<" may be given too, never one of those left out. npos when
// there is none.
std::size_t findMarkupOpening(std::string_view bytes, std::size_t from);
// findMarkupOpening for comments and body tags alone: a line dense with links is not stopped at
// each of them.
std::size_t findCommentOrBodyOpening(std::string_view bytes, std::size_t from);

// The length of the whole lines at the start of bytes that mayHoldMarkup would each pass over,
// found without splitting them: a vector scan for "<" and line ends. A line counts only with its
// line end, and a line end that is a lone last byte only atEnd (a CR may be the first half of a
// CR LF still unread). markup, when given, is set to where the markup that ends them stands, or
// npos when they end for want of bytes.
std::size_t plainLinesLength(std::string_view bytes, bool atEnd, std::size_t* markup = nullptr);

// Where the next "<a " or "<A " stands in bytes at or after from (the opening of a link), or npos.
std::size_t findLinkOpening(std::string_view bytes, std::size_t from);

// Where upperPattern (its ASCII letters upper-case) first stands in text at or after from, ASCII
// letters of text taken in either case, or npos: what find gives in text's ASCII
// upper-cased copy, without making the copy.
std::size_t findIgnoringAsciiCase(std::string_view text, std::string_view upperPattern,
                                  std::size_t from = 0);
// Whether upperPattern stands in text at `at`, ASCII letters of text taken in either case.
bool startsWithIgnoringAsciiCase(std::string_view text, std::size_t at,
                                 std::string_view upperPattern);

// The first CR or LF in [begin, end), or end.
const char* findLineEnd(const char* begin, const char* end);
// The last CR or LF in [begin, end), or nullptr.
const char* findLastLineEnd(const char* begin, const char* end);

// Replaces every occurrence of one character by another.
void replaceAll(std::string& text, char from, char to);

} // namespace solvina
