// Looking a long line over and cutting it into pieces.
#include "apply/long_line.h"

#include "apply/body_tags.h"
#include "apply/line_reader.h"
#include "apply/page_markers.h"
#include "apply/text_search.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace solvina {

namespace {

// The survey's state from "<" to "<" along the line.
class LineSurveyor {
public:
    LineSurveyor(const LongLineRules& rules, LongLineSurvey& survey)
        : m_rules(rules), m_survey(survey), m_start(rules.codec->startMarkerPattern()),
          m_end(rules.codec->endMarkerPattern()) {
        for (std::string_view pattern :
             {std::string_view(m_start), std::string_view(m_end), kNotQuibrel, kNotQuibrelLink,
              kPartLinkExclusion, kTitleImage})
            m_reach = std::max(m_reach, pattern.size());
    }
    // The bytes after a "<" that decide what it opens: a marker's bytes are never more than
    // its characters' UTF-8 bytes.
    std::size_t reach() const { return m_reach; }
    // Looks at the "<" that opens tag (its bytes up to reach(), or to the line's end) at
    // offset in the line; false once the line must be held whole.
    bool look(std::string_view tag, std::uint64_t offset);
    // After the last "<": false when the line must be held whole.
    bool finish(std::uint64_t lineLength) const;

private:
    const LongLineRules& m_rules;
    LongLineSurvey& m_survey;
    const std::string& m_start;
    const std::string& m_end;
    std::size_t m_reach = 0;
    std::string m_text;
    int m_starts = 0;
    bool m_inBlock = false;
    bool m_linkOrBodyTag = false; // a link or a body start or end tag came before
    bool m_bodyEndTag = false;    // a body end tag came before
    // The "<" before the one looked at, and the first ">" after it (npos: none within reach).
    std::uint64_t m_lastTag = std::string_view::npos;
    std::uint64_t m_lastTagClose = std::string_view::npos;
};

bool LineSurveyor::look(std::string_view tag, std::uint64_t offset) {
    const std::uint64_t before = std::exchange(m_lastTag, offset);
    const std::uint64_t beforeClose = std::exchange(
        m_lastTagClose,
        tag.find('>') == std::string_view::npos ? std::string_view::npos : offset + tag.find('>'));
    if (tag.starts_with(kCommentOpening)) {
        const std::string_view text = m_rules.codec->textOf(tag, m_text);
        if (startsWithIgnoringAsciiCase(text, 0, kTitleImage))
            return false;
        m_survey.notQuibrel =
            m_survey.notQuibrel || startsWithIgnoringAsciiCase(text, 0, kNotQuibrel);
        m_survey.notQuibrelLink =
            m_survey.notQuibrelLink || startsWithIgnoringAsciiCase(text, 0, kNotQuibrelLink);
        // The line's links are those of the line without its old block, and so is this marker.
        m_survey.partLinkExclusion =
            m_survey.partLinkExclusion ||
            (!m_inBlock && startsWithIgnoringAsciiCase(text, 0, kPartLinkExclusion));
        if (startsWithIgnoringAsciiCase(text, 0, m_start)) {
            // A second block, or one inside the first, is left to the whole line's reading.
            if (m_starts++ > 0)
                return false;
            // A tag left open right before the block would be finished by what follows the
            // block once the block is cut out: "<!--NOTQUI" + block + "BREL-->".
            if (before != std::string_view::npos && offset - before < m_reach &&
                (beforeClose == std::string_view::npos || beforeClose > offset))
                return false;
            m_inBlock = true;
            m_survey.blockStart = offset;
        } else if (startsWithIgnoringAsciiCase(text, 0, m_end)) {
            // An end marker without its start on the line may end a block of earlier lines.
            if (m_starts == 0)
                return false;
            if (m_inBlock) {
                m_inBlock = false;
                m_survey.blockEnd = offset + tag.find('>') + 1;
            }
        }
        return true;
    }
    if (startsWithIgnoringAsciiCase(tag, 0, kTitle))
        // The whole line's title is taken before its links are followed and its blocks placed;
        // a piece would take it after those of earlier pieces. One inside the old block is
        // taken too.
        return !m_inBlock && !m_linkOrBodyTag;
    if (startsWithIgnoringAsciiCase(tag, 0, kLinkOpening))
        m_linkOrBodyTag = true;
    if (startsWithIgnoringAsciiCase(tag, 0, kBodyStart)) {
        m_survey.firstBodyStart = std::min(m_survey.firstBodyStart, offset);
        m_survey.lastBodyStart = std::max(m_survey.lastBodyStart, offset);
        m_linkOrBodyTag = true;
        // With blocks at both tags the start tag wins over an end tag before it on its line.
        return !(m_rules.bothBodyTags && m_bodyEndTag);
    }
    if (startsWithIgnoringAsciiCase(tag, 0, kBodyEnd))
        m_linkOrBodyTag = m_bodyEndTag = true;
    return true;
}

bool LineSurveyor::finish(std::uint64_t lineLength) const {
    if (m_inBlock)
        return false; // the block goes on over the next lines
    // A line that is all old block goes with its line end.
    return !(m_starts > 0 && m_survey.blockStart == 0 && m_survey.blockEnd == lineLength);
}

// The last link opening in bytes whose target (from the character after "=" to a quotation
// mark) is still open at bytes' end; npos when every target is closed.
std::size_t openLinkTarget(std::string_view bytes) {
    const std::size_t lastQuote = bytes.rfind('"');
    // A target whose first byte after its opening character is after the last quotation mark
    // is open; the opening character stands 8 bytes after the link's "<".
    std::size_t from = lastQuote == std::string_view::npos ? 0 : lastQuote;
    from = from > 8 ? from - 8 : 0;
    for (std::size_t at = findIgnoringAsciiCase(bytes, kLinkOpening, from);
         at != std::string_view::npos; at = findIgnoringAsciiCase(bytes, kLinkOpening, at + 1))
        if (lastQuote == std::string_view::npos || at + 9 > lastQuote)
            return at;
    return std::string_view::npos;
}

// The first body start tag in bytes that does not end in them, or npos.
std::size_t openBodyTag(std::string_view bytes) {
    for (std::size_t at = findIgnoringAsciiCase(bytes, kBodyStart); at != std::string_view::npos;
         at = findIgnoringAsciiCase(bytes, kBodyStart, at + 1))
        if (startTagEnd(bytes, at + kBodyStart.size()) == std::string_view::npos)
            return at;
    return std::string_view::npos;
}

// Before a cut inside text: the last tag when it is not closed yet (a link opening holds a
// space), or the title whose text runs on to the next "<"; npos for neither.
std::size_t openTagOrTitle(std::string_view bytes) {
    const std::size_t tag = bytes.rfind('<');
    if (tag == std::string_view::npos)
        return tag;
    return bytes.find('>', tag) == std::string_view::npos ||
                   startsWithIgnoringAsciiCase(bytes, tag, kTitle)
               ? tag
               : std::string_view::npos;
}

// The last place before end, and after piece's first byte, where a piece may end: before a "<",
// or after a space (a character of its own in every page encoding handled); npos for none.
std::size_t lastCutBefore(std::string_view piece, std::size_t end) {
    const std::size_t tag = end > 0 ? piece.rfind('<', end - 1) : std::string_view::npos;
    const std::size_t space = end > 1 ? piece.rfind(' ', end - 2) : std::string_view::npos;
    const std::size_t afterSpace = space == std::string_view::npos ? 0 : space + 1;
    const std::size_t cut = tag == std::string_view::npos ? afterSpace : std::max(tag, afterSpace);
    return cut > 0 ? cut : std::string_view::npos;
}

} // namespace

