// What apply then erase may change in a page: a body-tag line split by a block keeps the break.
#pragma once

#include <string_view>

namespace solvina::test_support {

// True when erased is original with line ends ("\r\n", "\r", "\n") put in between two characters
// that are not line ends, or at the end.
inline bool sameApartFromAddedBreaks(std::string_view original, std::string_view erased) {
    const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    std::size_t i = 0, j = 0;
    while (j < erased.size()) {
        if (i < original.size() && original[i] == erased[j]) {
            ++i;
            ++j;
            continue;
        }
        if (!isBreak(erased[j]) || (i > 0 && isBreak(original[i - 1])) ||
            (i < original.size() && isBreak(original[i])))
            return false;
        j += erased.compare(j, 2, "\r\n") == 0 ? 2 : 1;
    }
    return i == original.size();
}

} // namespace solvina::test_support
