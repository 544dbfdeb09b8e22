// XXH3 compiled for AVX2 as a whole.
#include "platform/xxh3_avx2.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

// The header includes it only when the whole build is for AVX2.
#include <immintrin.h>
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC target("avx2")
#endif
#define XXH_INLINE_ALL
#define XXH_VECTOR XXH_AVX2
#include <xxhash.h>

namespace solvina {

void xxh3UpdateAvx2(void* state, const void* bytes, std::size_t size) {
    XXH3_128bits_update(static_cast<XXH3_state_t*>(state), bytes, size);
}

} // namespace solvina

#if defined(__clang__)
#pragma clang attribute pop
#endif

#else

namespace solvina {

void xxh3UpdateAvx2(void*, const void*, std::size_t) {}

} // namespace solvina

#endif
