// Splits a page's bytes into lines: CR LF, a lone CR and a lone LF each end a line.
#pragma once

#include "apply/long_line.h"
#include "platform/file_system.h"
#include "platform/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace solvina {

// The bytes a page's file is read in.
inline constexpr std::size_t kReadSize = std::size_t{64} * 1024;

struct RawLine {
    std::string_view bytes; // without its line end
    std::string_view end;   // "\r\n", "\r", "\n", or empty for a last line without one
    bool continues = false; // a piece of a long line that goes on in the next one (end empty)
    // No markup the pass acts on (mayHoldMarkup) stands before this byte of the line: the plain
    // lines before it were told apart from it there.
    std::size_t markupFrom = 0;
};

// Where a reader stands in a long line taken in pieces: kept while a page is set aside.
struct LongLinePlace {
    bool inPieces = false; // the line being read is taken in pieces
    bool midLine = false;  // the last piece handed out goes on in the next one
    LongLineSurvey survey;
};

// Appends up to size bytes read from file to buffer; returns how many, 0 at the end.
Result<std::size_t> appendRead(InputFile& file, std::string& buffer, std::size_t size);

// Reads lines from a file, holding one line (and one read buffer) at a time; with
// takeLongLinesInPieces, a line too long to hold in pieces where it may be cut.
class LineReader {
public:
    // startOffset: where in the page the file's next byte stands (a page read again from there).
    explicit LineReader(InputFile& file, std::string initialBytes = {},
                        std::uint64_t startOffset = 0);

    // The next line; false at the end of the page. The views stay valid until the next call.
    // whole: the line is not taken in pieces however long (the lines of an old block, whose
    // end joins the text before the block).
    Result<bool> next(RawLine& line, bool whole = false);
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
    // Where the next line (or piece) starts in the file.
    std::uint64_t offsetOfNext() const { return m_dropped + m_start; }

    // Hands a line that outgrows rules.longLine on in pieces when its survey allows it (the
    // rules outlive the reader).
    void takeLongLinesInPieces(const LongLineRules& rules) { m_rules = &rules; }
    // What the look over the long line being taken in pieces found.
    const LongLineSurvey& longLineSurvey() const { return m_longLine.survey; }
    const LongLinePlace& longLinePlace() const { return m_longLine; }
    // Goes on with a long line where a reader that was set aside left it.
    void resumeLongLine(LongLinePlace place) { m_longLine = std::move(place); }

    // Keeps a copy of the page's bytes as read, from the first on, while they come to no more
    // than limit: a page read to its end in one go need not be read again to be written.
    void keepCopy(std::size_t limit);
    // The copy, when the end of the page was read within the limit; the reader is done with.
    std::optional<std::string> takeWholeCopy();

private:
    Status fill(); // reads more bytes after those not yet taken
    // For a line held unfinished that outgrew the rules' size: surveys it once, and gives
    // where its next piece may end, or npos to read on.
    std::size_t cutLongLine();
    // Where a piece of bytes, at page offset at, may end (long_line.h), its old block not cut.
    std::size_t pieceEndBesideBlock(std::string_view bytes, std::uint64_t at) const;
    // Hands out the line [m_start, at) and its line end of endLength bytes.
    void take(RawLine& line, std::size_t at, std::size_t endLength);
    // The buffer is about to change: while it is the page's copy, the copy moves out of it.
    void copyBeforeChange();
    InputFile& m_file;
    std::string m_buffer;
    std::size_t m_start = 0;     // first byte not yet taken
    std::size_t m_lineStart = 0; // first byte of the line last taken
    bool m_endOfFile = false;
    std::uint64_t m_dropped = 0; // bytes of the file taken out of the buffer
    std::uint64_t m_expectedSize = 0;
    const LongLineRules* m_rules = nullptr;
    LongLinePlace m_longLine;
    // Where, from m_start, the plain lines taken last found the first markup: the line there
    // holds neither a line end nor markup before it.
    std::size_t m_markupFrom = 0;
    bool m_heldWhole = false;     // the line being read is held whole however long
    std::size_t m_nextCutTry = 0; // the held size at which a piece is looked for again
    // The bytes read so far, while they are kept: the buffer itself, never cut or changed,
    // until it is to be (m_bufferIsCopy), then a copy of its own.
    bool m_bufferIsCopy = false;
    std::optional<std::string> m_copy;
    std::size_t m_copyLimit = 0;
};

} // namespace solvina
