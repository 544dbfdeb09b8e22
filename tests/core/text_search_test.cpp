// Tests of the byte tests that let a page's pass write a line without decoding it.
#include "apply/text_search.h"

#include "apply/link_paths.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "text/ascii.h"
#include "text/utf8.h"

#include <gtest/gtest.h>

namespace solvina {
namespace {

TEST(MayHoldMarkupTest, FindsEveryTagThePassActsOnInAnyLetterCase) {
    const struct {
        const char* label;
        std::string bytes;
        bool mayHold;
    } cases[] = {
        {"empty", "", false},
        {"text_only", "plain text, no tags", false},
        {"other_tags", "<p><table><tr><td>x</td></tr></table></p>", false},
        {"comment", "<!-- note -->", true},
        {"cp932_marker",
         *cp932().encode("x<!--ソルビナ(https://solvina.example/)-->", Unencodable::Fail), true},
        {"title_lower", "<title>t</title>", true},
        {"title_with_attribute", "<title lang=ja>", false},
        {"link_mixed_case", "<p><a HrEf=\"x.htm\">", true},
        {"link_with_other_attribute", "<a class=x href=\"x.htm\">", false},
        {"body_with_attributes", "<body bgcolor=\"#fff\">", true},
        {"body_end", "</Body></html>", true},
        {"tbody_is_not_body", "<tbody></tbody>", false},
        {"cut_at_line_end", "text <BOD", false},
        {"after_many_tags", "<b><i><u><s><q></q>" + std::string(50, 'x') + "<a href=\"y.html\">",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(mayHoldMarkup(c.bytes), c.mayHold);
        EXPECT_EQ(markupIn(c.bytes) != 0, c.mayHold);
        // The line among others, wherever it falls in the vector scan's blocks.
        for (std::size_t before : {0, 5, 15, 16, 17, 31}) {
            const std::string filler(before, 'x');
            const std::string page = filler + "\r\n" + c.bytes + "\n<p>tail</p>\r\n";
            EXPECT_EQ(plainLinesLength(page, false), c.mayHold ? before + 2 : page.size())
                << before << " bytes before";
        }
    }
}

// Only whole lines are passed: a lone line end as the last byte may be half of a CR LF (or be
// followed by more of the line's end) unless the page ends there. The markup that ends them is
// told where it stands.
TEST(PlainLinesLengthTest, PassesOnlyLinesKnownToBeWhole) {
    const std::string longLine(40, 'y');
    constexpr std::size_t kNone = std::string_view::npos;
    const struct {
        std::string bytes;
        bool atEnd;
        std::size_t length;
        std::size_t markup = kNone;
    } cases[] = {
        {"", true, 0},
        {"ab", true, 0},
        {"ab\r", false, 0},
        {"ab\r", true, 3},
        {"ab\n", false, 0},
        {"ab\r\n", false, 4},
        {"a\nb\rc", false, 4},
        {longLine + "\r\n" + longLine + "\r", false, 42},
        {longLine + "\n<!--" + longLine + "\n", true, 41, 41},
        {longLine + "<TiTlE>\n", true, 0, 40},
        {longLine + "\n" + longLine + "<a name=x><a href=x>\n", true, 41, 91},
    };
    for (const auto& c : cases) {
        std::size_t markup = 0;
        EXPECT_EQ(plainLinesLength(c.bytes, c.atEnd, &markup), c.length) << c.bytes;
        EXPECT_EQ(markup, c.markup) << c.bytes;
    }
}

// Every place of the first line end, in and across the blocks the search takes at once.
TEST(FindLineEndTest, FindsTheFirstCrOrLfWhereverItStands) {
    for (const char end : {'\r', '\n'})
        for (std::size_t at = 0; at <= 140; ++at) {
            std::string bytes(140, 'x');
            if (at < bytes.size())
                bytes[at] = end;
            bytes += '\n'; // a later one is never taken for the first
            for (std::size_t from : {std::size_t(0), std::size_t(1), std::size_t(33)}) {
                if (from > at)
                    continue;
                EXPECT_EQ(findLineEnd(bytes.data() + from, bytes.data() + bytes.size()) -
                              bytes.data(),
                          static_cast<std::ptrdiff_t>(at))
                    << at << " " << from;
            }
            EXPECT_EQ(findLineEnd(bytes.data(), bytes.data() + std::min(at, bytes.size())),
                      bytes.data() + std::min(at, bytes.size()));
        }
}

// Links are taken from a line's bytes, decoding only their targets, as they would be from its
// decoded text; a target holding "<" sends the line back to be decoded whole.
TEST(LinkTargetsOfBytesTest, FindsTheLinksOfTheDecodedLine) {
    const auto cp932Bytes = [](const char* text) {
        return *cp932().encode(text, Unencodable::Fail);
    };
    const struct {
        const char* label;
        std::string bytes;
        bool isCp932;
        bool takenFromBytes;
    } cases[] = {
        {"plain", "<p><a href=\"a.htm\">A</a> <A HREF=\"b/c.html\">B</A>", false, true},
        {"mixed_case_and_quote", "<A hReF='x.htm' title=\"t\">", false, true},
        {"no_closing_quote", "<a href=\"open.htm", false, true},
        {"at_line_end", "x <a href=", false, true},
        {"empty_target", "<a href=\"\"><a href=\"n.htm\">", false, true},
        {"other_attribute_first", "<a class=x href=\"no.htm\">", false, true},
        {"cp932_target", cp932Bytes("<a href=\"表示/ソフト.htm\">ソ</a>"), true, true},
        {"cp932_opening_character", cp932Bytes("<A HREF=”表.htm\">"), true, true},
        {"cp932_lead_byte_before_quote", "<a href=\x81\"x.htm\">\x81<a href=\"y\x81\">", true,
         true},
        {"invalid_utf8", "<a href=\"\xE3\x81\"><a href=\"\xFF.htm\">", false, true},
        {"link_inside_target", "<a href=\"x<a href=\"y.htm\">", false, false},
        {"opening_character_is_lt", "<a href=<a href=\"y.htm\">", false, false},
        // Long bytes are looked at in wider blocks: a tab is no space there either.
        {"long_line",
         std::string(1500, 'x') + "<a\thref=\"no.htm\"><a href=\"yes.htm\">" +
             std::string(1100, 'y') + "<A HREF=\"far.htm\">",
         false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto decodeInto = [&](std::string_view bytes, std::string& text) {
            if (c.isCp932)
                cp932().decodeInto(bytes, text);
            else
                text = sanitizedUtf8(bytes);
        };
        std::string text;
        decodeInto(c.bytes, text);
        std::vector<std::string> targets{"left", "from an earlier line, longer than 15 bytes", "x"};
        ASSERT_EQ(linkTargetsOfBytes(c.bytes, decodeInto, targets), c.takenFromBytes);
        if (c.takenFromBytes) {
            EXPECT_EQ(targets, linkTargets(text));
        }
    }
}

// Found in any ASCII letter case, as in the line's upper-cased copy, wherever the candidate
// falls in the vector scan's blocks; bytes outside ASCII are compared as they are.
TEST(FindIgnoringAsciiCaseTest, FindsWhatTheUpperCasedCopyHolds) {
    const std::string pad(21, 'x');
    const struct {
        std::string text;
        std::string_view pattern;
        std::size_t from;
    } cases[] = {
        {pad + "<tItLe>t", "<TITLE>", 0},
        {pad + "<ti<title>", "<TITLE>", 0},
        {"<title>" + pad + "<TITLE>", "<TITLE>", 1},
        {pad + "<!--notquibrel--", "<!--NOTQUIBREL-->", 0},
        {pad + "<!--\xE3\x81\x82-->", "<!--\xE3\x81\x82-->", 0},
        {pad + "<!--\xC3\xA3-->", "<!--\xC3\x83-->", 0},
        {pad + "<a href=", "<A HREF=", 40},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findIgnoringAsciiCase(c.text, c.pattern, c.from),
                  asciiUpper(c.text).find(c.pattern, c.from))
            << c.text;
}

TEST(NormalizePathTest, FoldsRepeatedSlashesDotsAndParentFolders) {
    const struct {
        const char* path;
        const char* normalized;
    } cases[] = {
        {"/site/a/b.htm", "/site/a/b.htm"},
        {"/site//a///b.htm", "/site/a/b.htm"},
        {"/site/./a/././b.htm", "/site/a/b.htm"},
        {"/site/a/b/../../c.htm", "/site/c.htm"},
        {"/site/a/../b/./../c.htm", "/site/c.htm"},
        {"/site/a/.//../c.htm", "/site/c.htm"},
        {"/site/../../c.htm", ""},
        {"/../c.htm", ""},
        {"site/../c.htm", ""},
        {"/site/a/..", "/site/a/.."},
        {"/site/a/...htm", "/site/a/...htm"},
        {"/site/a/./.././../b/.htm", "/b/.htm"},
        {"/site/a/../../../b.htm", ""},
        {"/site/a/../b//c.htm", "/site/b/c.htm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(normalizePath(c.path), c.normalized) << c.path;
        // Joined to a folder that needs no folding (its leading steps taken off the folder).
        const std::string path = c.path;
        for (std::size_t slash = path.find('/'); slash != std::string::npos;
             slash = path.find('/', slash + 1)) {
            const std::string folder = path.substr(0, slash + 1);
            if (normalizePath(folder) == folder) {
                EXPECT_EQ(normalizeInFolder(folder, path.substr(slash + 1)), c.normalized)
                    << folder << " + " << path.substr(slash + 1);
            }
        }
    }
}

} // namespace
} // namespace solvina
