// The FIPS 180-4 algorithm, whole 64-byte blocks straight from the input; on processors with the
// SHA extensions their instructions do the rounds.
#include "platform/sha256.h"

#include "text/ascii.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define SOLVINA_SHA_EXTENSIONS 1
#endif

namespace solvina {

namespace {

alignas(16) constexpr std::array<std::uint32_t, 64> kRounds = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t rotate(std::uint32_t value, int bits) {
    return (value >> bits) | (value << (32 - bits));
}

void portableBlocks(std::uint32_t* state, const unsigned char* data, std::size_t count) {
    for (; count > 0; --count, data += 64) {
        std::array<std::uint32_t, 64> w;
        for (int i = 0; i < 16; ++i)
            w[i] = std::uint32_t{data[std::size_t{4} * i]} << 24 |
                   std::uint32_t{data[std::size_t{4} * i + 1]} << 16 |
                   std::uint32_t{data[std::size_t{4} * i + 2]} << 8 |
                   std::uint32_t{data[std::size_t{4} * i + 3]};
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 =
                rotate(w[i - 15], 7) ^ rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = rotate(w[i - 2], 17) ^ rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t s1 = rotate(e, 6) ^ rotate(e, 11) ^ rotate(e, 25);
            const std::uint32_t choice = (e & f) ^ (~e & g);
            const std::uint32_t t1 = h + s1 + choice + kRounds[i] + w[i];
            const std::uint32_t s0 = rotate(a, 2) ^ rotate(a, 13) ^ rotate(a, 22);
            const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + s0 + majority;
        }
        state[0] += a, state[1] += b, state[2] += c, state[3] += d;
        state[4] += e, state[5] += f, state[6] += g, state[7] += h;
    }
}

#ifdef SOLVINA_SHA_EXTENSIONS

// The rounds in the SHA extensions' instructions: four rounds per pair of sha256rnds2, the
// message schedule by sha256msg1/sha256msg2. The state is held as ABEF and CDGH.
__attribute__((target("sha,ssse3,sse4.1"))) void
extensionBlocks(std::uint32_t* state, const unsigned char* data, std::size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

    const auto* k = reinterpret_cast<const __m128i*>(kRounds.data());
    for (; count > 0; --count, data += 64) {
        const __m128i abefSaved = abef;
        const __m128i cdghSaved = cdgh;
        // std::array would drop the vector type's alignment attribute (GCC warns).
        __m128i m[4]; // NOLINT(modernize-avoid-c-arrays)
        for (std::size_t i = 0; i < 4; ++i)
            m[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
        for (std::size_t group = 0; group < 16; ++group) {
            const __m128i current = m[group & 3];
            __m128i words = _mm_add_epi32(current, _mm_load_si128(k + group));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, words);
            if (group >= 3 && group < 15) {
                // The next group's schedule words, from the previous sixteen before the msg1
                // step below changes the oldest four.
                __m128i& next = m[(group + 1) & 3];
                next = _mm_add_epi32(next, _mm_alignr_epi8(current, m[(group + 3) & 3], 4));
                next = _mm_sha256msg2_epu32(next, current);
            }
            words = _mm_shuffle_epi32(words, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, words);
            if (group >= 1 && group < 13)
                m[(group + 3) & 3] = _mm_sha256msg1_epu32(m[(group + 3) & 3], current);
        }
        abef = _mm_add_epi32(abef, abefSaved);
        cdgh = _mm_add_epi32(cdgh, cdghSaved);
    }

    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

bool haveExtensions() {
    static const bool have = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d))
            return false;
        const bool sse41 = (c & bit_SSE4_1) != 0 && (c & bit_SSSE3) != 0;
        if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
            return false;
        return sse41 && (b & bit_SHA) != 0;
    }();
    return have;
}

#endif

bool g_portableOnly = false;

} // namespace

void useOnlyPortableSha256(bool portableOnly) {
    g_portableOnly = portableOnly;
}

Sha256::Sha256()
    : m_state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::blocks(const unsigned char* data, std::size_t count) {
#ifdef SOLVINA_SHA_EXTENSIONS
    if (!g_portableOnly && haveExtensions())
        return extensionBlocks(m_state.data(), data, count);
#endif
    portableBlocks(m_state.data(), data, count);
}

void Sha256::add(std::string_view bytes) {
    if (bytes.empty())
        return; // its data may be null, which memcpy must not be given
    m_length += bytes.size();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t size = bytes.size();
    if (m_buffered > 0) {
        const std::size_t taken = std::min(size, m_buffer.size() - m_buffered);
        std::memcpy(m_buffer.data() + m_buffered, data, taken);
        m_buffered += taken;
        data += taken;
        size -= taken;
        if (m_buffered < m_buffer.size())
            return;
        blocks(m_buffer.data(), 1);
        m_buffered = 0;
    }
    blocks(data, size / 64);
    data += size / 64 * 64;
    size %= 64;
    std::memcpy(m_buffer.data(), data, size);
    m_buffered = size;
}

std::string Sha256::hexDigest() {
    const std::uint64_t bits = m_length * 8;
    std::array<unsigned char, 72> tail{};
    tail[0] = 0x80;
    const std::size_t padding = (m_buffered < 56 ? 56 : 120) - m_buffered;
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    add(std::string_view(reinterpret_cast<const char*>(tail.data()), padding + 8));
    std::array<unsigned char, 32> digest{};
    for (std::size_t i = 0; i < digest.size(); ++i)
        digest[i] = static_cast<unsigned char>(m_state[i / 4] >> (24 - 8 * (i % 4)));
    return lowerHex(digest.data(), digest.size());
}

std::string sha256Hex(std::string_view bytes) {
    Sha256 hash;
    hash.add(bytes);
    return hash.hexDigest();
}

} // namespace solvina
