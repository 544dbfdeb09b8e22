// Line splitting over a read buffer that grows only for lines longer than itself.
#include "apply/line_reader.h"

#include "apply/text_search.h"
#include "platform/memory_advice.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace solvina {

namespace {

constexpr std::size_t kReadSize = std::size_t{64} * 1024;
constexpr std::uint64_t kMostReserved = std::uint64_t{256} * 1024 * 1024;

} // namespace

Result<std::size_t> appendRead(InputFile& file, std::string& buffer, std::size_t size) {
    // Read through a piece on the stack: growing the string first would clear all of size, of
    // which a page's last read fills little.
    std::array<char, kReadSize> piece;
    std::size_t total = 0;
    while (total < size) {
        auto got = file.read(piece.data(), std::min(piece.size(), size - total));
        if (!got)
            return got;
        buffer.append(piece.data(), *got);
        total += *got;
        if (*got < piece.size())
            break;
    }
    return total;
}

LineReader::LineReader(InputFile& file, std::string initialBytes, std::uint64_t startOffset)
    : m_file(file), m_buffer(std::move(initialBytes)), m_dropped(startOffset) {}

Status LineReader::fill() {
    if (m_start > 0) {
        m_dropped += m_start;
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    // Only a long line gets the room: a page of ordinary lines keeps its small buffer. A file
    // that claims more than kMostReserved (sparse, or grown) is let grow by doubling past it.
    const std::uint64_t rest = std::min<std::uint64_t>(
        m_expectedSize > m_dropped ? m_expectedSize - m_dropped : 0, kMostReserved);
    if (m_buffer.size() >= kReadSize && m_buffer.size() + kReadSize > m_buffer.capacity() &&
        rest > m_buffer.size() + kReadSize) {
        m_buffer.reserve(static_cast<std::size_t>(rest) + 1);
        adviseFilledWhole(m_buffer.data() + m_buffer.size(), m_buffer.capacity() - m_buffer.size());
    }
    auto got = appendRead(m_file, m_buffer, kReadSize);
    if (!got)
        return std::move(got).takeError();
    if (*got == 0)
        m_endOfFile = true;
    return {};
}

std::string_view LineReader::takePlainLines() {
    const std::string_view unread = std::string_view(m_buffer).substr(m_start);
    const std::size_t length = plainLinesLength(unread, m_endOfFile);
    m_start += length;
    return unread.substr(0, length);
}

std::optional<std::string_view> LineReader::joinInPlace(std::string_view kept,
                                                        std::string_view rest) {
    const char* lineStart = m_buffer.data() + m_lineStart;
    const char* taken = m_buffer.data() + m_start;
    if (rest.data() < lineStart || rest.data() + rest.size() > taken ||
        static_cast<std::size_t>(rest.data() - lineStart) < kept.size())
        return std::nullopt;
    const std::size_t at = static_cast<std::size_t>(rest.data() - m_buffer.data()) - kept.size();
    std::copy(kept.begin(), kept.end(), m_buffer.begin() + static_cast<std::ptrdiff_t>(at));
    return std::string_view(m_buffer).substr(at, kept.size() + rest.size());
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
            m_lineStart = m_start;
            m_start = at + endLength;
            return true;
        }
        if (m_endOfFile) {
            if (m_start == m_buffer.size())
                return false;
            line.bytes = std::string_view(m_buffer.data() + m_start, m_buffer.size() - m_start);
            line.end = {};
            m_lineStart = m_start;
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
