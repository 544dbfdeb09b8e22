// Validating, repairing and counting UTF-8.
#include "text/utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace solvina {

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

std::size_t validSequenceLength(std::string_view bytes, std::size_t pos) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const Utf8Lead lead = utf8Lead(byteAt(pos));
    if (lead.length <= 1)
        return lead.length;
    if (pos + lead.length > bytes.size())
        return 0;
    const unsigned char second = byteAt(pos + 1);
    if (second < lead.secondLow || second > lead.secondHigh)
        return 0;
    for (std::size_t i = 2; i < lead.length; ++i)
        if (!isContinuation(byteAt(pos + i)))
            return 0;
    return lead.length;
}

std::size_t firstInvalidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            // Pages are mostly ASCII: skip it eight bytes at a time.
            std::uint64_t word = 0;
            for (++pos; pos + sizeof word <= bytes.size(); pos += sizeof word) {
                std::memcpy(&word, bytes.data() + pos, sizeof word);
                if ((word & 0x8080808080808080ULL) != 0)
                    break;
            }
            continue;
        }
        // Japanese text is mostly three-byte sequences with a lead that takes any continuation.
        if (const auto lead = static_cast<unsigned char>(bytes[pos]);
            lead >= 0xE1 && lead <= 0xEF && lead != 0xED && pos + 3 <= bytes.size() &&
            isContinuation(static_cast<unsigned char>(bytes[pos + 1])) &&
            isContinuation(static_cast<unsigned char>(bytes[pos + 2]))) {
            pos += 3;
            continue;
        }
        const std::size_t length = validSequenceLength(bytes, pos);
        if (length == 0)
            return pos;
        pos += length;
    }
    return std::string_view::npos;
}

bool isValidUtf8(std::string_view bytes) {
    return firstInvalidUtf8(bytes) == std::string_view::npos;
}

std::string sanitizedUtf8(std::string_view bytes) {
    std::size_t pos = firstInvalidUtf8(bytes);
    if (pos == std::string_view::npos)
        return std::string(bytes);
    std::string text;
    text.reserve(bytes.size() + 8);
    text.append(bytes.substr(0, pos));
    while (pos < bytes.size()) {
        const std::size_t length = validSequenceLength(bytes, pos);
        if (length == 0) {
            text += kReplacementCharacter;
            ++pos;
        } else {
            text.append(bytes.substr(pos, length));
            pos += length;
        }
    }
    return text;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    int continuation = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    constexpr std::array<unsigned char, 4> kLeads = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLeads[static_cast<std::size_t>(continuation)] |
                             (code >> (6 * continuation)));
    while (continuation-- > 0)
        out += static_cast<char>(0x80 | ((code >> (6 * continuation)) & 0x3F));
}

char32_t codePointOf(std::string_view sequence) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(sequence[i]); };
    switch (sequence.size()) {
    case 1:
        return byteAt(0);
    case 2:
        return (char32_t(byteAt(0) & 0x1F) << 6) | (byteAt(1) & 0x3F);
    case 3:
        return (char32_t(byteAt(0) & 0x0F) << 12) | (char32_t(byteAt(1) & 0x3F) << 6) |
               (byteAt(2) & 0x3F);
    default:
        return (char32_t(byteAt(0) & 0x07) << 18) | (char32_t(byteAt(1) & 0x3F) << 12) |
               (char32_t(byteAt(2) & 0x3F) << 6) | (byteAt(3) & 0x3F);
    }
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

void Utf8Validator::feed(std::string_view bytes) {
    if (m_invalid)
        return;
    const std::size_t size = bytes.size();
    std::size_t at = 0;
    while (at < size) {
        if (m_pending == 0) {
            // Pages are mostly ASCII: skip it eight bytes at a time.
            std::uint64_t word = 0;
            while (at + sizeof word <= size) {
                std::memcpy(&word, bytes.data() + at, sizeof word);
                if ((word & 0x8080808080808080ULL) != 0)
                    break;
                at += sizeof word;
            }
            if (at == size)
                return;
        }
        const auto c = static_cast<unsigned char>(bytes[at++]);
        if (m_pending == 0) {
            if (c < 0x80)
                continue;
            m_sawNonAscii = true;
            const Utf8Lead lead = utf8Lead(c);
            if (lead.length == 0) {
                m_invalid = true;
                return;
            }
            m_pending = lead.length - 1;
            m_lowerBound = lead.secondLow;
            m_upperBound = lead.secondHigh;
            continue;
        }
        if (c < m_lowerBound || c > m_upperBound) {
            m_invalid = true;
            return;
        }
        m_lowerBound = 0x80;
        m_upperBound = 0xBF;
        --m_pending;
    }
}

bool Utf8Validator::valid() const {
    return !m_invalid && m_pending == 0;
}

} // namespace solvina
