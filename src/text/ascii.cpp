// ASCII upper-casing of whole texts, and hexadecimal digits.
#include "text/ascii.h"

namespace solvina {

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

std::string lowerHex(const unsigned char* bytes, std::size_t count) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

} // namespace solvina
