// The comments and tags a page's pass looks for in a line's text, in the upper-case form a
// search ignoring ASCII letter case takes.
#pragma once

#include <string_view>

namespace solvina {

inline constexpr std::string_view kNotQuibrel = "<!--NOTQUIBREL-->"; // the page is left alone
inline constexpr std::string_view kNotQuibrelLink =
    "<!--NOTQUIBRELLINK-->"; // links from here on are not followed
inline constexpr std::string_view kPartLinkExclusion =
    "<!--NOTBUBUNLINK-->"; // the links of its line are not followed
inline constexpr std::string_view kTitle = "<TITLE>";
inline constexpr std::string_view kTitleImage =
    "<!--TITLEIMG=\""; // the page's breadcrumb shows a picture
inline constexpr std::string_view kCommentOpening = "<!--";
inline constexpr std::string_view kLinkOpening = "<A HREF=";
inline constexpr std::string_view kBodyStart = "<BODY";
inline constexpr std::string_view kBodyEnd = "</BODY>";

} // namespace solvina
