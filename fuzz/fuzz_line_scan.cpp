// Fuzz target: the vector scans of a page's lines against plain, obviously correct ones. Byte 0
// chooses whether the bytes are the end of the page and how many bytes one read hands out; the
// rest is the page. The length of the plain lines at the start, the tags each line holds, the
// openings of markup, the first line end, and a page read through takePlainLines and next()
// together must all agree with a byte-by-byte reading.
#include "apply/line_reader.h"
#include "apply/text_search.h"
#include "support/piece_input.h"
#include "text/ascii.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

namespace {

using namespace solvina;
using test_support::PieceInput;

bool startsWithUpper(std::string_view text, std::size_t at, std::string_view pattern) {
    if (text.size() - at < pattern.size())
        return false;
    for (std::size_t i = 0; i < pattern.size(); ++i)
        if (asciiUpperByte(text[at + i]) != pattern[i])
            return false;
    return true;
}

unsigned markupAt(std::string_view line, std::size_t at) {
    unsigned kinds = 0;
    if (startsWithUpper(line, at, "<!--"))
        kinds |= kCommentMarkup;
    if (startsWithUpper(line, at, "<TITLE>"))
        kinds |= kTitleMarkup;
    if (startsWithUpper(line, at, "<A HREF="))
        kinds |= kLinkMarkup;
    if (startsWithUpper(line, at, "<BODY") || startsWithUpper(line, at, "</BODY>"))
        kinds |= kBodyMarkup;
    return kinds;
}

// Every position tried against every pattern.
unsigned plainMarkupIn(std::string_view line) {
    unsigned kinds = 0;
    for (std::size_t at = 0; at < line.size(); ++at)
        kinds |= markupAt(line, at);
    return kinds;
}

// Whole lines one by one until one holds markup or is not known to be whole.
std::size_t plainPlainLinesLength(std::string_view bytes, bool atEnd) {
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        if (end == bytes.size())
            return start;
        std::size_t next = end + 1;
        if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n')
            ++next;
        else if (next == bytes.size() && !atEnd)
            return start; // a lone line end as the last byte
        if (plainMarkupIn(bytes.substr(start, end - start)) != 0)
            return start;
        start = next;
    }
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const bool atEnd = data[0] & 1;
    const std::size_t pieceSize = 1 + (data[0] >> 1);
    // A copy of exactly the page's bytes, so that reading past them is found.
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string_view bytes(page);

    std::size_t markup = 0;
    const std::size_t plainLength = plainLinesLength(bytes, atEnd, &markup);
    check(plainLength == plainPlainLinesLength(bytes, atEnd));
    // The markup told is the first that stands before the last byte (any byte at the end), on
    // the line after the plain ones; none when there is none.
    const std::size_t limit = atEnd || bytes.empty() ? bytes.size() : bytes.size() - 1;
    for (std::size_t at = 0; at < std::min(markup, limit); ++at)
        check(markupAt(bytes, at) == 0);
    check(markup == std::string_view::npos ||
          (markup < limit && markup >= plainLength && markupAt(bytes, markup) != 0));
    // No "<" that opens markup is stepped over; what is given is a "<".
    for (std::size_t from = 0, at = 0; from <= bytes.size(); from = at + 1) {
        at = findMarkupOpening(bytes, from);
        const std::size_t end = std::min(at, bytes.size());
        for (std::size_t skipped = from; skipped < end; ++skipped)
            check(markupAt(bytes, skipped) == 0);
        if (at == std::string_view::npos)
            break;
        check(at >= from && at < bytes.size() && bytes[at] == '<');
    }
    for (std::size_t from = 0, at = 0; from <= bytes.size(); from = at + 1) {
        at = findCommentOrBodyOpening(bytes, from);
        const std::size_t end = std::min(at, bytes.size());
        for (std::size_t skipped = from; skipped < end; ++skipped)
            check((markupAt(bytes, skipped) & (kCommentMarkup | kBodyMarkup)) == 0);
        if (at == std::string_view::npos)
            break;
        check(at >= from && at < bytes.size() && bytes[at] == '<');
    }
    for (std::size_t to = bytes.size();; to = to > 13 ? to - 13 : 0) {
        const auto last = std::find_if(std::make_reverse_iterator(bytes.data() + to),
                                       std::make_reverse_iterator(bytes.data()),
                                       [](char c) { return c == '\r' || c == '\n'; });
        const char* expected = last.base() == bytes.data() ? nullptr : last.base() - 1;
        check(findLastLineEnd(bytes.data(), bytes.data() + to) == expected);
        if (to == 0)
            break;
    }
    // Link openings ("<a " in either case) from every 7th byte, as a plain search finds them.
    for (std::size_t from = 0; from <= bytes.size(); from += 7) {
        std::size_t expected = from;
        while (expected + 2 < bytes.size() &&
               !(bytes[expected] == '<' && asciiUpperByte(bytes[expected + 1]) == 'A' &&
                 bytes[expected + 2] == ' '))
            ++expected;
        check(findLinkOpening(bytes, from) ==
              (expected + 2 < bytes.size() ? expected : std::string_view::npos));
    }
    for (std::size_t from = 0; from < bytes.size(); from += 17)
        check(findLineEnd(bytes.data() + from, bytes.data() + bytes.size()) ==
              std::find_if(bytes.data() + from, bytes.data() + bytes.size(),
                           [](char c) { return c == '\r' || c == '\n'; }));

    // Plain lines taken whenever the reader offers them, the others line by line: the same
    // bytes in the same order, every line taken in bulk without markup.
    PieceInput input(std::string(bytes), pieceSize);
    LineReader reader(input);
    std::string again;
    for (;;) {
        const std::string_view plain = reader.takePlainLines();
        check(plainPlainLinesLength(plain, true) == plain.size());
        again += plain;
        check(reader.offsetOfNext() == again.size());
        RawLine line;
        auto more = reader.next(line);
        check(more.ok());
        if (!*more)
            break;
        check(markupIn(line.bytes) == plainMarkupIn(line.bytes));
        // What the reader says stands before the line's markup holds none.
        for (std::size_t before = 0; before < line.markupFrom; ++before)
            check(markupAt(line.bytes, before) == 0);
        check(markupIn(line.bytes, line.markupFrom) == plainMarkupIn(line.bytes));
        check(mayHoldMarkup(line.bytes) == (plainMarkupIn(line.bytes) != 0));
        again += line.bytes;
        again += line.end;
    }
    check(again == page);
    return 0;
}
