// The byte test for markup and the small text edits of a page's pass.
#include "apply/text_search.h"

#include "text/ascii.h"
#include "text/cpu_features.h"

#include <algorithm>
#include <cstdint>
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace solvina {

namespace {

// Which tag the pass acts on the "<" at the start of tag opens; 0 for none.
unsigned markupOpenedBy(std::string_view tag) {
    const auto follows = [](std::string_view rest, std::string_view pattern) {
        return startsWithIgnoringAsciiCase(rest, 0, pattern);
    };
    const std::string_view rest = tag.substr(1);
    if (rest.empty())
        return 0;
    switch (asciiUpperByte(rest.front())) {
    case '!':
        return follows(rest, "!--") ? kCommentMarkup : 0;
    case 'T':
        return follows(rest, "TITLE>") ? kTitleMarkup : 0;
    case 'A':
        return follows(rest, "A HREF=") ? kLinkMarkup : 0;
    case 'B':
        return follows(rest, "BODY") ? kBodyMarkup : 0;
    case '/':
        return follows(rest, "/BODY>") ? kBodyMarkup : 0;
    default:
        return 0;
    }
}

bool opensMarkup(std::string_view tag) {
    return markupOpenedBy(tag) != 0;
}

// Just past the line end at bytes[at]: a CR followed by LF ends there together.
std::size_t pastLineEnd(std::string_view bytes, std::size_t at) {
    return bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n' ? at + 2 : at + 1;
}

int highestBit(unsigned bits) {
    return 31 - __builtin_clz(bits);
}

#ifdef __SSE2__
constexpr std::size_t kBlock = 16;

// One block of 16 positions of a text, judged by each byte and the two after it (so 18 bytes
// are read): a bit for each "<" that may open a tag the pass acts on ("<!-", "<ti", "<a ",
// "<bo", "</b" in any letter case; such a "<" is then checked in full). Without linksAndTitles
// only comments and body tags ("<!-", "<bo", "</b") are looked for.
template <bool linksAndTitles> unsigned tagOpeningsOf(const char* block) {
    const auto bytesAt = [&](std::size_t offset) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + offset));
    };
    const auto equal = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const auto lower = [](__m128i v) { return _mm_or_si128(v, _mm_set1_epi8(0x20)); };
    const __m128i first = bytesAt(0);
    const auto opening = static_cast<unsigned>(_mm_movemask_epi8(equal(first, '<')));
    if (opening == 0)
        return 0; // half the blocks of a page: text between tags
    const __m128i second = bytesAt(1);
    const __m128i third = bytesAt(2);
    const __m128i secondLower = lower(second);
    const __m128i thirdLower = lower(third);
    __m128i opens = _mm_and_si128(equal(second, '!'), equal(third, '-'));
    if constexpr (linksAndTitles) {
        opens = _mm_or_si128(opens, _mm_and_si128(equal(secondLower, 't'), equal(thirdLower, 'i')));
        opens = _mm_or_si128(opens, _mm_and_si128(equal(secondLower, 'a'), equal(third, ' ')));
    }
    opens = _mm_or_si128(opens, _mm_and_si128(equal(secondLower, 'b'), equal(thirdLower, 'o')));
    opens = _mm_or_si128(opens, _mm_and_si128(equal(second, '/'), equal(thirdLower, 'b')));
    return opening & static_cast<unsigned>(_mm_movemask_epi8(opens));
}

#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SOLVINA_WIDE_SCAN 1
constexpr std::size_t kWideBlock = 32;

