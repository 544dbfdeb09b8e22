// The byte test for markup and the small text edits of a page's pass.
#include "apply/text_search.h"

#include "text/ascii.h"

#include <algorithm>

namespace solvina {

bool mayHoldMarkup(std::string_view bytes) {
    const auto follows = [&](std::string_view rest, std::string_view pattern) {
        return rest.size() >= pattern.size() &&
               std::equal(pattern.begin(), pattern.end(), rest.begin(),
                          [&](char p, char c) { return p == asciiUpperByte(c); });
    };
    for (std::size_t at = bytes.find('<'); at != std::string_view::npos;
         at = bytes.find('<', at + 1)) {
        const std::string_view rest = bytes.substr(at + 1);
        if (rest.empty())
            return false;
        switch (asciiUpperByte(rest.front())) {
        case '!':
            if (follows(rest, "!--"))
                return true;
            break;
        case 'T':
            if (follows(rest, "TITLE>"))
                return true;
            break;
        case 'A':
            if (follows(rest, "A HREF="))
                return true;
            break;
        case 'B':
            if (follows(rest, "BODY"))
                return true;
            break;
        case '/':
            if (follows(rest, "/BODY>"))
                return true;
            break;
        default:
            break;
        }
    }
    return false;
}

void replaceAll(std::string& text, char from, char to) {
    std::replace(text.begin(), text.end(), from, to);
}

} // namespace solvina
