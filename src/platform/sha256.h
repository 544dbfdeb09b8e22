// SHA-256, to tell whether a file still holds the bytes a run wrote.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace solvina {

class Sha256 {
public:
    Sha256();
    void add(std::string_view bytes);
    // The digest as 64 lowercase hexadecimal digits; the object is spent afterwards.
    std::string hexDigest();

private:
    void blocks(const unsigned char* data, std::size_t count);

    std::array<std::uint32_t, 8> m_state;
    std::array<unsigned char, 64> m_buffer{};
    std::size_t m_buffered = 0;
    std::uint64_t m_length = 0;
};

std::string sha256Hex(std::string_view bytes);

// Tests: true makes every hash take the portable rounds even where the processor has the SHA
// extensions, so that both are checked against the same vectors.
void useOnlyPortableSha256(bool portableOnly);

} // namespace solvina