// tagOpeningsOf for 32 positions at once (34 bytes read), where the processor has AVX2. Every
// block is judged in full, without a branch on whether it holds a "<": in a page's markup about
// every other block does, and the mispredicted branches cost more than the judging. The byte
// after a "<", with 0x20 set, picks by a small hash the byte it must be and the byte the next
// one must be (also with 0x20 set) from two tables: a few more candidates than the pairs
// themselves ("<" with a control byte), each checked in full by the caller like any other.
template <bool linksAndTitles>
__attribute__((target("avx2"))) inline unsigned wideTagOpeningsOf(const char* block) {
    // No lambdas here: they would not take this function's target. Indexes by the hash
    // (s + s / 16) % 16 of s, the second byte with 0x20 set: "/" 1, "!" 3, "a" 7, "b" 8, "t" 11.
    const __m128i secondBytes = _mm_setr_epi8(0, '/', 0, '!', 0, 0, 0, linksAndTitles ? 'a' : 0,
                                              'b', 0, 0, linksAndTitles ? 't' : 0, 0, 0, 0, 0);
    const __m128i thirdBytes =
        _mm_setr_epi8(0, 'b', 0, '-', 0, 0, 0, ' ', 'o', 0, 0, 'i', 0, 0, 0, 0);
    const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    const __m256i caseBit = _mm256_set1_epi8(0x20);
    const __m256i second =
        _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 1)), caseBit);
    const __m256i third =
        _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 2)), caseBit);
    const __m256i lowNibble = _mm256_set1_epi8(0x0F);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(second, 4), lowNibble);
    const __m256i hash = _mm256_and_si256(_mm256_add_epi8(second, high), lowNibble);
    const __m256i wantedSecond =
        _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(secondBytes), hash);
    const __m256i wantedThird = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(thirdBytes), hash);
    const __m256i opens = _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi8(second, wantedSecond),
                                                            _mm256_cmpeq_epi8(third, wantedThird)),
                                           _mm256_cmpeq_epi8(first, _mm256_set1_epi8('<')));
    return static_cast<unsigned>(_mm256_movemask_epi8(opens));
}

// The first position from at, in steps of 32, of a "<" that may open a tag the pass acts on;
// npos when the blocks that can be judged whole hold none (at is then where they end).
template <bool linksAndTitles>
__attribute__((target("avx2"))) std::size_t findWideMarkupOpening(std::string_view bytes,
                                                                  std::size_t& at) {
    for (; at + kWideBlock + 2 <= bytes.size(); at += kWideBlock)
        if (const unsigned tags = wideTagOpeningsOf<linksAndTitles>(bytes.data() + at); tags != 0)
            return at + static_cast<std::size_t>(__builtin_ctz(tags));
    return std::string_view::npos;
}

// The positions from at, 32 at a time, whose byte is first and whose next byte, with caseBit
// set, is second: the candidates of findIgnoringAsciiCase, each handed to matchesAt until one
// matches. npos when none did in the blocks that can be judged whole (at is then where they end).
template <typename MatchesAt>
__attribute__((target("avx2"))) std::size_t findWidePair(std::string_view text, char first,
                                                         char second, char caseBit, std::size_t& at,
                                                         MatchesAt matchesAt) {
    const __m256i firstByte = _mm256_set1_epi8(first);
    const __m256i secondByte = _mm256_set1_epi8(second);
    const __m256i caseBits = _mm256_set1_epi8(caseBit);
    for (; at + kWideBlock + 1 <= text.size(); at += kWideBlock) {
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text.data() + at));
        const __m256i next =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text.data() + at + 1));
        auto found = static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(here, firstByte),
                             _mm256_cmpeq_epi8(_mm256_or_si256(next, caseBits), secondByte))));
        for (; found != 0; found &= found - 1)
            if (const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(found));
                matchesAt(candidate))
                return candidate;
    }
    return std::string_view::npos;
}

// The first CR or LF from at, 64 and then 32 bytes at a time; nullptr when the blocks that can
// be judged whole hold none (at is then where they end).
__attribute__((target("avx2"))) const char* findWideLineEnd(const char*& at, const char* end) {
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    for (; end - at >= 2 * static_cast<std::ptrdiff_t>(kWideBlock); at += 2 * kWideBlock) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + kWideBlock));
        const __m256i lowEnds =
            _mm256_or_si256(_mm256_cmpeq_epi8(low, cr), _mm256_cmpeq_epi8(low, lf));
        const __m256i highEnds =
            _mm256_or_si256(_mm256_cmpeq_epi8(high, cr), _mm256_cmpeq_epi8(high, lf));
        const __m256i ends = _mm256_or_si256(lowEnds, highEnds);
        if (_mm256_testz_si256(ends, ends))
            continue;
        if (const auto found = static_cast<unsigned>(_mm256_movemask_epi8(lowEnds)); found != 0)
            return at + __builtin_ctz(found);
        return at + kWideBlock +
               __builtin_ctz(static_cast<unsigned>(_mm256_movemask_epi8(highEnds)));
    }
    if (end - at >= static_cast<std::ptrdiff_t>(kWideBlock)) {
        const __m256i chunk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const auto found = static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_or_si256(_mm256_cmpeq_epi8(chunk, cr), _mm256_cmpeq_epi8(chunk, lf))));
        if (found != 0)
            return at + __builtin_ctz(found);
        at += kWideBlock;
    }
    return nullptr;
}
#endif

