// Finding the body tags of a line while keeping track of comments.
#include "apply/body_tags.h"

#include "apply/page_markers.h"
#include "apply/text_search.h"

namespace solvina {

namespace {

constexpr std::string_view kCommentOpen = "<!--";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\f';
}

// Past the comment's end, or npos when it runs beyond the line; justOpened when from is right
// after "<!--" on this line.
std::size_t commentEnd(std::string_view line, std::size_t from, bool justOpened) {
    // "<!-->" and "<!--->" close at once.
    if (justOpened && from < line.size() && line[from] == '>')
        return from + 1;
    if (justOpened && line.substr(from, 2) == "->")
        return from + 2;
    for (std::size_t at = line.find("--", from); at != std::string_view::npos;
         at = line.find("--", at + 1)) {
        if (line.substr(at + 2, 1) == ">")
            return at + 3;
        if (line.substr(at + 2, 2) == "!>")
            return at + 4;
    }
    return std::string_view::npos;
}

} // namespace

std::size_t startTagEnd(std::string_view line, std::size_t from) {
    for (std::size_t at = from; at < line.size(); ++at) {
        if (line[at] == '>')
            return at;
        if (line[at] != '=')
            continue;
        std::size_t value = at + 1;
        while (value < line.size() && isSpace(line[value]))
            ++value;
        if (value < line.size() && (line[value] == '"' || line[value] == '\'')) {
            const std::size_t close = line.find(line[value], value + 1);
            if (close == std::string_view::npos)
                return std::string_view::npos; // the value goes on past the line
            at = close;
        }
    }
    return std::string_view::npos;
}

BodyTags findBodyTags(std::string_view line, bool& inComment, bool startSeen) {
    BodyTags tags;
    std::size_t at = 0;
    while (at < line.size()) {
        if (inComment) {
            // Inside a comment only its end counts; "<!--" on the way is text of the comment.
            const std::size_t closed = commentEnd(line, at, false);
            if (closed == std::string_view::npos)
                return tags;
            inComment = false;
            at = closed;
            continue;
        }
        // Only a comment opening or a body tag matters here.
        at = findCommentOrBodyOpening(line, at);
        if (at == std::string_view::npos)
            return tags;
        if (line.compare(at, kCommentOpen.size(), kCommentOpen) == 0) {
            inComment = true;
            at += kCommentOpen.size();
            const std::size_t closed = commentEnd(line, at, true);
            if (closed == std::string_view::npos)
                return tags;
            inComment = false;
            at = closed;
            continue;
        }
        if (!startSeen && tags.start == BodyTags::npos &&
            startsWithIgnoringAsciiCase(line, at, kBodyStart)) {
            tags.start = at;
            tags.startEnd = startTagEnd(line, at + kBodyStart.size());
            if (tags.startEnd == BodyTags::npos)
                return tags; // the rest of the line belongs to the tag
            at = tags.startEnd + 1;
            continue;
        }
        if (tags.end == BodyTags::npos && startsWithIgnoringAsciiCase(line, at, kBodyEnd)) {
            tags.end = at;
            at += kBodyEnd.size();
            continue;
        }
        ++at;
    }
    return tags;
}

void skipComments(std::string_view line, bool& inComment) {
    (void)findBodyTags(line, inComment);
}

} // namespace solvina
