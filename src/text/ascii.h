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

std::string asciiUpper(std::string_view text);
void asciiUpperInPlace(std::string& text);

} // namespace solvina
