// What the processor the program runs on can do beyond the build's baseline.
#pragma once

namespace solvina {

// AVX2 (32-byte vector steps): asked of the processor once, on x86-64 only.
inline bool haveAvx2() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
#else
    return false;
#endif
}

} // namespace solvina
