// ASCII upper-casing and character counting over UTF-8 text.
#include "apply/text_search.h"

#include <algorithm>

namespace solvina {

namespace {
bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}
} // namespace

void asciiUpperInPlace(std::string& text) {
    // Without a branch, so that the compiler turns it into vector instructions.
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool lower = static_cast<unsigned char>(byte - 'a') < 26;
        c = static_cast<char>(byte - (lower ? 0x20 : 0));
    }
}

std::string asciiUpper(std::string_view text) {
    std::string upper(text);
    asciiUpperInPlace(upper);
    return upper;
}

std::size_t advanceCharacters(std::string_view utf8, std::size_t from, std::size_t count) {
    std::size_t at = from;
    while (count > 0 && at < utf8.size()) {
        ++at;
        while (at < utf8.size() && isContinuation(static_cast<unsigned char>(utf8[at])))
            ++at;
        --count;
    }
    return at;
}

std::size_t countCharacters(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return !isContinuation(static_cast<unsigned char>(c));
    }));
}

bool mayHoldMarkup(std::string_view bytes) {
    const auto upperByte = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
    };
    const auto follows = [&](std::string_view rest, std::string_view pattern) {
        return rest.size() >= pattern.size() &&
               std::equal(pattern.begin(), pattern.end(), rest.begin(),
                          [&](char p, char c) { return p == upperByte(c); });
    };
    for (std::size_t at = bytes.find('<'); at != std::string_view::npos;
         at = bytes.find('<', at + 1)) {
        const std::string_view rest = bytes.substr(at + 1);
        if (rest.empty())
            return false;
        switch (upperByte(rest.front())) {
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
