// The changes a run makes to a page's bytes: old blocks dropped and new blocks put in, found
// while planning and made while writing. Nothing else of the page changes, so writing copies
// the page around them without reading a line of it as text.
#pragma once

#include "platform/file_system.h"
#include "platform/result.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace solvina {

// The page's bytes differ from those the plan was made from: its blocks would land elsewhere.
inline constexpr const char* kChangedSincePlanned = "ページが計画の後に変わりました。";

struct PageEdit {
    std::uint64_t offset = 0;  // in the page as read
    std::uint64_t dropped = 0; // bytes dropped from offset on (an old block); 0: a new block
    bool lineEndFirst = false; // a new block: the page's first line end goes before it
    bool operator==(const PageEdit&) const = default;
};

// Where a line's bytes stand in the page: from at on, the line's bytes are those of the page
// from offset on. A line as read is one piece; the text left beside a dropped block is two or
// more.
struct LinePiece {
    std::size_t at = 0;
    std::uint64_t offset = 0;
};

// The page offset of byte pos of a line made of pieces (sorted by at, the first at 0). A
// position where two pieces meet belongs to the later one: what is put in there goes after
// the bytes dropped between them.
std::uint64_t pageOffsetOf(const std::vector<LinePiece>& pieces, std::size_t pos);

// Adds an edit that drops the page's bytes [from, to), taking in the drops it covers.
void addDrop(std::vector<PageEdit>& edits, std::uint64_t from, std::uint64_t to);

// Writes block number `block` (in page order) to output.
using BlockWriter = std::function<Status(std::size_t block, OutputFile& output)>;

// Copies the page from input to output with its edits (sorted by offset), the page's first
// line end before a block that asks for it. Fails (kChangedSincePlanned) when the page ends
// before an edit.
Status writeEditedPage(InputFile& input, OutputFile& output, std::span<const PageEdit> edits,
                       std::string_view firstLineEnd, const BlockWriter& writeBlock);

} // namespace solvina
