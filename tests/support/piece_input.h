// A file that hands out at most pieceSize bytes per read, so a reader meets every cut.
#pragma once

#include "platform/file_system.h"

#include <algorithm>
#include <string>

namespace solvina::test_support {

class PieceInput : public InputFile {
public:
    PieceInput(std::string bytes, std::size_t pieceSize)
        : m_bytes(std::move(bytes)), m_pieceSize(pieceSize) {}
    Result<std::size_t> read(char* buffer, std::size_t size) override {
        const std::size_t count = std::min({size, m_pieceSize, m_bytes.size() - m_at});
        std::copy_n(m_bytes.data() + m_at, count, buffer);
        m_at += count;
        return count;
    }
    Result<std::size_t> readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
        const std::size_t from = std::min<std::size_t>(offset, m_bytes.size());
        const std::size_t count = std::min({size, m_pieceSize, m_bytes.size() - from});
        std::copy_n(m_bytes.data() + from, count, buffer);
        return count;
    }

private:
    std::string m_bytes;
    std::size_t m_pieceSize;
    std::size_t m_at = 0;
};

} // namespace solvina::test_support
