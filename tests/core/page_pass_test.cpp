// One page through the pass: where blocks go, what markers do, what stays byte for byte.
#include "apply_fixture.h"

#include <filesystem>
#include <functional>

namespace solvina::testing {
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
        {"no title line leaves the entry empty", "<BODY>\r\n", none, "<BODY>\r\n{BLOCK}", ""},
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
} // namespace solvina::testing
