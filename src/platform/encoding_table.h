// The browsers' table of charset labels: each encoding's name and the iconv name that reads
// and writes it here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace solvina {

struct EncodingInfo {
    std::string name;      // the encoding's name in the table ("Shift_JIS", "UTF-8", ...)
    std::string iconvName; // empty: the encoding is not handled
    bool supported() const { return !iconvName.empty(); }
};

// The encoding a label resolves to (ASCII case ignored, surrounding ASCII whitespace ignored);
// nullopt for an unknown label.
std::optional<EncodingInfo> encodingForLabel(std::string_view label);

} // namespace solvina
