// Splits a page's bytes into lines: CR LF, a lone CR and a lone LF each end a line.
#pragma once

#include "platform/file_system.h"
#include "platform/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace solvina {

struct RawLine {
    std::string_view bytes; // without its line end
    std::string_view end;   // "\r\n", "\r", "\n", or empty for a last line without one
};

// Appends up to size bytes read from file to buffer; returns how many, 0 at the end.
Result<std::size_t> appendRead(InputFile& file, std::string& buffer, std::size_t size);

// Reads lines from a file, holding one line (and one read buffer) at a time.
class LineReader {
public:
    // startOffset: where in the page the file's next byte stands (a page read again from there).
    explicit LineReader(InputFile& file, std::string initialBytes = {},
                        std::uint64_t startOffset = 0);

    // The next line; false at the end of the page. The views stay valid until the next call.
    Result<bool> next(RawLine& line);
    // The whole lines from here on that hold no markup the pass acts on (mayHoldMarkup), as
    // far as the bytes already read show them, with their line ends; often empty. Valid until
    // the next call.
    std::string_view takePlainLines();
    // kept put right before rest, the end of the line last taken, over that line's bytes
    // before rest, which are no longer needed: a line made of the two without a copy of rest.
    // Nothing when rest is not there or the room before it is too small.
    std::optional<std::string_view> joinInPlace(std::string_view kept, std::string_view rest);
    // The file's size as last seen: a line that outgrows the read buffer gets room for the rest
    // of the file at once, instead of a buffer that doubles (whose last doubling holds the line
    // twice).
    void expectSize(std::uint64_t size) { m_expectedSize = size; }
    // Where the next line starts in the file.
    std::uint64_t offsetOfNext() const { return m_dropped + m_start; }

private:
    Status fill(); // reads more bytes after those not yet taken
    InputFile& m_file;
    std::string m_buffer;
    std::size_t m_start = 0;     // first byte not yet taken
    std::size_t m_lineStart = 0; // first byte of the line last taken
    bool m_endOfFile = false;
    std::uint64_t m_dropped = 0; // bytes of the file taken out of the buffer
    std::uint64_t m_expectedSize = 0;
};

} // namespace solvina
