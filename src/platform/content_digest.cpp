// XXH3 is compiled in from its header (Debian package libxxhash-dev): no library to ship.
#include "platform/content_digest.h"

#include "platform/sha256.h"
#include "platform/xxh3_avx2.h"
#include "text/ascii.h"
#include "text/cpu_features.h"

#include <algorithm>
#include <atomic>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace solvina {

namespace {

constexpr std::string_view kXxh128 = "xxh128";
constexpr std::string_view kSha256 = "sha256";

std::atomic<bool> g_portableXxh3Only{false};

} // namespace

struct ContentDigest::State {
    DigestKind kind;
    XXH3_state_t xxh;
    Sha256 sha;
};

DigestKind digestKindOf(std::string_view digest) {
    return digest.starts_with(kXxh128) && digest.substr(kXxh128.size()).starts_with(':')
               ? DigestKind::Xxh128
               : DigestKind::Sha256;
}

std::string_view digestKindName(DigestKind kind) {
    return kind == DigestKind::Xxh128 ? kXxh128 : kSha256;
}

std::unique_ptr<ContentDigest::State>& ContentDigest::spareState() {
    thread_local std::unique_ptr<State> spare;
    return spare;
}

ContentDigest::ContentDigest(DigestKind kind) : m_state(std::move(spareState())) {
    if (!m_state)
        m_state = std::make_unique<State>();
    m_state->kind = kind;
    m_state->sha = Sha256();
    if (kind == DigestKind::Xxh128) {
        XXH3_INITSTATE(&m_state->xxh);
        XXH3_128bits_reset(&m_state->xxh);
    }
}

ContentDigest::~ContentDigest() {
    if (m_state && !spareState())
        spareState() = std::move(m_state);
}
ContentDigest::ContentDigest(ContentDigest&&) noexcept = default;
ContentDigest& ContentDigest::operator=(ContentDigest&&) noexcept = default;

void ContentDigest::add(std::string_view bytes) {
    if (m_state->kind == DigestKind::Sha256)
        m_state->sha.add(bytes);
    else if (haveAvx2() && !g_portableXxh3Only)
        xxh3UpdateAvx2(&m_state->xxh, bytes.data(), bytes.size());
    else
        XXH3_128bits_update(&m_state->xxh, bytes.data(), bytes.size());
}

void useOnlyPortableXxh3(bool portableOnly) {
    g_portableXxh3Only = portableOnly;
}

std::string xxh128Text(const Xxh128Bytes& bytes) {
    return std::string(kXxh128) + ':' + lowerHex(bytes.data(), bytes.size());
}

std::string ContentDigest::finish() {
    if (m_state->kind == DigestKind::Sha256)
        return std::string(kSha256) + ':' + m_state->sha.hexDigest();
    return xxh128Text(finishXxh128());
}

Xxh128Bytes ContentDigest::finishXxh128() {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(&m_state->xxh));
    Xxh128Bytes bytes;
    static_assert(sizeof canonical.digest == bytes.size());
    std::copy_n(canonical.digest, bytes.size(), bytes.begin());
    return bytes;
}

} // namespace solvina
