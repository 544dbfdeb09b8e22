// Table decoding of a stateless single- and double-byte encoding (CP932), filled from iconv
// itself one byte or byte pair at a time, so that it gives exactly iconv's text, much faster.
#pragma once

#include <array>
#include <cstdint>
#include <iconv.h>
#include <memory>
#include <string>
#include <string_view>

namespace solvina {

class DoubleByteDecoder {
public:
    // Probes the 256 single bytes through toUtf8 (kept for probing pairs later). nullptr when
    // the encoding does not decode byte by byte as a stateless single/double-byte one.
    static std::unique_ptr<DoubleByteDecoder> probe(iconv_t toUtf8);

    // Appends the text of bytes; a byte that starts no character becomes U+FFFD and decoding
    // resumes at the next byte. False when a pair could not be tabled (text is then partial and
    // the caller decodes through iconv instead). Not thread-safe: probing uses the handle.
    bool decode(std::string_view bytes, std::string& text);

private:
    // What a byte or byte pair decodes to.
    struct Character {
        static constexpr std::uint8_t kUnknown = 0xFF; // pair not probed yet
        static constexpr std::uint8_t kInvalid = 0;    // no character starts here
        static constexpr std::uint8_t kLead = 0xFE;    // single byte only: needs a second byte
        std::uint8_t length = kUnknown;                // bytes of utf8 otherwise
        std::array<char, 15> utf8 = {};
    };
    using Row = std::array<Character, 256>;

    explicit DoubleByteDecoder(iconv_t toUtf8) : m_toUtf8(toUtf8) {}
    bool probeBytes(std::string_view input, Character& character);

    iconv_t m_toUtf8;
    Row m_singles;
    Character m_replacement;                       // U+FFFD
    std::array<std::unique_ptr<Row>, 256> m_pairs; // by lead byte, made when first met
    bool m_asciiIsItself = false;                  // every byte below 0x80 decodes to itself
    bool m_unusable = false;                       // a pair that needs more than two bytes was met
};

} // namespace solvina
