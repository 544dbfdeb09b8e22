// One page, line by line, written as it is read.
#include "apply/page_pass.h"

#include "apply/body_tags.h"
#include "apply/link_paths.h"
#include "apply/page_markers.h"
#include "apply/text_search.h"
#include "apply/title_image.h"
#include "text/ascii.h"

#include <algorithm>
#include <array>
#include <utility>

namespace solvina {

namespace {

// Byte offset in raw of the character c that is preceded by `count` others like it; the page
// encodings handled write "<" and ">" as their own single bytes and never inside another
// character.
std::size_t nthByte(std::string_view raw, char c, std::size_t count) {
    std::size_t at = raw.find(c);
    while (at != std::string_view::npos && count-- > 0)
        at = raw.find(c, at + 1);
    return at;
}

// The first place of each marker comment in a line's text (npos for none), in either ASCII
// letter case, all found in one pass over its comment openings instead of a search of the whole
// line for each.
struct CommentMarks {
    std::size_t notQuibrel = std::string_view::npos;
    std::size_t notQuibrelLink = std::string_view::npos;
    std::size_t partLinkExclusion = std::string_view::npos;
    std::size_t titleImage = std::string_view::npos;
    std::size_t startMarker = std::string_view::npos;
};

CommentMarks commentMarksIn(std::string_view text, std::string_view startPattern) {
    CommentMarks marks;
    const std::array<std::pair<std::string_view, std::size_t*>, 5> wanted = {{
        {kNotQuibrel, &marks.notQuibrel},
        {kNotQuibrelLink, &marks.notQuibrelLink},
        {kPartLinkExclusion, &marks.partLinkExclusion},
        {kTitleImage, &marks.titleImage},
        {startPattern, &marks.startMarker},
    }};
    std::size_t missing = wanted.size();
    // A marker in a form that does not open as a comment is looked for on its own.
    if (!startPattern.starts_with(kCommentOpening)) {
        marks.startMarker = findIgnoringAsciiCase(text, startPattern);
        --missing;
    }
    for (std::size_t at = findIgnoringAsciiCase(text, kCommentOpening);
         at != std::string_view::npos && missing > 0;
         at = findIgnoringAsciiCase(text, kCommentOpening, at + 1))
        for (const auto& [pattern, found] : wanted)
            if (*found == std::string_view::npos && pattern.starts_with(kCommentOpening) &&
                startsWithIgnoringAsciiCase(text, at, pattern)) {
                *found = at;
                --missing;
            }
    return marks;
}

std::string textBetween(std::string_view text, std::size_t start, char stop) {
    if (start >= text.size())
        return {};
    std::size_t end = text.find(stop, start);
    return std::string(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

// A page's title until a title line gives one: the file name as the link reached it, written as
// text; the top page's title of the options when they ask for one.
std::string firstTitleEntry(const ApplyOptions& options, const std::string& levelLink, int level) {
    if (options.useTopPageTitle && level == 0)
        return "M" + options.topPageTitle;
    std::string entry = "M";
    for (char c : std::string_view(levelLink).substr(levelLink.rfind('/') + 1)) {
        switch (c) {
        case '&':
            entry += "&amp;";
            break;
        case '<':
            entry += "&lt;";
            break;
        case '>':
            entry += "&gt;";
            break;
        default:
            entry += c;
        }
    }
    return entry;
}

} // namespace

PagePass::PagePass(const ApplyOptions& options, ApplyRunState& state, const PageCodec& codec,
                   int level, LinkFollower followLinks, BlockLines blockLines)
    : m_options(options), m_state(state), m_codec(codec), m_level(level),
      m_followLinks(std::move(followLinks)), m_blockLines(std::move(blockLines)),
      m_pageExcluded(options.eraseAll),
      m_decodeInto(
          [&codec](std::string_view bytes, std::string& text) { codec.decodeInto(bytes, text); }) {
    m_state.levelTitles[level] = firstTitleEntry(options, state.levelLinks[level], level);
}

Status PagePass::writeLine(OutputFile& out, std::string_view bytes, std::string_view end) {
    if (auto status = out.write(bytes); !status)
        return status;
    return out.write(end);
}

Status PagePass::run(LineReader& reader, OutputFile& out) {
    for (;;) {
        auto more = step(reader, out);
        if (!more)
            return std::move(more).takeError();
        if (!*more)
            return {};
    }
}

Result<bool> PagePass::step(LineReader& reader, OutputFile& out) {
    // Lines without markup outside a comment change nothing but the output: passed on
    // together, unsplit.
    if (!m_inComment && !m_firstLineEnd.empty()) {
        if (const std::string_view plain = reader.takePlainLines(); !plain.empty())
            if (auto status = out.write(plain); !status)
                return std::move(status).takeError();
    }
    Line& line = m_line; // its text buffers are kept from line to line
    const std::uint64_t offset = reader.offsetOfNext();
    // The reader knows whether the piece it handed out last goes on, also after a page was set
    // aside.
    m_midLine = reader.longLinePlace().midLine;
    auto more = reader.next(line.raw);
    if (!more || !*more)
        return more;
    m_titleInEarlierPiece = m_midLine && (m_titleInEarlierPiece || m_titleInPiece);
    m_titleInPiece = false;
    if (!m_midLine) {
        m_lineStartTag = m_lineEndTag = m_lineLinksExcluded = false;
        // The marker comments of a line in pieces act from its first piece on, as they act on
        // all of a line held whole.
        if (line.raw.continues) {
            const LongLineSurvey& survey = reader.longLineSurvey();
            m_pageExcluded = m_pageExcluded || survey.notQuibrel;
            m_linksExcluded = m_linksExcluded || (survey.notQuibrelLink && !m_options.eraseAll);
            m_lineLinksExcluded = survey.partLinkExclusion && !m_options.eraseAll;
        }
    }
    if (m_firstLineEnd.empty()) {
        const std::string_view end =
            line.raw.continues ? std::string_view(reader.longLineSurvey().end) : line.raw.end;
        m_firstLineEnd = end.empty() ? std::string_view("\r\n") : end;
    }
    m_pieces.assign(1, {0, offset});
    m_joinedIsText = false;
    if (auto status = treat(reader, line, out); !status)
        return std::move(status).takeError();
    return true;
}

std::vector<PageEdit> PagePass::takeEdits() {
    // Blocks placed in the text left beside a dropped block may come before the drop.
    std::stable_sort(m_edits.begin(), m_edits.end(),
                     [](const PageEdit& a, const PageEdit& b) { return a.offset < b.offset; });
    return std::move(m_edits);
}

Status PagePass::treat(LineReader& reader, Line& line, OutputFile& out) {
    for (;;) {
        // The reader tells where the line's markup starts; a line joined across an old block is
        // looked over whole.
        const std::size_t markupFrom = std::exchange(line.raw.markupFrom, 0);
        const unsigned kinds = markupIn(line.raw.bytes, markupFrom);
        if (kinds == 0) {
            if (m_inComment)
                skipComments(line.raw.bytes, m_inComment);
            return writeLine(out, line.raw.bytes, line.raw.end);
        }
        // Only markers (comments), titles and followed links need the line as text; body tags
        // are found in its bytes. Written from a plan, a page needs its text only for the
        // markers: its titles and links are in the plan.
        const bool comment = (kinds & kCommentMarkup) != 0;
        const bool follows = m_followLinks && (kinds & kLinkMarkup) != 0;
        const bool titled = m_followLinks && (kinds & kTitleMarkup) != 0;
        const bool mayHoldBodyTags = m_inComment || (kinds & (kBodyMarkup | kCommentMarkup)) != 0;
        if (!comment && !follows && !titled)
            return place(line, out, mayHoldBodyTags);
        // A line whose only markup is links (most of a page's lines with any) has its link
        // targets decoded, not the whole line.
        if (!comment && !titled) {
            if (m_linksExcluded || m_lineLinksExcluded)
                return place(line, out, mayHoldBodyTags);
            if (linkTargetsOfBytes(line.raw.bytes, m_decodeInto, m_targets, markupFrom)) {
                m_followLinks(m_targets);
                return place(line, out, mayHoldBodyTags);
            }
        }
        line.text = std::exchange(m_joinedIsText, false)
                        ? line.raw.bytes
                        : m_codec.textOf(line.raw.bytes, line.decoded);

        const CommentMarks marks =
            comment ? commentMarksIn(line.text, m_codec.startMarkerPattern()) : CommentMarks{};
        if (marks.notQuibrel != std::string_view::npos)
            m_pageExcluded = true;
        if (!m_options.eraseAll && marks.notQuibrelLink != std::string_view::npos)
            m_linksExcluded = true;
        if (titled || comment)
            recordTitle(line, (kinds & kTitleMarkup) != 0, marks.titleImage);
        if (const std::size_t start = marks.startMarker; start != std::string_view::npos) {
            auto besideBlock = dropOldBlock(reader, line, start);
            if (!besideBlock)
                return std::move(besideBlock).takeError();
            if (!*besideBlock)
                return {}; // the pass goes on with the next line like with any other
            continue;
        }
        if (!m_linksExcluded && follows)
            followLinks(line,
                        m_lineLinksExcluded || marks.partLinkExclusion != std::string_view::npos);
        return place(line, out);
    }
}

void PagePass::followLinks(const Line& line, bool excluded) {
    if (excluded && !m_options.eraseAll)
        return;
    m_targets = linkTargets(line.text);
    m_followLinks(m_targets);
}

void PagePass::recordTitle(const Line& line, bool hasTitle, std::size_t image) {
    // The title tag's "<" is looked for only where the line's bytes hold one: every "<T" of a
    // table would be a candidate.
    std::size_t title =
        hasTitle ? findIgnoringAsciiCase(line.text, kTitle) : std::string_view::npos;
    // Only the first title of a line counts, also when the line comes in pieces.
    if (title == std::string_view::npos || m_titleInEarlierPiece)
        return;
    m_titleInPiece = true;
    std::string& entry = m_state.levelTitles[m_level];
    if (image != std::string_view::npos) {
        entry.assign(1, 'I');
        entry += titleImageFromTopFolder(textBetween(line.text, image + kTitleImage.size(), '"'),
                                         m_state.levelLinks[m_level]);
        return;
    }
    // Assigned and appended: the entry keeps its storage from title to title.
    entry.assign(1, 'M');
    entry += textBetween(line.text, title + kTitle.size(), '<');
    if (m_options.useTopPageTitle && m_level == 0)
        entry = "M" + m_options.topPageTitle;
}

Result<bool> PagePass::dropOldBlock(LineReader& reader, Line& line, std::size_t startMarker) {
    // The block runs from the start marker's "<" to the end marker's last ">"; what stands
    // beside it on the two lines is the author's and stays.
    const std::string& endPattern = m_codec.endMarkerPattern();
    auto before = std::count(line.text.begin(),
                             line.text.begin() + static_cast<std::ptrdiff_t>(startMarker), '<');
    std::size_t rawStart = nthByte(line.raw.bytes, '<', before);
    if (rawStart == std::string_view::npos)
        rawStart = 0;
    std::string kept(line.raw.bytes.substr(0, rawStart));
    // The dropped bytes start in the page where the kept ones end.
    const std::uint64_t dropFrom = pageOffsetOf(m_pieces, rawStart);
    std::vector<LinePiece> keptPieces;
    for (const LinePiece& piece : m_pieces)
        if (piece.at < rawStart)
            keptPieces.push_back(piece);
    std::size_t from = startMarker + m_codec.startMarkerPattern().size();
    // Valid UTF-8 cut before a "<" and after a ">" stays valid: a line joined from its own
    // text is text as it stands.
    bool joinedIsText = line.text.data() == line.raw.bytes.data();
    for (;;) {
        if (std::size_t end = findIgnoringAsciiCase(line.text, endPattern, from);
            end != std::string_view::npos) {
            const std::size_t lastChar = end + endPattern.size() - 1;
            auto closes = std::count(
                line.text.begin(), line.text.begin() + static_cast<std::ptrdiff_t>(lastChar), '>');
            std::size_t rawEnd = nthByte(line.raw.bytes, '>', closes);
            const std::size_t after =
                rawEnd == std::string_view::npos ? line.raw.bytes.size() : rawEnd + 1;
            const std::string_view rest = line.raw.bytes.substr(after);
            if (kept.empty() && rest.empty()) {
                // Nothing stays of the lines: their last line end goes with them.
                addDrop(m_edits, dropFrom,
                        pageOffsetOf(m_pieces, line.raw.bytes.size()) + line.raw.end.size());
                return false;
            }
            const std::uint64_t dropTo = pageOffsetOf(m_pieces, after);
            addDrop(m_edits, dropFrom, dropTo);
            keptPieces.push_back({rawStart, dropTo});
            m_pieces = std::move(keptPieces);
            m_joinedIsText = joinedIsText;
            // A long line is joined where it stands in the reader, not copied.
            if (auto joined = reader.joinInPlace(kept, rest)) {
                line.raw.bytes = *joined;
                return true;
            }
            kept += rest;
            std::string keptEnd(line.raw.end); // line.raw may point into m_joined
            m_joined = std::move(kept);
            m_joinedEnd = std::move(keptEnd);
            line.raw.bytes = m_joined;
            line.raw.end = m_joinedEnd;
            return true;
        }
        const std::uint64_t offset = reader.offsetOfNext();
        auto more = reader.next(line.raw, true);
        if (!more)
            return std::move(more).takeError();
        if (!*more)
            return fail("クイブレルリストの終わりの印「" + std::string(kEndMarker) +
                        "」が見つかりません。");
        from = 0;
        joinedIsText = false;
        m_pieces.assign(1, {0, offset});
        if (!mayHoldMarkup(line.raw.bytes)) {
            line.text = {};
            continue;
        }
        line.text = m_codec.textOf(line.raw.bytes, line.decoded);
    }
}

Status PagePass::place(const Line& line, OutputFile& out, bool mayHoldBodyTags) {
    const std::string_view raw = line.raw.bytes;
    if (!mayHoldBodyTags)
        return writeLine(out, raw, line.raw.end);
    const bool skipThisPage = m_options.skipTopPage && m_level == 0;
    // In a later piece of a long line, the line's first body tags may have come already.
    const bool earlierStart = m_midLine && m_lineStartTag;
    const bool earlierEnd = m_midLine && m_lineEndTag;
    const BodyTags tags = findBodyTags(raw, m_inComment, earlierStart);
    m_lineStartTag = m_lineStartTag || tags.start != BodyTags::npos;
    m_lineEndTag = m_lineEndTag || tags.end != BodyTags::npos;
    const auto offsetOf = [&](std::size_t pos) { return pageOffsetOf(m_pieces, pos); };
    if (tags.start != BodyTags::npos && m_options.insertAtTop && !m_pageExcluded) {
        if (skipThisPage || tags.startEnd == BodyTags::npos)
            return writeLine(out, raw, line.raw.end);
        std::string_view head = raw.substr(0, tags.startEnd + 1);
        std::string_view rest = raw.substr(tags.startEnd + 1);
        if (rest.empty()) {
            // The block follows the line and its end; a last line without one gets one.
            const bool ended = !line.raw.end.empty();
            if (auto status = writeLine(out, head, ended ? line.raw.end : m_firstLineEnd); !status)
                return status;
            return writeBlock(out, offsetOf(raw.size()) + line.raw.end.size(), !ended);
        }
        if (auto status = writeLine(out, head, m_firstLineEnd); !status)
            return status;
        if (auto status = writeBlock(out, offsetOf(tags.startEnd + 1), true); !status)
            return status;
        return writeLine(out, rest, line.raw.end);
    }
    // A line's start tag, where blocks go after it, wins over its end tag.
    if (tags.end != BodyTags::npos && !earlierEnd && !(earlierStart && m_options.insertAtTop) &&
        m_options.insertAtBottom && !m_pageExcluded) {
        if (skipThisPage)
            return writeLine(out, raw, line.raw.end);
        // Text before the tag, also in an earlier piece of the line, ends its own line.
        const bool textBefore = tags.end > 0 || m_midLine;
        if (textBefore) {
            if (auto status = writeLine(out, raw.substr(0, tags.end), m_firstLineEnd); !status)
                return status;
        }
        if (auto status = writeBlock(out, offsetOf(tags.end), textBefore); !status)
            return status;
        return writeLine(out, raw.substr(tags.end), line.raw.end);
    }
    return writeLine(out, raw, line.raw.end);
}

Status PagePass::writeBlock(OutputFile& out, std::uint64_t offset, bool lineEndFirst) {
    m_edits.push_back({offset, 0, lineEndFirst});
    for (const std::string& blockLine : m_blockLines(m_state.levelTitles[m_level])) {
        if (auto status = writeLine(out, m_codec.encode(blockLine), m_firstLineEnd); !status)
            return status;
    }
    return {};
}

} // namespace solvina
