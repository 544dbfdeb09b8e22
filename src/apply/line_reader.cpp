// Line splitting over a read buffer that grows only for lines longer than itself.
#include "apply/line_reader.h"

#include <cstring>

namespace solvina {

namespace {
constexpr std::size_t kReadSize = 64 * 1024;
}

Result<std::size_t> appendRead(InputFile& file, std::string& buffer, std::size_t size) {
    std::size_t old = buffer.size();
    buffer.resize(old + size);
    auto got = file.read(buffer.data() + old, size);
    buffer.resize(old + (got ? *got : 0));
    return got;
}

LineReader::LineReader(InputFile& file, std::string initialBytes)
    : m_file(file), m_buffer(std::move(initialBytes)) {}

Status LineReader::fill() {
    if (m_start > 0) {
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
        const char* begin = m_buffer.data() + scanFrom;
        std::size_t left = m_buffer.size() - scanFrom;
        const char* cr = static_cast<const char*>(std::memchr(begin, '\r', left));
        const char* lf = static_cast<const char*>(std::memchr(begin, '\n', cr ? cr - begin : left));
        const char* stop = lf ? lf : cr;
        if (stop) {
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
