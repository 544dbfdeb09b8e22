// Validating, repairing and counting UTF-8.
#include "text/utf8.h"

#include "text/cpu_features.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

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

namespace {

// The first invalid sequence from pos, a sequence boundary, on.
std::size_t firstInvalidFrom(std::string_view bytes, std::size_t pos) {
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

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SOLVINA_WIDE_UTF8 1
constexpr std::size_t kWideBlock = 32;

// The error classes of a byte and the one before it (the lookup method of Keiser and Lemire,
// "Validating UTF-8 in less than one instruction per byte"): three tables, by the high and
// low half of the byte before and the high half of the byte, whose AND is not 0 for a pair no
// valid text holds. A continuation that a lead two or three bytes back calls for is told apart
// from a surplus one by kTwoContinuations.
constexpr std::uint8_t kTooShort = 1 << 0;         // a lead without its continuations
constexpr std::uint8_t kTooLong = 1 << 1;          // a continuation after ASCII
constexpr std::uint8_t kOverlong3 = 1 << 2;        // E0 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;         // F4 90..BF, F5..FF
constexpr std::uint8_t kSurrogate = 1 << 4;        // ED A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5;        // C0, C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6;     // F5..FF 80..8F
constexpr std::uint8_t kOverlong4 = 1 << 6;        // F0 80..8F
constexpr std::uint8_t kTwoContinuations = 1 << 7; // a continuation after a continuation
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoContinuations;

constexpr std::array<std::uint8_t, 16> kFirstHigh = {kTooLong,
                                                     kTooLong,
                                                     kTooLong,
                                                     kTooLong,
                                                     kTooLong,
                                                     kTooLong,
                                                     kTooLong,
                                                     kTooLong,
                                                     kTwoContinuations,
                                                     kTwoContinuations,
                                                     kTwoContinuations,
                                                     kTwoContinuations,
                                                     kTooShort | kOverlong2,
                                                     kTooShort,
                                                     kTooShort | kOverlong3 | kSurrogate,
                                                     kTooShort | kTooLarge | kTooLarge1000 |
                                                         kOverlong4};
constexpr std::array<std::uint8_t, 16> kFirstLow = {kCarry | kOverlong3 | kOverlong2 | kOverlong4,
                                                    kCarry | kOverlong2,
                                                    kCarry,
                                                    kCarry,
                                                    kCarry | kTooLarge,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000 | kSurrogate,
                                                    kCarry | kTooLarge | kTooLarge1000,
                                                    kCarry | kTooLarge | kTooLarge1000};
constexpr std::array<std::uint8_t, 16> kSecondHigh = {
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge1000 | kOverlong4,
    kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge,
    kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
    kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort};

// The bytes of input shifted by count into it from the end of previous (count 1 to 3).
template <int count>
__attribute__((target("avx2"))) inline __m256i bytesBefore(__m256i input, __m256i previous) {
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - count);
}

__attribute__((target("avx2"))) inline __m256i lookup(__m256i halves,
                                                      const std::array<std::uint8_t, 16>& table) {
    const __m256i entries = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(table.data())));
    return _mm256_shuffle_epi8(entries, halves);
}

// Not 0 where a byte of block breaks the text that previous (the 32 bytes before) began.
__attribute__((target("avx2"))) inline __m256i blockErrors(__m256i block, __m256i previous) {
    const __m256i low = _mm256_set1_epi8(0x0F);
    const __m256i first = bytesBefore<1>(block, previous);
    const __m256i pairs = _mm256_and_si256(
        _mm256_and_si256(lookup(_mm256_and_si256(_mm256_srli_epi16(first, 4), low), kFirstHigh),
                         lookup(_mm256_and_si256(first, low), kFirstLow)),
        lookup(_mm256_and_si256(_mm256_srli_epi16(block, 4), low), kSecondHigh));
    // A byte two after an E0..FF lead or three after an F0..FF one must be a continuation.
    const __m256i third = _mm256_subs_epu8(bytesBefore<2>(block, previous), _mm256_set1_epi8(0x60));
    const __m256i fourth =
        _mm256_subs_epu8(bytesBefore<3>(block, previous), _mm256_set1_epi8(0x70));
    const __m256i called =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(called, pairs);
}

// The start of the first block of 32 that holds a byte of an invalid sequence (the sequence
// may begin up to three bytes before it), or npos for valid text. The last block is padded
// with zeros, so that a sequence cut short at the end is invalid too.
__attribute__((target("avx2"))) std::size_t firstInvalidBlock(std::string_view bytes) {
    // The largest last three bytes of a block that ends with a whole sequence.
    const __m256i lastWhole =
        _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xEF),
                         static_cast<char>(0xDF), static_cast<char>(0xBF));
    __m256i previous = _mm256_setzero_si256();
    std::size_t at = 0;
    for (; at + kWideBlock <= bytes.size(); at += kWideBlock) {
        const __m256i block =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes.data() + at));
        // ASCII after a block that ends with a whole sequence: nothing to look up.
        const __m256i cut = _mm256_subs_epu8(previous, lastWhole);
        if (_mm256_movemask_epi8(block) == 0 && _mm256_testz_si256(cut, cut) != 0) {
            previous = block;
            continue;
        }
        if (const __m256i errors = blockErrors(block, previous);
            _mm256_testz_si256(errors, errors) == 0)
            return at;
        previous = block;
    }
    alignas(32) std::array<char, kWideBlock> tail{};
    std::memcpy(tail.data(), bytes.data() + at, bytes.size() - at);
    const __m256i block = _mm256_load_si256(reinterpret_cast<const __m256i*>(tail.data()));
    const __m256i errors = blockErrors(block, previous);
    return _mm256_testz_si256(errors, errors) == 0 ? at : std::string_view::npos;
}
#endif

} // namespace

std::size_t firstInvalidUtf8(std::string_view bytes) {
#ifdef SOLVINA_WIDE_UTF8
    if (bytes.size() >= 2 * kWideBlock && haveAvx2()) {
        const std::size_t block = firstInvalidBlock(bytes);
        if (block == std::string_view::npos)
            return block;
        // Everything before the block is valid text: its last sequence starts at most three
        // bytes back, at a byte that is no continuation.
        std::size_t from = block >= 3 ? block - 3 : 0;
        while (from > 0 && isContinuation(static_cast<unsigned char>(bytes[from])))
            --from;
        return firstInvalidFrom(bytes, from);
    }
#endif
    return firstInvalidFrom(bytes, 0);
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
