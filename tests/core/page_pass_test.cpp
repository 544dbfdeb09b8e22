// One page through the pass: where blocks go, what markers do, what stays byte for byte.
#include "apply_fixture.h"

#include <filesystem>
#include <functional>

namespace solvina::test_support {
namespace {

struct PageCase {
    const char* name;
    std::string input;
    std::function<void(ApplyOptions&)> configure;
    // "{BLOCK}" stands for the block of the top page titled "T" (with the rule when options
    // ask for it), its lines ending as the page's first line ends (CR LF when it has none).
    std::string expected;
    std::string titleEntry = "MT";
};

std::string expand(const PageCase& c, bool rule) {
    std::string end = "\r\n";
    std::size_t firstBreak = c.input.find_first_of("\r\n");
    if (firstBreak != std::string::npos)
        end = c.input.compare(firstBreak, 2, "\r\n") == 0 ? "\r\n" : c.input.substr(firstBreak, 1);
    std::string block = joinLines(plainBlock({{c.titleEntry, ""}}, rule), end);
    std::string text = c.expected;
    for (std::size_t at; (at = text.find("{BLOCK}")) != std::string::npos;)
        text.replace(at, 7, block);
    return text;
}

const std::string kOldBlock = joinLines(plainBlock({{"Mold", ""}}), "\r\n");
const std::string kOneLineBlock = joinLines(plainBlock({{"Mold", ""}}), "");
auto none = [](ApplyOptions&) {};

class PagePassTest : public ApplyFixture {};

TEST_F(PagePassTest, PlacesBlocksAndHonoursMarkers) {
    const PageCase cases[] = {
        {"body tag alone on its line",
         "<HTML><HEAD><TITLE>T</TITLE></HEAD>\r\n<BODY>\r\n<P>x</P>\r\n</BODY></HTML>\r\n", none,
         "<HTML><HEAD><TITLE>T</TITLE></HEAD>\r\n<BODY>\r\n{BLOCK}<P>x</P>\r\n</BODY></HTML>\r\n"},
        {"body tag with attributes and text after it",
         "<title>T</title>\r\n<body bgcolor=\"#ffffff\"><p>x</p>\r\n</body>\r\n", none,
         "<title>T</title>\r\n<body bgcolor=\"#ffffff\">\r\n{BLOCK}<p>x</p>\r\n</body>\r\n"},
        {"body tag ending on a later line gets no block",
         "<TITLE>T</TITLE>\r\n<BODY\r\n BGCOLOR=\"#FFFFFF\">\r\n</BODY>\r\n", none,
         "<TITLE>T</TITLE>\r\n<BODY\r\n BGCOLOR=\"#FFFFFF\">\r\n</BODY>\r\n"},
        {"both tags on one line: the top case alone", "<TITLE>T</TITLE>\r\n<BODY>x</BODY>\r\n",
         [](ApplyOptions& o) { o.insertAtBottom = true; },
         "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}x</BODY>\r\n"},
        {"both tags on one line, bottom only", "<TITLE>T</TITLE>\r\n<BODY>x</BODY>\r\n",
         [](ApplyOptions& o) {
             o.insertAtTop = false;
             o.insertAtBottom = true;
         },
         "<TITLE>T</TITLE>\r\n<BODY>x\r\n{BLOCK}</BODY>\r\n"},
        {"top and bottom give two blocks", "<TITLE>T</TITLE>\r\n<BODY>\r\nx\r\n</BODY>\r\n",
         [](ApplyOptions& o) { o.insertAtBottom = true; },
         "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}x\r\n{BLOCK}</BODY>\r\n"},
        {"exclusion in the head keeps the page free",
         "<!--NOTQUIBREL--><TITLE>T</TITLE>\r\n<BODY>\r\n</BODY>\r\n",
         [](ApplyOptions& o) { o.insertAtBottom = true; },
         "<!--NOTQUIBREL--><TITLE>T</TITLE>\r\n<BODY>\r\n</BODY>\r\n"},
        {"exclusion after the body tag keeps only the bottom block out",
         "<TITLE>T</TITLE>\r\n<BODY>\r\n<!--notquibrel-->\r\n</BODY>\r\n",
         [](ApplyOptions& o) { o.insertAtBottom = true; },
         "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}<!--notquibrel-->\r\n</BODY>\r\n"},
        {"an old block is replaced", "<TITLE>T</TITLE>\r\n<BODY>\r\n" + kOldBlock + "x\r\n", none,
         "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}x\r\n"},
        {"an old block of an excluded page is dropped",
         "<!--NOTQUIBREL--><TITLE>T</TITLE>\r\n<BODY>\r\n" + kOldBlock + "x\r\n", none,
         "<!--NOTQUIBREL--><TITLE>T</TITLE>\r\n<BODY>\r\nx\r\n"},
        {"consecutive old blocks are all dropped and the next line is treated",
         "<TITLE>T</TITLE>\r\n" + kOldBlock + kOldBlock + "<BODY>\r\nx\r\n", none,
         "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}x\r\n"},
        {"an end marker on the last line is no failure",
         "<TITLE>T</TITLE>\r\n<BODY>x\r\n" + kOldBlock.substr(0, kOldBlock.size() - 2), none,
         "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}x\r\n"},
        {"a start marker in other letter case is found",
         "<TITLE>T</TITLE>\r\n<BODY>\r\n<!--ソルビナ(HTTPS://Solvina.Example/)-->\r\nold\r\n"
         "<!--ソルビナここまで-->\r\n",
         none, "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}"},
        {"skipping the top page still drops its old block",
         "<TITLE>T</TITLE>\r\n<BODY>\r\n" + kOldBlock + "x\r\n",
         [](ApplyOptions& o) { o.skipTopPage = true; }, "<TITLE>T</TITLE>\r\n<BODY>\r\nx\r\n"},
        {"erase all removes every block and writes none",
         "<TITLE>T</TITLE>\r\n<BODY>\r\n" + kOldBlock + "x\r\n" + kOldBlock + "</BODY>\r\n",
         [](ApplyOptions& o) {
             o.eraseAll = true;
             o.insertAtBottom = true;
         },
         "<TITLE>T</TITLE>\r\n<BODY>\r\nx\r\n</BODY>\r\n"},
        {"LF page: block lines end in LF, the last line keeps having none",
         "<title>T</title>\n<body>\n<p>x</p>", none, "<title>T</title>\n<body>\n{BLOCK}<p>x</p>"},
        {"CR page", "<title>T</title>\r<body>x\r", none, "<title>T</title>\r<body>\r{BLOCK}x\r"},
        {"lines keep their own ends; the split's pieces take the first line's end",
         "<title>T</title>\n<body>x\r\ny\r", none, "<title>T</title>\n<body>\n{BLOCK}x\r\ny\r"},
        {"a body tag on the last line without a line end", "<title>T</title>\r\n<body>", none,
         "<title>T</title>\r\n<body>\r\n{BLOCK}"},
        {"a one-line page without line end takes CR LF", "<title>T</title><body>z", none,
         "<title>T</title><body>\r\n{BLOCK}z"},
        {"the title image comment on the title line",
         "<TITLE>T</TITLE><!--TITLEIMG=\"img/t.gif\"-->\r\n<BODY>\r\n", none,
         "<TITLE>T</TITLE><!--TITLEIMG=\"img/t.gif\"-->\r\n<BODY>\r\n{BLOCK}", "Iimg/t.gif"},
        {"the title image comment on another line is ignored",
         "<!--TITLEIMG=\"img/t.gif\"-->\r\n<TITLE>会社案内</TITLE>\r\n<BODY>\r\n", none,
         "<!--TITLEIMG=\"img/t.gif\"-->\r\n<TITLE>会社案内</TITLE>\r\n<BODY>\r\n{BLOCK}",
         "M会社案内"},
        {"a title running on is cut at the end of its line",
         "<TITLE>長い\r\n題</TITLE>\r\n<BODY>\r\n", none,
         "<TITLE>長い\r\n題</TITLE>\r\n<BODY>\r\n{BLOCK}", "M長い"},
        {"the top page's own title replaced", "<TITLE>T</TITLE>\r\n<BODY>\r\n",
         [](ApplyOptions& o) { o.useTopPageTitle = true; }, "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}",
         "Mトップページ"},
        // A page's title entry starts as its file name; the top-page title also stands in for a
        // missing title line; a title image still wins over it.
        {"no title line: the file name", "<BODY>\r\n", none, "<BODY>\r\n{BLOCK}", "Mindex.htm"},
        {"no title line, the top page's title", "<BODY>\r\n",
         [](ApplyOptions& o) { o.useTopPageTitle = true; }, "<BODY>\r\n{BLOCK}", "Mトップページ"},
        {"the title image beats the top page's title",
         "<TITLE>T</TITLE><!--TITLEIMG=\"./img/t.gif\"-->\r\n<BODY>\r\n",
         [](ApplyOptions& o) { o.useTopPageTitle = true; },
         "<TITLE>T</TITLE><!--TITLEIMG=\"./img/t.gif\"-->\r\n<BODY>\r\n{BLOCK}", "Iimg/t.gif"},
        // Text beside the markers of an old block stays, joined into one line that is treated
        // again.
        {"text beside the markers is joined",
         std::string("<TITLE>T</TITLE>\r\na") + kStartMarker + "x\r\ny\n" + kEndMarker +
             "b\r\n<BODY>\r\n",
         none, "<TITLE>T</TITLE>\r\nab\r\n<BODY>\r\n{BLOCK}"},
        {"a minified page keeps its text and gets a block",
         "<html><title>T</title><body>" + kOneLineBlock + "<p>本文</p></body></html>", none,
         "<html><title>T</title><body>\r\n{BLOCK}<p>本文</p></body></html>"},
        {"erase keeps a minified page's text",
         "<html><body>" + kOneLineBlock + "<p>本文</p></body></html>",
         [](ApplyOptions& o) { o.eraseAll = true; }, "<html><body><p>本文</p></body></html>"},
        {"a second old block on the joined line",
         "<TITLE>T</TITLE>\r\nx" + kOneLineBlock + "y" + kStartMarker + "\r\n" + kEndMarker + "z\n",
         none, "<TITLE>T</TITLE>\r\nxyz\n"},
        {"an end marker before the start marker does not end the block",
         "<TITLE>T</TITLE>\r\n" + std::string(kEndMarker) + "a" + kStartMarker + "\r\nold\r\n" +
             kEndMarker + "\r\n<BODY>\r\n",
         none, "<TITLE>T</TITLE>\r\n" + std::string(kEndMarker) + "a\r\n<BODY>\r\n{BLOCK}"},
        // The body tag ends at the first ">" outside a quoted attribute value.
        {"a \">\" inside double quotes", "<TITLE>T</TITLE>\r\n<body onload=\"if(a>b)go()\">x\r\n",
         none, "<TITLE>T</TITLE>\r\n<body onload=\"if(a>b)go()\">\r\n{BLOCK}x\r\n"},
        {"single quotes with spaces around =",
         "<TITLE>T</TITLE>\r\n<BODY onload = 'a>b' class=x>y\r\n", none,
         "<TITLE>T</TITLE>\r\n<BODY onload = 'a>b' class=x>\r\n{BLOCK}y\r\n"},
        {"a quote not after = is no value", "<TITLE>T</TITLE>\r\n<BODY \"a>b\">\r\n", none,
         "<TITLE>T</TITLE>\r\n<BODY \"a>\r\n{BLOCK}b\">\r\n"},
        {"a quote open at the line's end: no block",
         "<TITLE>T</TITLE>\r\n<BODY onload=\"a>b\r\n\">\r\n", none,
         "<TITLE>T</TITLE>\r\n<BODY onload=\"a>b\r\n\">\r\n"},
        // Body tags inside comments are no tags.
        {"a commented-out body tag before the real one",
         "<TITLE>T</TITLE>\r\n<!-- <BODY BGCOLOR=red>\r\nold -->\r\n<BODY>\r\n", none,
         "<TITLE>T</TITLE>\r\n<!-- <BODY BGCOLOR=red>\r\nold -->\r\n<BODY>\r\n{BLOCK}"},
        {"a comment across lines hides the body tag on its last line",
         "<TITLE>T</TITLE>\r\n<!--\r\n\r\nx <body> -->\r\n<body>\r\n", none,
         "<TITLE>T</TITLE>\r\n<!--\r\n\r\nx <body> -->\r\n<body>\r\n{BLOCK}"},
        {"a comment and a body tag on one line", "<TITLE>T</TITLE>\r\n<!--<body>--><body>x\r\n",
         none, "<TITLE>T</TITLE>\r\n<!--<body>--><body>\r\n{BLOCK}x\r\n"},
        {"--!> ends a comment", "<TITLE>T</TITLE>\r\n<!-- a --!><BODY>\r\n", none,
         "<TITLE>T</TITLE>\r\n<!-- a --!><BODY>\r\n{BLOCK}"},
        {"<!--> and <!---> are whole comments", "<TITLE>T</TITLE>\r\n<!--><!---><BODY>\r\n", none,
         "<TITLE>T</TITLE>\r\n<!--><!---><BODY>\r\n{BLOCK}"},
        {"an unclosed comment hides the rest of the page",
         "<TITLE>T</TITLE>\r\n<!-- <!-- -- >\r\n<BODY>x</BODY>\r\n",
         [](ApplyOptions& o) { o.insertAtBottom = true; },
         "<TITLE>T</TITLE>\r\n<!-- <!-- -- >\r\n<BODY>x</BODY>\r\n"},
        {"a closing body tag inside a comment",
         "<TITLE>T</TITLE>\r\n<BODY>x<!-- </BODY> -->\r\n</BODY>\r\n",
         [](ApplyOptions& o) {
             o.insertAtTop = false;
             o.insertAtBottom = true;
         },
         "<TITLE>T</TITLE>\r\n<BODY>x<!-- </BODY> -->\r\n{BLOCK}</BODY>\r\n"},
        {"a rule under the table", "<TITLE>T</TITLE>\r\n<BODY>\r\n",
         [](ApplyOptions& o) { o.addRule = true; }, "<TITLE>T</TITLE>\r\n<BODY>\r\n{BLOCK}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        options = ApplyOptions{};
        c.configure(options);
        writePage("index.htm", c.input);
        auto summary = apply();
        EXPECT_EQ(summary.failures, 0) << (reporter.failures.empty() ? "" : reporter.failures[0]);
        reporter.failures.clear();
        EXPECT_EQ(pageText("index.htm"), expand(c, options.addRule));
    }
}

// Lines that get a block far into a page (past the reader's buffer, a CR LF split by a read)
// are found again when the page is written from the plan.
TEST_F(PagePassTest, BlockLinesFarIntoAPageAreRewrittenInPlace) {
    std::string filler = "x";
    while (filler.size() < 150000)
        filler += "<P>filler line</P>\r\n";
    writePage("index.htm", "<TITLE>T</TITLE>\r\n" + filler + "<BODY>\r\n" + filler + "</BODY>");
    options.insertAtBottom = true;
    apply();
    const std::string block = joinLines(plainBlock({{"MT", ""}}), "\r\n");
    EXPECT_EQ(pageText("index.htm"),
              "<TITLE>T</TITLE>\r\n" + filler + "<BODY>\r\n" + block + filler + block + "</BODY>");
}

TEST_F(PagePassTest, ApplyingTwiceGivesTheSameBytesAsOnceAndKeepsThePermissionBits) {
    writePage("index.htm", "<html><head><title>T</title></head>\n<body class=\"a\"><p>x</p>\n"
                           "</body></html>\n");
    std::filesystem::permissions(site("index.htm"), std::filesystem::perms(0640));
    options.insertAtBottom = true;
    apply();
    std::string once = readPage("index.htm");
    apply();
    EXPECT_EQ(readPage("index.htm"), once);
    EXPECT_EQ(std::filesystem::status(site("index.htm")).permissions(),
              std::filesystem::perms(0640));
}

} // namespace
} // namespace solvina::test_support
