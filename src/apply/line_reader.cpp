// Line splitting over a read buffer that grows only for lines longer than itself.
#include "apply/line_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace solvina {

namespace {

constexpr std::size_t kReadSize = std::size_t{64} * 1024;

// The first CR or LF in [begin, end), or end. Looking for each with memchr over the whole buffer
// would scan the rest of the buffer once per line (for CR in an LF page, for instance).
const char* findLineEnd(const char* begin, const char* end) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    const auto holdsByte = [](std::uint64_t word, char c) {
        const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
        return ((x - kOnes) & ~x & kHighBits) != 0;
    };
    const char* at = begin;
    std::uint64_t word;
    while (end - at >= static_cast<std::ptrdiff_t>(sizeof word)) {
        std::memcpy(&word, at, sizeof word);
        if (holdsByte(word, '\r') || holdsByte(word, '\n'))
            break;
        at += sizeof word;
    }
    while (at < end && *at != '\r' && *at != '\n')
        ++at;
    return at;
}

} // namespace

Result<std::size_t> appendRead(InputFile& file, std::string& buffer, std::size_t size) {
    std::size_t old = buffer.size();
    buffer.resize(old + size);
    auto got = file.read(buffer.data() + old, size);
    buffer.resize(old + (got ? *got : 0));
    return got;
}

LineReader::LineReader(InputFile& file, std::string initialBytes, std::uint64_t startOffset)
    : m_file(file), m_buffer(std::move(initialBytes)), m_dropped(startOffset) {}

Status LineReader::fill() {
    if (m_start > 0) {
        m_dropped += m_start;
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    auto got = appendRead(m_file, m_buffer, kReadSize);
    if (!got)
        return std::move(got).takeError();
    if (*got == 0)
        m_endOfFile = true;
    return {};
}

Result<bool> LineReader::next(RawLine& line) {
    std::size_t scanFrom = m_start;
    for (;;) {
        const char* bufferEnd = m_buffer.data() + m_buffer.size();
        const char* stop = findLineEnd(m_buffer.data() + scanFrom, bufferEnd);
        if (stop != bufferEnd) {
            std::size_t at = stop - m_buffer.data();
            std::size_t endLength = 1;
            if (*stop == '\r') {
                // A CR at the end of the buffer may be the first half of CR LF.
                if (at + 1 == m_buffer.size() && !m_endOfFile) {
                    std::size_t offset = at - m_start;
                    if (auto status = fill(); !status)
                        return std::move(status).takeError();
                    scanFrom = m_start + offset;
                    continue;
                }
                if (at + 1 < m_buffer.size() && m_buffer[at + 1] == '\n')
                    endLength = 2;
            }
            line.bytes = std::string_view(m_buffer.data() + m_start, at - m_start);
            line.end = std::string_view(m_buffer.data() + at, endLength);
            m_start = at + endLength;
            return true;
        }
        if (m_endOfFile) {
            if (m_start == m_buffer.size())
                return false;
            line.bytes = std::string_view(m_buffer.data() + m_start, m_buffer.size() - m_start);
            line.end = {};
            m_start = m_buffer.size();
            return true;
        }
        std::size_t scanned = m_buffer.size() - m_start;
        if (auto status = fill(); !status)
            return std::move(status).takeError();
        scanFrom = m_start + scanned;
    }
}

} // namespace solvina
