// Tests of line splitting: every kind of line end, wherever the reads of the file happen to cut.
#include "apply/line_reader.h"
#include "support/piece_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace solvina {
namespace {

using test_support::PieceInput;

// Each line as its bytes followed by "|" and its line end.
std::vector<std::string> splitLines(const std::string& bytes, std::size_t pieceSize) {
    PieceInput input(bytes, pieceSize);
    LineReader reader(input);
    std::vector<std::string> lines;
    RawLine line;
    for (;;) {
        Result<bool> more = reader.next(line);
        EXPECT_TRUE(more.ok());
        if (!more.ok() || !*more)
            return lines;
        lines.push_back(std::string(line.bytes) + "|" + std::string(line.end));
    }
}

TEST(LineReaderTest, SplitsAtEveryLineEndWhateverTheReads) {
    const std::string longLine(100, 'x'); // longer than a word: ends found past the first ones
    const struct {
        const char* label;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"empty", "", {}},
        {"crlf", "ab\r\ncd\r\n", {"ab|\r\n", "cd|\r\n"}},
        {"lf", "ab\ncd\n", {"ab|\n", "cd|\n"}},
        {"cr", "ab\rcd\r", {"ab|\r", "cd|\r"}},
        {"mixed", "a\r\nb\nc\rd", {"a|\r\n", "b|\n", "c|\r", "d|"}},
        {"lf_cr_is_two_ends", "a\n\rb", {"a|\n", "|\r", "b|"}},
        {"empty_lines", "\r\n\n\r", {"|\r\n", "|\n", "|\r"}},
        {"last_line_without_end", "ab\r\ncd", {"ab|\r\n", "cd|"}},
        {"cr_as_last_byte", "ab\r", {"ab|\r"}},
        {"long_lines",
         longLine + "\n" + longLine + "\r\n" + longLine + "\r" + longLine,
         {longLine + "|\n", longLine + "|\r\n", longLine + "|\r", longLine + "|"}},
        {"end_in_every_word_position",
         "0123456\n01234567\n012345678\r\n0123456789abcde\r",
         {"0123456|\n", "01234567|\n", "012345678|\r\n", "0123456789abcde|\r"}},
        {"high_bytes_near_ends",
         "\x83\x5C\x8D\x0A\x0D\xFF\xFE\x0A",
         {"\x83\x5C\x8D|\n", "|\r", "\xFF\xFE|\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        for (std::size_t pieceSize : {std::size_t(1), std::size_t(3), std::size_t(7),
                                      std::size_t(8), std::size_t(9), std::size_t(64 * 1024)})
            EXPECT_EQ(splitLines(c.bytes, pieceSize), c.lines) << "reads of " << pieceSize;
    }
}

} // namespace
} // namespace solvina