template <bool linksAndTitles> std::size_t findOpening(std::string_view bytes, std::size_t from) {
    std::size_t at = from;
#ifdef SOLVINA_WIDE_SCAN
    if (haveAvx2())
        if (const std::size_t found = findWideMarkupOpening<linksAndTitles>(bytes, at);
            found != std::string_view::npos)
            return found;
#endif
#ifdef __SSE2__
    for (; at + kBlock + 2 <= bytes.size(); at += kBlock)
        if (const unsigned tags = tagOpeningsOf<linksAndTitles>(bytes.data() + at); tags != 0)
            return at + static_cast<std::size_t>(__builtin_ctz(tags));
#endif
    // The last bytes are too few for a block: every "<" there is a candidate.
    return at < bytes.size() ? bytes.find('<', at) : std::string_view::npos;
}

} // namespace

std::size_t findMarkupOpening(std::string_view bytes, std::size_t from) {
    return findOpening<true>(bytes, from);
}

std::size_t findCommentOrBodyOpening(std::string_view bytes, std::size_t from) {
    return findOpening<false>(bytes, from);
}

bool mayHoldMarkup(std::string_view bytes) {
    for (std::size_t at = findMarkupOpening(bytes, 0); at != std::string_view::npos;
         at = findMarkupOpening(bytes, at + 1)) {
        if (opensMarkup(bytes.substr(at)))
            return true;
    }
    return false;
}

unsigned markupIn(std::string_view bytes, std::size_t from) {
    constexpr unsigned kEveryKind = kCommentMarkup | kTitleMarkup | kLinkMarkup | kBodyMarkup;
    unsigned kinds = 0;
    // A long line that holds every kind early is not scanned to its end.
    for (std::size_t at = findMarkupOpening(bytes, from);
         at != std::string_view::npos && kinds != kEveryKind; at = findMarkupOpening(bytes, at + 1))
        kinds |= markupOpenedBy(bytes.substr(at));
    return kinds;
}

std::size_t plainLinesLength(std::string_view bytes, bool atEnd, std::size_t* markup) {
    // Line ends are looked for below limit, so that the byte after a CR is always there.
    const std::size_t limit = atEnd || bytes.empty() ? bytes.size() : bytes.size() - 1;
    // The plain lines end at the line of the first "<" that opens a tag the pass acts on; the
    // line ends are looked for only then, backwards from there.
    std::size_t stop = limit;
    for (std::size_t at = findMarkupOpening(bytes, 0); at < limit;
         at = findMarkupOpening(bytes, at + 1))
        if (opensMarkup(bytes.substr(at))) {
            stop = at;
            break;
        }
    if (markup != nullptr)
        *markup = stop < limit ? stop : std::string_view::npos;
    const char* lastEnd = findLastLineEnd(bytes.data(), bytes.data() + stop);
    return lastEnd == nullptr
               ? 0
               : pastLineEnd(bytes, static_cast<std::size_t>(lastEnd - bytes.data()));
}

namespace {

// findLinkOpening 16 positions at a time, then byte by byte: a function of its own, so that the
// way long bytes are looked at costs the short rest of a line nothing.
__attribute__((noinline)) std::size_t findNarrowLinkOpening(std::string_view bytes,
                                                            std::size_t at) {
#ifdef __SSE2__
    // "<" in one lane, "a" (either case) in the next, " " in the one after: three loads of the
    // same 16 positions, shifted, instead of a call of memchr for each "<" of a tag-dense line.
    for (; at + kBlock + 2 <= bytes.size(); at += kBlock) {
        const auto load = [&](std::size_t offset) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at + offset));
        };
        const __m128i opens =
            _mm_and_si128(_mm_cmpeq_epi8(load(0), _mm_set1_epi8('<')),
                          _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(load(1), _mm_set1_epi8(0x20)),
                                                       _mm_set1_epi8('a')),
                                        _mm_cmpeq_epi8(load(2), _mm_set1_epi8(' '))));
        if (const int found = _mm_movemask_epi8(opens); found != 0)
            return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
    }
#endif
    for (; at + 2 < bytes.size(); ++at)
        if (bytes[at] == '<' && asciiUpperByte(bytes[at + 1]) == 'A' && bytes[at + 2] == ' ')
            return at;
    return std::string_view::npos;
}

