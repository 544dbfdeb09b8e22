// Deciding a page's encoding as a browser decides it.
#pragma once

#include "platform/encoding_table.h"

#include <optional>
#include <string_view>

namespace solvina {

// The encoding fixed by the start of the page: a byte-order mark (UTF-8; UTF-16 ones give the
// unsupported UTF-16 encodings), else the first charset a <meta> declares within the first 1024
// bytes (the browsers' prescan), else an XML declaration at byte 0. nullopt when nothing
// decides. head: the page's first bytes (at least 1024 when the page has them).
std::optional<EncodingInfo> declaredPageEncoding(std::string_view head);

// Length of the byte-order mark at the start of head (0, 2 or 3).
std::size_t byteOrderMarkLength(std::string_view head);

// Checks a byte stream fed in pieces (sequences may span pieces) for valid UTF-8.
class Utf8Validator {
public:
    void feed(std::string_view bytes);
    // After the last piece: the whole stream was valid UTF-8 (no truncated sequence at the end).
    bool valid() const;
    bool sawNonAscii() const { return m_sawNonAscii; }

private:
    int m_pending = 0;                                 // continuation bytes still expected
    unsigned m_lowerBound = 0x80, m_upperBound = 0xBF; // range of the next continuation byte
    bool m_invalid = false;
    bool m_sawNonAscii = false;
};

// With no declaration: UTF-8 when the whole page is valid UTF-8 holding a non-ASCII byte,
// else Shift_JIS (CP932).
EncodingInfo undeclaredPageEncoding(const Utf8Validator& wholePage);

} // namespace solvina
