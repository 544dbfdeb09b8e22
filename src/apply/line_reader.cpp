// Line splitting over a read buffer that grows only for lines longer than itself.
#include "apply/line_reader.h"

#include "apply/text_search.h"
#include "platform/memory_advice.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace solvina {

namespace {

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
    // While the buffer is the page's copy (keepCopy) it keeps every byte from the first.
    if (m_start > 0 && !m_bufferIsCopy) {
        m_dropped += m_start;
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    // Only a long line gets the room: a page of ordinary lines keeps its small buffer. A file
    // that claims more than kMostReserved (sparse, or grown) is let grow by doubling past it.
    std::uint64_t rest = std::min<std::uint64_t>(
        m_expectedSize > m_dropped ? m_expectedSize - m_dropped : 0, kMostReserved);
    // A line that may yet be taken in pieces gets no more room than a piece needs.
    if (m_rules && !m_heldWhole)
        rest = std::min<std::uint64_t>(rest, m_rules->longLine + kReadSize);
    if (m_buffer.size() >= kReadSize && m_buffer.size() + kReadSize > m_buffer.capacity() &&
        rest > m_buffer.size() + kReadSize) {
        m_buffer.reserve(static_cast<std::size_t>(rest) + 1);
        adviseFilledWhole(m_buffer.data() + m_buffer.size(), m_buffer.capacity() - m_buffer.size());
    }
    const std::size_t before = m_buffer.size();
    auto got = appendRead(m_file, m_buffer, kReadSize);
    if (!got)
        return std::move(got).takeError();
    if (*got == 0)
        m_endOfFile = true;
    if (m_bufferIsCopy) {
        m_bufferIsCopy = m_buffer.size() <= m_copyLimit;
    } else if (m_copy) {
        if (m_copy->size() + *got > m_copyLimit)
            m_copy.reset();
        else
            m_copy->append(m_buffer, before, *got);
    }
    return {};
}

void LineReader::keepCopy(std::size_t limit) {
    // Only from the page's first byte, before any of the buffer was taken or changed.
    if (m_dropped > 0 || m_start > 0 || m_buffer.size() > limit)
        return;
    m_copyLimit = limit;
    m_bufferIsCopy = true;
}

void LineReader::copyBeforeChange() {
    if (!m_bufferIsCopy)
        return;
    m_copy.emplace();
    m_copy->reserve(std::min<std::uint64_t>(m_expectedSize, m_copyLimit));
    m_copy->append(m_buffer);
    m_bufferIsCopy = false;
}

std::optional<std::string> LineReader::takeWholeCopy() {
    if (!m_endOfFile)
        return std::nullopt;
    if (m_bufferIsCopy) {
        // The buffer holds the page as read, unchanged: it goes whole, and the reader is done.
        m_bufferIsCopy = false;
        m_start = m_lineStart = 0;
        return std::exchange(m_buffer, std::string());
    }
    return std::exchange(m_copy, std::nullopt);
}

std::string_view LineReader::takePlainLines() {
    if (m_longLine.midLine)
        return {};
    const std::string_view unread = std::string_view(m_buffer).substr(m_start);
    std::size_t markup = std::string_view::npos;
    const std::size_t length = plainLinesLength(unread, m_endOfFile, &markup);
    m_start += length;
    m_markupFrom = markup == std::string_view::npos ? 0 : markup - length;
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
    copyBeforeChange();
    std::copy(kept.begin(), kept.end(), m_buffer.begin() + static_cast<std::ptrdiff_t>(at));
    return std::string_view(m_buffer).substr(at, kept.size() + rest.size());
}

void LineReader::take(RawLine& line, std::size_t at, std::size_t endLength) {
    line.bytes = std::string_view(m_buffer.data() + m_start, at - m_start);
    line.end = std::string_view(m_buffer.data() + at, endLength);
    line.continues = false;
    line.markupFrom = std::min(std::exchange(m_markupFrom, 0), line.bytes.size());
    m_lineStart = m_start;
    m_start = at + endLength;
    if (m_longLine.inPieces) // else it stands as made: most lines are not long
        m_longLine = {};
    m_heldWhole = false;
    m_nextCutTry = 0;
}

std::size_t LineReader::cutLongLine() {
    const std::size_t held = m_buffer.size() - m_start;
    if (!m_rules || m_heldWhole || held < std::max(m_rules->longLine, m_nextCutTry))
        return std::string_view::npos;
    const std::string_view bytes(m_buffer.data() + m_start, held);
    if (!m_longLine.inPieces) {
        LongLineSurvey survey = surveyLongLine(m_file, offsetOfNext(), bytes, *m_rules);
        m_heldWhole = survey.whole;
        if (m_heldWhole)
            return std::string_view::npos;
        m_longLine.inPieces = true;
        m_longLine.survey = std::move(survey);
    }
    // Pieces of about the rules' size: the last place to cut before it, else before twice it...
    const std::uint64_t at = offsetOfNext();
    std::size_t size = m_rules->longLine;
    const LongLineSurvey& survey = m_longLine.survey;
    if (survey.blockStart < survey.blockEnd && survey.blockStart >= at &&
        survey.blockStart < at + size)
        size = static_cast<std::size_t>(survey.blockEnd - at) + m_rules->longLine;
    std::size_t cut = pieceEndBesideBlock(bytes.substr(0, size), at);
    while (cut == std::string_view::npos && size < held) {
        size = std::min(held, size * 2);
        cut = pieceEndBesideBlock(bytes.substr(0, size), at);
    }
    // Bytes held after a failed look are looked at again only once as many more have come.
    if (cut == std::string_view::npos)
        m_nextCutTry = held + m_rules->longLine;
    return cut;
}

// A piece is cut as the line reads with its old block taken out, never right before the block:
// what stands before it may join what follows it.
std::size_t LineReader::pieceEndBesideBlock(std::string_view bytes, std::uint64_t at) const {
    const std::size_t held = bytes.size();
    const LongLineSurvey& survey = m_longLine.survey;
    // The survey tells which pieces may hold a body start tag: looking for one in each piece
    // of a long line would read it once more.
    const bool mayHoldBodyStart = survey.firstBodyStart < at + held && survey.lastBodyStart >= at;
    if (survey.blockStart == survey.blockEnd || survey.blockEnd <= at ||
        survey.blockStart >= at + held)
        return pieceEnd(bytes, mayHoldBodyStart);
    const auto blockStart = static_cast<std::size_t>(survey.blockStart - at);
    if (survey.blockEnd > at + held)
        return pieceEnd(bytes.substr(0, blockStart), mayHoldBodyStart);
    const auto blockEnd = static_cast<std::size_t>(survey.blockEnd - at);
    std::string joined(bytes.substr(0, blockStart));
    joined += bytes.substr(blockEnd);
    std::size_t cut = pieceEnd(joined);
    if (cut == blockStart)
        cut = pieceEnd(std::string_view(joined).substr(0, blockStart));
    return cut == std::string_view::npos || cut < blockStart ? cut : cut + (blockEnd - blockStart);
}

Result<bool> LineReader::next(RawLine& line, bool whole) {
    m_heldWhole = m_heldWhole || whole;
    std::size_t scanFrom = m_start + m_markupFrom;
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
            take(line, at, endLength);
            return true;
        }
        // A last line read whole with the page's first bytes is cut like any other.
        if (const std::size_t cut = cutLongLine(); cut != std::string_view::npos) {
            line.bytes = std::string_view(m_buffer.data() + m_start, cut);
            line.end = {};
            line.continues = true;
            line.markupFrom = 0;
            m_markupFrom = 0;
            m_lineStart = m_start;
            m_start += cut;
            m_longLine.midLine = true;
            m_nextCutTry = 0;
            return true;
        }
        if (m_endOfFile) {
            if (m_start == m_buffer.size())
                return false;
            take(line, m_buffer.size(), 0);
            return true;
        }
        std::size_t scanned = m_buffer.size() - m_start;
        if (auto status = fill(); !status)
            return std::move(status).takeError();
        scanFrom = m_start + scanned;
    }
}

} // namespace solvina
