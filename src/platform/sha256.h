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
    void block(const unsigned char* data);

    std::array<std::uint32_t, 8> m_state;
    std::array<unsigned char, 64> m_buffer{};
    std::size_t m_buffered = 0;
    std::uint64_t m_length = 0;
};

std::string sha256Hex(std::string_view bytes);

} // namespace solvina
