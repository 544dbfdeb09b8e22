// One page, line by line, written as it is read.
#include "apply/page_pass.h"

#include "apply/breadcrumb_block.h"
#include "apply/text_search.h"

#include <algorithm>

namespace solvina {

namespace {

constexpr std::string_view kNotQuibrel = "<!--NOTQUIBREL-->";
constexpr std::string_view kNotQuibrelLink = "<!--NOTQUIBRELLINK-->";
constexpr std::string_view kTitle = "<TITLE>";
constexpr std::string_view kTitleImage = "<!--TITLEIMG=\"";
constexpr std::string_view kBodyStart = "<BODY";
constexpr std::string_view kBodyEnd = "</BODY>";

bool holds(const std::string& text, std::string_view pattern) {
    return text.find(pattern) != std::string::npos;
}

// Byte offset in raw of the character c that is preceded by `count` others like it; the page
// encodings handled write "<" and ">" as their own single bytes and never inside another
// character.
std::size_t nthByte(std::string_view raw, char c, std::size_t count) {
    std::size_t at = raw.find(c);
    while (at != std::string_view::npos && count-- > 0)
        at = raw.find(c, at + 1);
    return at;
}

std::string textBetween(const std::string& text, std::size_t start, char stop) {
    if (start >= text.size())
        return {};
    std::size_t end = text.find(stop, start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

} // namespace

PagePass::PagePass(const ApplyOptions& options, ApplyRunState& state, const BreadcrumbStyle& style,
                   const std::string& styleFolder, const PageCodec& codec, int level,
                   LinkFollower followLinks)
    : m_options(options), m_state(state), m_style(style), m_styleFolder(styleFolder),
      m_codec(codec), m_level(level), m_followLinks(std::move(followLinks)),
      m_pageExcluded(options.eraseAll) {}

Status PagePass::writeLine(OutputFile& out, std::string_view bytes, std::string_view end) {
    if (auto status = out.write(bytes); !status)
        return status;
    return out.write(end);
}

Status PagePass::run(LineReader& reader, OutputFile& out) {
    Line line;
    for (;;) {
        auto more = reader.next(line.raw);
        if (!more)
            return std::move(more).takeError();
        if (!*more)
            return {};
        if (m_firstLineEnd.empty())
            m_firstLineEnd = line.raw.end.empty() ? std::string_view("\r\n") : line.raw.end;
        if (!mayHoldMarkup(line.raw.bytes)) {
            if (auto status = writeLine(out, line.raw.bytes, line.raw.end); !status)
                return status;
            continue;
        }
        line.text = m_codec.decode(line.raw.bytes);
        line.upper = asciiUpper(line.text);

        if (holds(line.upper, kNotQuibrel))
            m_pageExcluded = true;
        if (!m_options.eraseAll && holds(line.upper, kNotQuibrelLink))
            m_linksExcluded = true;
        recordTitle(line);
        if (holds(line.upper, m_codec.startMarkerPattern())) {
            // The old block is dropped up to its end marker; the pass goes on with the line
            // after it like with any other line.
            if (auto status = dropOldBlock(reader, line); !status)
                return status;
            continue;
        }
        if (!m_linksExcluded)
            m_followLinks(line.text, line.upper);
        if (auto status = place(line, out); !status)
            return status;
    }
}

void PagePass::recordTitle(const Line& line) {
    std::size_t title = line.upper.find(kTitle);
    if (title == std::string::npos)
        return;
    std::string& entry = m_state.levelTitles[m_level];
    std::size_t image = line.upper.find(kTitleImage);
    if (image != std::string::npos) {
        entry = "I" + textBetween(line.text, image + kTitleImage.size(), '"');
        return;
    }
    entry = "M" + textBetween(line.text, title + kTitle.size(), '<');
    if (m_options.useTopPageTitle && m_level == 0)
        entry = "M" + m_options.topPageTitle;
}

Status PagePass::dropOldBlock(LineReader& reader, Line& line) {
    const std::string& endPattern = m_codec.endMarkerPattern();
    if (holds(line.upper, endPattern))
        return {};
    for (;;) {
        auto more = reader.next(line.raw);
        if (!more)
            return std::move(more).takeError();
        if (!*more)
            return fail("クイブレルリストの終わりの印「" + std::string(kEndMarker) +
                        "」が見つかりません。");
        if (!mayHoldMarkup(line.raw.bytes))
            continue;
        if (holds(asciiUpper(m_codec.decode(line.raw.bytes)), endPattern))
            return {};
    }
}

Status PagePass::place(const Line& line, OutputFile& out) {
    const std::string_view raw = line.raw.bytes;
    const bool skipThisPage = m_options.skipTopPage && m_level == 0;
    std::size_t bodyStart = line.upper.find(kBodyStart);
    if (bodyStart != std::string::npos && m_options.insertAtTop && !m_pageExcluded) {
        std::size_t close = line.upper.find('>', bodyStart);
        if (skipThisPage || close == std::string::npos)
            return writeLine(out, raw, line.raw.end);
        auto before = std::count(line.upper.begin(), line.upper.begin() + close, '>');
        std::size_t rawClose = nthByte(raw, '>', before);
        if (rawClose == std::string_view::npos)
            return writeLine(out, raw, line.raw.end);
        std::string_view head = raw.substr(0, rawClose + 1);
        std::string_view rest = raw.substr(rawClose + 1);
        if (rest.empty()) {
            std::string_view end = line.raw.end.empty() ? m_firstLineEnd : line.raw.end;
            if (auto status = writeLine(out, head, end); !status)
                return status;
            return writeBlock(out);
        }
        if (auto status = writeLine(out, head, m_firstLineEnd); !status)
            return status;
        if (auto status = writeBlock(out); !status)
            return status;
        return writeLine(out, rest, line.raw.end);
    }
    std::size_t bodyEnd = line.upper.find(kBodyEnd);
    if (bodyEnd != std::string::npos && m_options.insertAtBottom && !m_pageExcluded) {
        if (skipThisPage)
            return writeLine(out, raw, line.raw.end);
        auto before = std::count(line.upper.begin(), line.upper.begin() + bodyEnd, '<');
        std::size_t rawBodyEnd = nthByte(raw, '<', before);
        if (rawBodyEnd == std::string_view::npos)
            return writeLine(out, raw, line.raw.end);
        if (rawBodyEnd > 0) {
            if (auto status = writeLine(out, raw.substr(0, rawBodyEnd), m_firstLineEnd); !status)
                return status;
        }
        if (auto status = writeBlock(out); !status)
            return status;
        return writeLine(out, raw.substr(rawBodyEnd), line.raw.end);
    }
    return writeLine(out, raw, line.raw.end);
}

Status PagePass::writeBlock(OutputFile& out) {
    for (const std::string& blockLine :
         breadcrumbBlock(m_style, m_styleFolder, m_options, m_state, m_level)) {
        if (auto status = writeLine(out, m_codec.encode(blockLine), m_firstLineEnd); !status)
            return status;
    }
    return {};
}

} // namespace solvina
