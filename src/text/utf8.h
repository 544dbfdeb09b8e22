// UTF-8 as the program reads it: which byte sequences are valid, what stands in for the others,
// and counting and stepping over characters (code points).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace solvina {

// U+FFFD, the character that stands for bytes that could not be read.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// What a lead byte opens: the length of its sequence (0 when no valid sequence starts with it)
// and the range of the byte after it, narrowed so that overlong forms, surrogates and code
// points above U+10FFFF are invalid. Every later byte is a plain continuation (0x80..0xBF).
struct Utf8Lead {
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
};

constexpr Utf8Lead utf8Lead(unsigned char lead) {
    if (lead < 0x80)
        return {1};
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2};
    if (lead >= 0xE0 && lead <= 0xEF)
        return {3, static_cast<unsigned char>(lead == 0xE0 ? 0xA0 : 0x80),
                static_cast<unsigned char>(lead == 0xED ? 0x9F : 0xBF)};
    if (lead >= 0xF0 && lead <= 0xF4)
        return {4, static_cast<unsigned char>(lead == 0xF0 ? 0x90 : 0x80),
                static_cast<unsigned char>(lead == 0xF4 ? 0x8F : 0xBF)};
    return {};
}

// Length of the valid sequence starting at bytes[pos], 0 when none starts there (a truncated
// sequence is invalid too).
std::size_t validSequenceLength(std::string_view bytes, std::size_t pos);
// Position of the first byte that starts no valid sequence, npos when the input is valid.
std::size_t firstInvalidUtf8(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);
// The input with each byte that starts no valid sequence replaced by U+FFFD.
std::string sanitizedUtf8(std::string_view bytes);
// The code point of one valid sequence.
char32_t codePointOf(std::string_view sequence);
// Appends the UTF-8 sequence of a code point (not a surrogate, at most U+10FFFF).
void appendUtf8(std::string& out, char32_t code);

// Byte offset of the character that lies count characters (code points) after from.
std::size_t advanceCharacters(std::string_view utf8, std::size_t from, std::size_t count);
// Number of characters (code points) in a UTF-8 text.
std::size_t countCharacters(std::string_view utf8);

// Checks a byte stream fed in pieces (sequences may span pieces) for valid UTF-8.
class Utf8Validator {
public:
    void feed(std::string_view bytes);
    // After the last piece: the whole stream was valid UTF-8 (no truncated sequence at the end).
    bool valid() const;
    bool sawNonAscii() const { return m_sawNonAscii; }

private:
    std::size_t m_pending = 0;                              // continuation bytes still expected
    unsigned char m_lowerBound = 0x80, m_upperBound = 0xBF; // range of the next continuation byte
    bool m_invalid = false;
    bool m_sawNonAscii = false;
};

} // namespace solvina
