// A hash of text that finds std::string keys from a std::string_view without a copy.
#pragma once

#include <functional>
#include <string_view>

namespace solvina {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>()(text);
    }
};

} // namespace solvina
