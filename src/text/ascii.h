// ASCII letter case: only the letters a-z and A-Z change, every other byte (and so every byte
// of a UTF-8 sequence) stays, so positions in a mapped copy are those of the original.
#pragma once

#include <string>
#include <string_view>

namespace solvina {

constexpr bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr char asciiUpperByte(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
}
constexpr char asciiLowerByte(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
}

// True when every byte is below 0x80.
constexpr bool isAscii(std::string_view bytes) {
    unsigned char combined = 0;
    for (const char c : bytes)
        combined |= static_cast<unsigned char>(c);
    return combined < 0x80;
}

constexpr bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool isAsciiAlphanumeric(char c) {
    return isAsciiLetter(c) || isAsciiDigit(c);
}
constexpr bool isAsciiHexLetter(char c) {
    return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
constexpr bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (asciiUpperByte(text[i]) != asciiUpperByte(prefix[i]))
            return false;
    return true;
}

// Appends "%" and the byte's two upper-case hexadecimal digits.
inline void appendPercentEncoded(std::string& out, char c) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// The bytes as lower-case hexadecimal digits, two for each.
std::string lowerHex(const unsigned char* bytes, std::size_t count);

std::string asciiUpper(std::string_view text);
void asciiUpperInPlace(std::string& text);

} // namespace solvina
