// The pass over one page's lines: its marker comments, its title, an old block dropped, its
// links handed on, and the new block written where the body tags are.
#pragma once

#include "apply/apply_types.h"
#include "apply/line_reader.h"
#include "apply/page_codec.h"
#include "apply/page_edits.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace solvina {

// Called with the link targets of a line (as characters, in order) whenever the line's links
// may be followed; the pages they reach are treated before it returns. Empty when the page is
// written from a plan: then only the lines with a comment are read as text.
using LinkFollower = std::function<void(const std::vector<std::string>& targets)>;
// Called where a block goes, with the page's title entry as it stands there; returns the
// block's lines (UTF-8, without line ends), or nothing while the run only plans.
using BlockLines = std::function<std::vector<std::string>(const std::string& titleEntry)>;

class PagePass {
public:
    PagePass(const ApplyOptions& options, ApplyRunState& state, const PageCodec& codec, int level,
             LinkFollower followLinks, BlockLines blockLines);

    // Reads every line and writes the new page. A failure leaves the output unfinished.
    Status run(LineReader& reader, OutputFile& out);
    // run, one line at a time: false at the end of the page. Between two steps the reader may
    // be replaced by one that goes on at the same offset.
    Result<bool> step(LineReader& reader, OutputFile& out);

    // After run: the edits that make the new page out of the page as read, sorted by offset,
    // and the page's first line end (written before and after a block's lines).
    std::vector<PageEdit> takeEdits();
    const std::string& firstLineEnd() const { return m_firstLineEnd; }

private:
    struct Line {
        RawLine raw;
        std::string_view text; // characters: raw.bytes itself, or decoded
        std::string decoded;   // the storage of decoded characters, kept from line to line
    };

    // The steps from the page-exclusion test on; a line left where an old block was cut out
    // goes through them again.
    Status treat(LineReader& reader, Line& line, OutputFile& out);
    // hasTitle: the bytes hold "<TITLE>"; image: where the title image comment stands, or npos.
    void recordTitle(const Line& line, bool hasTitle, std::size_t image);
    // Hands the line's link targets on, unless a marker excludes them.
    void followLinks(const Line& line, bool excluded); // excluded: the line holds NOTBUBUNLINK
    // Drops the old block whose start marker stands at startMarker in line.text. True when
    // text stood beside the markers: line then holds it as one line.
    Result<bool> dropOldBlock(LineReader& reader, Line& line, std::size_t startMarker);
    // mayHoldBodyTags: false when the line is known to hold neither a body tag nor a comment.
    Status place(const Line& line, OutputFile& out, bool mayHoldBodyTags = true);
    // Writes a block (its edit: at offset in the page, the page's first line end before it
    // when lineEndFirst).
    Status writeBlock(OutputFile& out, std::uint64_t offset, bool lineEndFirst);
    Status writeLine(OutputFile& out, std::string_view bytes, std::string_view end);

    const ApplyOptions& m_options;
    ApplyRunState& m_state;
    const PageCodec& m_codec;
    int m_level;
    LinkFollower m_followLinks;
    BlockLines m_blockLines;
    bool m_pageExcluded = false;
    bool m_linksExcluded = false;
    bool m_inComment = false; // the line being read starts inside an HTML comment
    // A long line read in pieces: what its earlier pieces held decides the later ones.
    bool m_midLine = false;             // the piece being read is not its line's first
    bool m_titleInPiece = false;        // it gave a title
    bool m_titleInEarlierPiece = false; // an earlier piece of its line did
    bool m_lineStartTag = false;        // its line's body start tag came
    bool m_lineEndTag = false;          // its line's body end tag came
    bool m_lineLinksExcluded = false;   // its line's links are not followed (a marker on it)
    std::string m_firstLineEnd;
    std::string m_joined;               // the text beside an old block, joined into one line
    std::string m_joinedEnd;            // and its line end
    bool m_joinedIsText = false;        // the joined line's bytes are its text (valid UTF-8)
    Line m_line;                        // the line being read
    std::vector<std::string> m_targets; // its link targets, kept from line to line
    std::function<void(std::string_view, std::string&)> m_decodeInto; // m_codec's
    std::vector<LinePiece> m_pieces; // where the bytes of the line being treated stand
    std::vector<PageEdit> m_edits;
};

} // namespace solvina
