// A page's bytes held in memory, read as a file.
#pragma once

#include "platform/file_system.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace solvina {

class BytesInput final : public InputFile {
public:
    explicit BytesInput(std::string_view bytes) : m_bytes(bytes) {}
    Result<std::size_t> read(char* buffer, std::size_t size) override {
        const std::size_t count = std::min(size, m_bytes.size() - m_position);
        std::copy_n(m_bytes.data() + m_position, count, buffer);
        m_position += count;
        return count;
    }
    std::optional<std::string_view> heldBytes() const override { return m_bytes; }

private:
    std::string_view m_bytes;
    std::size_t m_position = 0;
};

} // namespace solvina