// Bytes from which findLinkOpening goes 32 positions at a time, where the processor can: a long
// line's pieces, not the rest of an ordinary line.
constexpr std::size_t kWideLinkScan = 1024;

__attribute__((noinline)) std::size_t findLinkOpeningInLongBytes(std::string_view bytes,
                                                                 std::size_t at) {
#ifdef SOLVINA_WIDE_SCAN
    if (haveAvx2()) {
        const auto spaceAfter = [&](std::size_t candidate) {
            return candidate + 2 < bytes.size() && bytes[candidate + 2] == ' ';
        };
        if (const std::size_t found = findWidePair(bytes, '<', 'a', 0x20, at, spaceAfter);
            found != std::string_view::npos)
            return found;
    }
#endif
    return findNarrowLinkOpening(bytes, at);
}

} // namespace

std::size_t findLinkOpening(std::string_view bytes, std::size_t from) {
    if (from < bytes.size() && bytes.size() - from >= kWideLinkScan)
        return findLinkOpeningInLongBytes(bytes, from);
    return findNarrowLinkOpening(bytes, from);
}

bool startsWithIgnoringAsciiCase(std::string_view text, std::size_t at,
                                 std::string_view upperPattern) {
    return at <= text.size() && text.size() - at >= upperPattern.size() &&
           std::equal(upperPattern.begin(), upperPattern.end(), text.begin() + at,
                      [](char p, char c) { return p == asciiUpperByte(c); });
}

std::size_t findIgnoringAsciiCase(std::string_view text, std::string_view upperPattern,
                                  std::size_t from) {
    if (from > text.size())
        return std::string_view::npos;
    if (upperPattern.empty())
        return from;
    const auto matchesAt = [&](std::size_t at) {
        return startsWithIgnoringAsciiCase(text, at, upperPattern);
    };
    const char first = upperPattern.front();
    const char second = upperPattern.size() > 1 ? upperPattern[1] : '\0';
    std::size_t at = from;
#ifdef __SSE2__
    // Candidates by their first two bytes, 16 positions at a time; a letter in either case.
    if (upperPattern.size() > 1 && !isAsciiLetter(first)) {
        const bool letter = isAsciiLetter(second);
        const char secondLower = letter ? static_cast<char>(second | 0x20) : second;
        const char caseBitOfSecond = letter ? 0x20 : 0;
#ifdef SOLVINA_WIDE_SCAN
        if (haveAvx2())
            if (const std::size_t found =
                    findWidePair(text, first, secondLower, caseBitOfSecond, at, matchesAt);
                found != std::string_view::npos)
                return found;
#endif
        const __m128i secondByte = _mm_set1_epi8(secondLower);
        const __m128i caseBit = _mm_set1_epi8(caseBitOfSecond);
        for (; at + kBlock + 1 <= text.size(); at += kBlock) {
            const auto load = [&](std::size_t offset) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at + offset));
            };
            auto found = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(load(0), _mm_set1_epi8(first)),
                              _mm_cmpeq_epi8(_mm_or_si128(load(1), caseBit), secondByte))));
            for (; found != 0; found &= found - 1)
                if (const std::size_t candidate =
                        at + static_cast<std::size_t>(__builtin_ctz(found));
                    matchesAt(candidate))
                    return candidate;
        }
    }
#endif
    for (; at < text.size(); ++at)
        if (asciiUpperByte(text[at]) == first && matchesAt(at))
            return at;
    return std::string_view::npos;
}

const char* findLineEnd(const char* begin, const char* end) {
    const char* at = begin;
#ifdef SOLVINA_WIDE_SCAN
    if (haveAvx2())
        if (const char* found = findWideLineEnd(at, end))
            return found;
#endif
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; end - at >= 16; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const int found =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
        if (found != 0)
            return at + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    while (at < end && *at != '\r' && *at != '\n')
        ++at;
    return at;
}

const char* findLastLineEnd(const char* begin, const char* end) {
    const char* at = end;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; at - begin >= 16; at -= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 16));
        const int found =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
        if (found != 0)
            return at - 16 + highestBit(static_cast<unsigned>(found));
    }
#endif
    while (at > begin) {
        --at;
        if (*at == '\r' || *at == '\n')
            return at;
    }
    return nullptr;
}

void replaceAll(std::string& text, char from, char to) {
    std::replace(text.begin(), text.end(), from, to);
}

} // namespace solvina