LongLineSurvey surveyLongLine(InputFile& file, std::uint64_t lineStart, std::string_view held,
                              const LongLineRules& rules) {
    LongLineSurvey survey;
    const PageCodec& codec = *rules.codec;
    if (!codec.startMarkerPattern().starts_with(kCommentOpening) ||
        !codec.endMarkerPattern().starts_with(kCommentOpening))
        return survey;
    LineSurveyor surveyor(rules, survey);
    // The line's bytes not yet looked at, from line offset windowAt on; every "<" before the
    // last reach() bytes is looked at before more are read. Its room, for them and a read, is
    // left uninitialised: every byte is read into before it is used.
    const std::size_t room = std::max(held.size(), surveyor.reach() + 1) + kReadSize;
    // NOLINTNEXTLINE(modernize-avoid-c-arrays): a size known only here, left uninitialised
    const auto buffer = std::make_unique_for_overwrite<char[]>(room);
    std::copy(held.begin(), held.end(), buffer.get());
    std::string_view window(buffer.get(), held.size());
    std::uint64_t windowAt = 0;
    std::uint64_t readFrom = lineStart + held.size();
    bool fileEnded = false;
    for (;;) {
        const char* lineEnd = findLineEnd(window.data(), window.data() + window.size());
        const auto lineBytes = static_cast<std::size_t>(lineEnd - window.data());
        const bool ended = lineBytes < window.size() || fileEnded;
        // A CR last in the window may be the first half of CR LF.
        const bool endKnown =
            ended && (fileEnded || *lineEnd != '\r' || lineBytes + 1 < window.size());
        const std::size_t lookUntil =
            ended ? lineBytes
                  : (window.size() > surveyor.reach() ? window.size() - surveyor.reach() : 0);
        const std::string_view line(window.data(), lineBytes);
        for (std::size_t at = findMarkupOpening(line, 0); at < lookUntil;
             at = findMarkupOpening(line, at + 1))
            if (!surveyor.look(line.substr(at, surveyor.reach()), windowAt + at))
                return survey;
        if (endKnown) {
            if (!surveyor.finish(windowAt + lineBytes))
                return survey;
            if (lineBytes < window.size()) {
                const bool crlf = *lineEnd == '\r' && lineBytes + 1 < window.size() &&
                                  window[lineBytes + 1] == '\n';
                survey.end = std::string_view(lineEnd, crlf ? 2 : 1);
            }
            survey.blockStart += lineStart;
            survey.blockEnd += lineStart;
            if (survey.firstBodyStart <= survey.lastBodyStart) {
                survey.firstBodyStart += lineStart;
                survey.lastBodyStart += lineStart;
            }
            survey.whole = false;
            return survey;
        }
        // Keep only the bytes not looked at yet; read on.
        const std::size_t passed = std::min(lookUntil, lineBytes);
        const std::size_t had = window.size() - passed;
        std::memmove(buffer.get(), window.data() + passed, had);
        windowAt += passed;
        auto got = file.readAt(readFrom, buffer.get() + had, kReadSize);
        if (!got)
            return survey; // held whole: reading it tells what failed
        window = std::string_view(buffer.get(), had + *got);
        readFrom += *got;
        fileEnded = *got == 0;
    }
}

std::size_t pieceEnd(std::string_view piece, bool mayHoldBodyStart) {
    std::size_t cut = lastCutBefore(piece, piece.size());
    while (cut != std::string_view::npos) {
        const std::string_view before = piece.substr(0, cut);
        std::size_t open = openLinkTarget(before);
        if (open == std::string_view::npos && mayHoldBodyStart)
            open = openBodyTag(before);
        if (open == std::string_view::npos && piece[cut] != '<')
            open = openTagOrTitle(before);
        if (open == std::string_view::npos)
            return cut;
        cut = lastCutBefore(piece, open + 1); // at the latest before the "<" left open
    }
    return std::string_view::npos;
}

} // namespace solvina
