// A line too long to hold whole (a page written as one line): looked over once ahead of its
// pass, then handed to the pass in pieces, each cut where reading the pieces one after the
// other finds what reading the whole line finds.
#pragma once

#include "apply/apply_types.h"
#include "apply/page_codec.h"
#include "platform/file_system.h"
#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace solvina {

// What deciding a long line's pieces needs to know of its page.
struct LongLineRules {
    const PageCodec* codec = nullptr;
    bool bothBodyTags = false;        // blocks go after the body start tag and before its end
    std::size_t longLine = kLongLine; // a line that outgrows this is looked over for pieces
};

// What the look over a long line found.
struct LongLineSurvey {
    // Held whole: something on the line decides how the pass reads an earlier part of it (a
    // title image comment, a title after a link, an old block that does not end on it...).
    bool whole = true;
    std::string end; // its line end; empty at the end of the file
    // Marker comments on it, which act on all of the line: the page left alone, links not
    // followed from here on, the line's links not followed.
    bool notQuibrel = false;
    bool notQuibrelLink = false;
    bool partLinkExclusion = false;
    std::uint64_t blockStart = 0; // an old block on it, from its start marker's "<" to
    std::uint64_t blockEnd = 0;   // after its end marker's ">"; none when equal
    // Its body start tags' "<" stand between these (both included); none when the first is
    // after the second. A piece without one need not be searched for one left open.
    std::uint64_t firstBodyStart = UINT64_MAX;
    std::uint64_t lastBodyStart = 0;
};

// Looks over the line that starts at page offset lineStart: held is its first bytes, the rest is
// read from file on from lineStart + held.size() without moving its read place. A line whose
// rest cannot be read so is held whole.
LongLineSurvey surveyLongLine(InputFile& file, std::uint64_t lineStart, std::string_view held,
                              const LongLineRules& rules);

// Where a piece of a line that starts where a line may be cut may end: the last place in piece
// (not its start) before a "<", or after a space outside tags and titles, before which no link
// target and no body start tag is left open; npos when there is none. mayHoldBodyStart false:
// the piece is known to hold no body start tag.
std::size_t pieceEnd(std::string_view piece, bool mayHoldBodyStart = true);

} // namespace solvina
