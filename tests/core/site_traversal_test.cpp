// Whole sites: levels and ancestors, which links are followed, the site boundary, encodings,
// the quibrel folder and the bounds of a run.
#include "apply_fixture.h"

#include "platform/text_codec.h"
#include "support/faulty_file_system.h"
#include "support/scripted_dialogs.h"

#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/resource.h>

namespace solvina::test_support {
namespace {

namespace fs = std::filesystem;

std::string page(const std::string& title, const std::string& body) {
    return "<HTML><HEAD><TITLE>" + title + "</TITLE></HEAD>\r\n<BODY>\r\n" + body +
           "\r\n</BODY></HTML>\r\n";
}

std::string applied(const std::string& title, const std::string& body,
                    const std::vector<Crumb>& chain) {
    return "<HTML><HEAD><TITLE>" + title + "</TITLE></HEAD>\r\n<BODY>\r\n" +
           joinLines(plainBlock(chain), "\r\n") + body + "\r\n</BODY></HTML>\r\n";
}

class SiteTraversalTest : public ApplyFixture {
protected:
    std::vector<std::string> enteredRelative() const {
        std::vector<std::string> names;
        for (const auto& path : reporter.entered)
            names.push_back(path.substr(site("").size()));
        return names;
    }
};

TEST_F(SiteTraversalTest, APageOneFolderDownLinksBackUp) {
    writePage("index.htm", page("トップ", "<A HREF=\"products/a.htm\">a</A>"));
    writePage("products/a.htm", page("製品", "<P>x</P>"));
    apply();
    EXPECT_EQ(pageText("products/a.htm"),
              applied("製品", "<P>x</P>", {{"Mトップ", "../index.htm"}, {"M製品", ""}}));
    EXPECT_EQ(pageText("index.htm"),
              applied("トップ", "<A HREF=\"products/a.htm\">a</A>", {{"Mトップ", ""}}));
}

TEST_F(SiteTraversalTest, TheFirstPathDepthFirstFixesTheLevel) {
    writePage("index.htm", page("0", "<A HREF=\"a.htm\">a</A><A HREF=\"b.htm\">b</A>"));
    writePage("a.htm", page("A", "<A HREF=\"b.htm\">b</A><A HREF=\"index.htm\">top</A>"));
    writePage("b.htm", page("B", "<A HREF=\"a.htm\">back</A>"));
    apply();
    EXPECT_EQ(enteredRelative(), (std::vector<std::string>{"index.htm", "a.htm", "b.htm"}));
    EXPECT_EQ(pageText("b.htm"), applied("B", "<A HREF=\"a.htm\">back</A>",
                                         {{"M0", "index.htm"}, {"MA", "a.htm"}, {"MB", ""}}));
}

// With the shortest-path hierarchy a page's level is its link distance from the top page, its
// parent the first page of the level above linking to it, and every title entry the page's last
// title (a failing page still leads to what it links to before the failing line).
TEST_F(SiteTraversalTest, TheShortestPathFixesTheLevelAndTheLastTitleTheEntry) {
    writePage("index.htm", "<BODY>\r\n<A HREF=\"a.htm\">a</A><A HREF=\"b.htm\">b</A>\r\n"
                           "<TITLE>0</TITLE>\r\n");
    writePage("a.htm", page("A", "<A HREF=\"b.htm\">b</A><A HREF=\"c.htm\">c</A>\r\n"
                                 "<!--ソルビナ(https://solvina.example/)-->"));
    writePage("b.htm", page("B", "<A HREF=\"c.htm\">c</A><A HREF=\"d.htm\">d</A>"));
    writePage("c.htm", page("C", "<A HREF=\"d.htm\">d</A>"));
    writePage("d.htm", "<BODY>\r\nd\r\n<TITLE>D1</TITLE>\r\n<TITLE>D2</TITLE>\r\n");
    options.hierarchy = Hierarchy::Shortest;
    apply();
    EXPECT_EQ(enteredRelative(),
              (std::vector<std::string>{"index.htm", "a.htm", "b.htm", "c.htm", "d.htm"}));
    ASSERT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(reporter.failures[0].find(site("a.htm")), std::string::npos);
    EXPECT_EQ(pageText("c.htm"), applied("C", "<A HREF=\"d.htm\">d</A>",
                                         {{"M0", "index.htm"}, {"MA", "a.htm"}, {"MC", ""}}));
    EXPECT_EQ(
        pageText("d.htm"),
        "<BODY>\r\n" +
            joinLines(plainBlock({{"M0", "index.htm"}, {"MB", "b.htm"}, {"MD2", ""}}), "\r\n") +
            "d\r\n<TITLE>D1</TITLE>\r\n<TITLE>D2</TITLE>\r\n");
}

TEST_F(SiteTraversalTest, DeepPagesGetPrefixesAndLinkedAncestors) {
    writePage("index.htm", page("0", "<A HREF=\"p/index.htm\">p</A>"));
    writePage("p/index.htm", page("1", "<A HREF=\"s/t.htm\">t</A>"));
    writePage("p/s/t.htm", page("2", "x"));
    options.linkHeader = true;
    options.headerLink = "index.htm";
    apply();
    std::string deep = pageText("p/s/t.htm");
    EXPECT_NE(deep.find("<A HREF=\"../../p/index.htm\">"), std::string::npos);
    EXPECT_NE(deep.find("<A HREF=\"../../index.htm\"><FONT COLOR=\"#000000\">[Navi:"),
              std::string::npos);
}

TEST_F(SiteTraversalTest, OnlyPageTargetsThatExistAreFollowed) {
    writePage("index.htm",
              page("0", "<A HREF=\"a.htm#top\">1</A><A HREF=\"b.html?p=2\">2</A>"
                        "<A HREF=\"\">e</A><A HREF=\"C.HTML\">3</A><A HREF=\"missing.htm\">4</A>"
                        "<a href=\"d.htm\">5</a><A HREF=\"e.txt\">6</A><A  HREF=\"f.htm\">7</A>"));
    for (const char* name : {"a.htm", "b.html", "C.HTML", "d.htm", "e.txt", "f.htm"})
        writePage(name, page(name, ""));
    apply();
    EXPECT_EQ(enteredRelative(), (std::vector<std::string>{"index.htm", "C.HTML", "d.htm"}));
}

// A link from sub/p.htm: one leading "/" is the site's root, another host or a scheme is no page
// of the site even where a file of that name stands below the linking page.
TEST_F(SiteTraversalTest, RootRelativeAndForeignLinks) {
    const struct {
        const char* target;
        const char* entered; // empty: not followed
    } cases[] = {
        {"/g.htm", "g.htm"},  {"/sub/../g.htm", "g.htm"}, {"g.htm", "sub/g.htm"},
        {"//host/g.htm", ""}, {"http://host/g.htm", ""},  {"HTTP:g.htm", ""},
        {"file:g.htm", ""},   {"mailto:g.htm", ""},       {"/../g.htm", ""},
    };
    writePage("index.htm", page("0", "<A HREF=\"sub/p.htm\">p</A>"));
    for (const char* name : {"g.htm", "sub/g.htm", "sub/host/g.htm", "sub/http:/host/g.htm",
                             "sub/HTTP:g.htm", "sub/file:g.htm", "sub/mailto:g.htm"})
        writePage(name, page(name, ""));
    for (const auto& c : cases) {
        writePage("sub/p.htm", page("P", std::string("<A HREF=\"") + c.target + "\">x</A>"));
        reporter.entered.clear();
        apply();
        std::vector<std::string> expected{"index.htm", "sub/p.htm"};
        if (*c.entered)
            expected.push_back(c.entered);
        EXPECT_EQ(enteredRelative(), expected) << c.target;
    }
}

TEST_F(SiteTraversalTest, LinkExclusionMarkers) {
    writePage("index.htm", page("0", "<A HREF=\"a.htm\">a</A><!--NOTBUBUNLINK-->\r\n"
                                     "<A HREF=\"b.htm\">b</A>\r\n<!--NotQuibrelLink-->\r\n"
                                     "<A HREF=\"c.htm\">c</A>"));
    for (const char* name : {"a.htm", "b.htm", "c.htm"})
        writePage(name, page(name, ""));
    apply();
    EXPECT_EQ(enteredRelative(), (std::vector<std::string>{"index.htm", "b.htm"}));

    reporter.entered.clear();
    options.eraseAll = true;
    apply();
    EXPECT_EQ(enteredRelative(),
              (std::vector<std::string>{"index.htm", "a.htm", "b.htm", "c.htm"}));
    EXPECT_EQ(pageText("b.htm"), page("b.htm", ""));
}

TEST_F(SiteTraversalTest, OneFileUnderSeveralNamesIsOnePage) {
    writePage("index.htm", page("0", "<A HREF=\"./a.htm\">1</A><A HREF=\"sub/../a.htm\">2</A>"
                                     "<A HREF=\"sub//b.htm\">3</A><A HREF=\"link.htm\">4</A>"
                                     "<A HREF=\"alias/b.htm\">5</A><A HREF=\"alias/c.htm\">6</A>"));
    writePage("a.htm", page("A", ""));
    writePage("sub/b.htm", page("B", "<A HREF=\"../index.htm\">top</A>"));
    writePage("sub/c.htm", page("C", ""));
    fs::create_symlink("a.htm", site("link.htm"));
    fs::create_symlink("sub", site("alias"));
    apply();
    // A page found through a folder link is read and replaced in the real folder.
    EXPECT_EQ(enteredRelative(),
              (std::vector<std::string>{"index.htm", "a.htm", "sub/b.htm", "alias/c.htm"}));
    EXPECT_TRUE(fs::is_symlink(site("alias")));
    EXPECT_EQ(pageText("sub/c.htm"), applied("C", "", {{"M0", "../index.htm"}, {"MC", ""}}));
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
    EXPECT_EQ(pageText("a.htm"), applied("A", "", {{"M0", "index.htm"}, {"MA", ""}}));
    EXPECT_NE(pageText("sub/b.htm").find("<A HREF=\"../index.htm\">"), std::string::npos);
}

TEST_F(SiteTraversalTest, ASymbolicLinkInsideTheSiteStaysALink) {
    writePage("index.htm", page("0", "<A HREF=\"alias.htm\">1</A>"));
    writePage("real/page.htm", page("R", ""));
    fs::create_symlink("real/page.htm", site("alias.htm"));
    apply();
    EXPECT_TRUE(fs::is_symlink(site("alias.htm")));
    EXPECT_EQ(pageText("real/page.htm"), applied("R", "", {{"M0", "index.htm"}, {"MR", ""}}));
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
}

TEST_F(SiteTraversalTest, APageWithoutTitleLineShowsItsOwnNameNotASiblingsTitle) {
    writePage("index.htm", page("0", "<A HREF=\"a.htm\">a</A><A HREF=\"sub/b&amp;c.htm\">b</A>"
                                     "<A HREF=\"alias.htm\">c</A>"));
    writePage("a.htm", page("A", ""));
    writePage("sub/b&amp;c.htm", "<BODY>\r\n");
    writePage("real/page.htm", "<BODY>\r\n");
    fs::create_symlink("real/page.htm", site("alias.htm"));
    apply();
    EXPECT_EQ(
        pageText("sub/b&amp;c.htm"),
        "<BODY>\r\n" +
            joinLines(plainBlock({{"M0", "../index.htm"}, {"Mb&amp;amp;c.htm", ""}}), "\r\n"));
    EXPECT_EQ(pageText("real/page.htm"),
              "<BODY>\r\n" +
                  joinLines(plainBlock({{"M0", "index.htm"}, {"Malias.htm", ""}}), "\r\n"));
}

// With blocks at both body tags, a title between them shows in the second block only.
TEST_F(SiteTraversalTest, EachBlockShowsTheTitleAsItStandsThere) {
    options.insertAtTop = options.insertAtBottom = true;
    writePage("index.htm", "<HTML><BODY>\r\n<TITLE>Late</TITLE>\r\n</BODY></HTML>\r\n");
    apply();
    const std::string text = pageText("index.htm");
    const std::size_t first = text.find(joinLines(plainBlock({{"Mindex.htm", ""}}), "\r\n"));
    const std::size_t second = text.find(joinLines(plainBlock({{"MLate", ""}}), "\r\n"));
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second);
}

TEST_F(SiteTraversalTest, TitleImagesAreReadFromTheFolderOfThePageDeclaringThem) {
    auto imagePage = [](const std::string& address, const std::string& link) {
        return "<TITLE>t</TITLE><!--TITLEIMG=\"" + address + "\"-->\r\n<BODY>\r\n<A HREF=\"" +
               link + "\">n</A>\r\n";
    };
    writePage("index.htm", imagePage("img/t.gif", "products/index.htm"));
    writePage("products/index.htm", imagePage("../img/a.gif", "soft/x.htm"));
    writePage("products/soft/x.htm", imagePage("./i/../x.gif", "y.htm"));
    writePage("products/soft/y.htm", imagePage("data:image/gif;base64,R0lG", "z.htm"));
    writePage("products/soft/z.htm", imagePage("/abs/z.gif", "w.htm"));
    writePage("products/soft/w.htm", imagePage("http://e.example/w.gif", "none.htm"));
    apply();
    EXPECT_NE(pageText("index.htm").find("<IMG SRC=\"img/t.gif\""), std::string::npos);
    EXPECT_NE(pageText("products/index.htm").find("<IMG SRC=\"../img/t.gif\""), std::string::npos);
    EXPECT_NE(pageText("products/index.htm").find("<IMG SRC=\"../img/a.gif\""), std::string::npos);
    const std::string deep = pageText("products/soft/w.htm");
    for (const char* address :
         {"../../img/t.gif", "../../img/a.gif", "../../products/soft/x.gif",
          "data:image/gif;base64,R0lG", "/abs/z.gif", "http://e.example/w.gif"})
        EXPECT_NE(deep.find("<IMG SRC=\"" + std::string(address) + "\""), std::string::npos)
            << address;
}

TEST_F(SiteTraversalTest, TheStyleFolderIsCopiedWithoutItsStyleFile) {
    dir.write("lib/Std/arrow.gif", "GIF89a");
    dir.write("lib/Std/sub/deep.gif", "GIF89a");
    writePage("quibrel/Std.sty", "stale");
    writePage("quibrel/mine.gif", "kept");
    writePage("index.htm", page("0", ""));
    apply();
    EXPECT_EQ(pageText("quibrel/arrow.gif"), "GIF89a");
    EXPECT_EQ(pageText("quibrel/sub/deep.gif"), "GIF89a");
    EXPECT_EQ(pageText("quibrel/mine.gif"), "kept");
    EXPECT_FALSE(fs::exists(site("quibrel/Std.sty")));
}

TEST_F(SiteTraversalTest, TitlesTravelAsCharactersBetweenEncodings) {
    const TextCodec& sjis = cp932();
    writePage("index.htm", *sjis.encode("<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" "
                                        "CONTENT=\"text/html; charset=Shift_JIS\">"
                                        "<TITLE>ソ表能</TITLE></HEAD>\r\n<BODY>\r\n"
                                        "<A HREF=\"u.htm\">u</A>\r\n</BODY></HTML>\r\n",
                                        Unencodable::Fail));
    writePage("u.htm", "<meta charset=\"utf-8\"><title>子</title>\n<body>\n</body>\n");
    writePage("w.htm", "<meta charset=\"iso-8859-1\"><title>caf\xE9</title>\n<body>\n</body>\n");
    apply();
    std::string child = readPage("u.htm");
    EXPECT_NE(child.find("<A HREF=\"index.htm\"><FONT COLOR=\"#000000\">ソ表能</FONT>"),
              std::string::npos);
    std::string top = sjis.decode(readPage("index.htm"));
    EXPECT_NE(top.find(">ソ表能</FONT>"), std::string::npos);
    EXPECT_NE(top.find(kStartMarker), std::string::npos);

    // A windows-1252 page holds the markers as references, and a second run replaces them.
    apply("w.htm");
    std::string once = readPage("w.htm");
    EXPECT_NE(once.find("<!--&#12477;&#12523;&#12499;&#12490;(https://solvina.example/)-->"),
              std::string::npos);
    EXPECT_NE(once.find(">caf\xE9</FONT>"), std::string::npos);
    apply("w.htm");
    EXPECT_EQ(readPage("w.htm"), once);

    // A character CP932 would write as another one's bytes goes into a Shift_JIS page as a
    // reference.
    writePage("v.htm", "<meta charset=\"utf-8\"><title>価格¥1000</title>\n<body>\n"
                       "<A HREF=\"s.htm\">s</A>\n</body>\n");
    writePage("s.htm", "<meta charset=\"shift_jis\">\n<body>\n</body>\n");
    apply("v.htm");
    EXPECT_NE(readPage("s.htm").find(">" + *sjis.encode("価格", Unencodable::Fail) +
                                     "&#165;1000</FONT></A>"),
              std::string::npos);
}

TEST_F(SiteTraversalTest, ARunRecordsAtMost1001Pages) {
    std::string links;
    for (int i = 1; i <= 1002; ++i) {
        std::string name = "p" + std::to_string(i) + ".htm";
        writePage(name, "<body>\n");
        links += "<A HREF=\"" + name + "\">x</A>\n";
    }
    writePage("index.htm", "<body>\n" + links);
    auto summary = apply();
    EXPECT_EQ(summary.pagesEntered, 1001);
    EXPECT_EQ(reporter.failures.size(), 2u); // the 1002nd and 1003rd page reached
    EXPECT_EQ(pageText("p1001.htm"), "<body>\n");
    EXPECT_NE(pageText("p1000.htm"), "<body>\n");

    // A second run from the same dialog counts its own pages only.
    ScriptedDialogs dialogs;
    ApplyEnvironment env{*fileSystem, style, styleFolder, reporter};
    reporter.failures.clear();
    options.topPagePath = site("p1.htm");
    auto again = startApply(dialogs, options, state, env);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->pagesEntered, 1);
    EXPECT_TRUE(reporter.failures.empty());
}

TEST_F(SiteTraversalTest, APageAtLevel101FailsAndStaysAsItWas) {
    for (int i = 0; i <= 101; ++i) {
        std::string name = i == 0 ? "index.htm" : "l" + std::to_string(i) + ".htm";
        writePage(name, "<body>\n<A HREF=\"l" + std::to_string(i + 1) + ".htm\">n</A>\n");
    }
    auto summary = apply();
    EXPECT_EQ(summary.pagesEntered, 102);
    EXPECT_EQ(reporter.failures.size(), 1u);
    EXPECT_EQ(pageText("l101.htm"), "<body>\n<A HREF=\"l102.htm\">n</A>\n");
    EXPECT_NE(pageText("l100.htm").find(kEndMarker), std::string::npos);
}

// A page whose pass waits for the pages below it lends its open file to them once the chain is
// deep: it reads on from where it stopped (its block lands where it belongs), fails when it
// changed meanwhile, and a chain of 5000 pages fits in 256 open files.
TEST_F(SiteTraversalTest, DeepChainsKeepAFewFilesOpen) {
    const auto name = [](int i) { return "c" + std::to_string(i) + ".htm"; };
    constexpr int kShort = 40;
    for (int i = 0; i < kShort; ++i)
        writePage(name(i), "<title>T" + std::to_string(i) + "</title>\n<A HREF=\"" + name(i + 1) +
                               "\">n</A>\n<body>\nx\n");
    struct ChangingReporter : RecordingReporter {
        std::function<void(const std::string&)> onEntered;
        void pageEntered(const std::string& path) override {
            RecordingReporter::pageEntered(path);
            onEntered(path);
        }
    } changing;
    changing.onEntered = [&](const std::string& path) {
        if (path == site(name(30)))
            writePage(name(1), "<title>changed</title>\n");
    };
    ApplyEnvironment env{*fileSystem, style, styleFolder, changing};
    options.topPagePath = site(name(0));
    state.reset();
    runApply(options, state, env);
    EXPECT_EQ(changing.failures,
              std::vector<std::string>{"ページを読んでいる間にページが変わりました。（" +
                                       site(name(1)) + "）"});
    EXPECT_EQ(readPage(name(1)), "<title>changed</title>\n");
    for (int i : {0, 2, 20, kShort - 1}) {
        std::vector<Crumb> chain;
        for (int k = 0; k <= i; ++k)
            chain.push_back({"MT" + std::to_string(k), k < i ? name(k) : ""});
        EXPECT_EQ(pageText(name(i)), "<title>T" + std::to_string(i) + "</title>\n<A HREF=\"" +
                                         name(i + 1) + "\">n</A>\n<body>\n" +
                                         joinLines(plainBlock(chain), "\n") + "x\n")
            << i;
    }

    constexpr int kLong = 5000;
    for (int i = 0; i < kLong; ++i)
        writePage("deep/" + name(i), "<body>\n<A HREF=\"" + name(i + 1) + "\">n</A>\n");
    options.eraseAll = true; // the blocks of such a chain would grow with the square of its depth
    options.maxPages = 0;
    options.maxLevel = 0;
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limited), 0);
    reporter.entered.clear();
    const ApplyRunSummary summary = apply("deep/" + name(0));
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(summary.pagesEntered, kLong);
    EXPECT_EQ(reporter.failures, std::vector<std::string>{});
    EXPECT_EQ(reporter.entered.back(), site("deep/" + name(kLong - 1)));
}

// A long line is read in pieces, and pages are written beside the planning on a second processor;
// a run comes to what it comes to holding every line whole, or writing every page after the
// planning on one thread: the corpus sites as they are and with their line ends taken out, and a
// chain deeper than the pages kept open whose links stand mid-line, the top page's old block on
// its one line, the last page's after text longer than the block, one past the file's first
// reads, a page's exclusion marker after the body tag it acts on.
TEST_F(SiteTraversalTest, ReadingInPiecesAndWritingBesideThePlanningChangeNothing) {
    std::vector<std::string> tops{"chain/c0.htm"};
    for (int i = 0; i < 40; ++i) {
        const std::string filler = "<p>" + std::string(50 + i, 'x') + "</p><a href=\"#\">y</a>";
        const std::size_t textBeforeBlock = i == 39 ? 300 : i == 20 ? 150 * 1024 : 0;
        writePage("prepared/chain/c" + std::to_string(i) + ".htm",
                  "<html><title>T" + std::to_string(i) + "</title><body>" +
                      (i == 0 || i == 20 || i == 39 ? std::string(textBeforeBlock, 'k') +
                                                          kStartMarker + "<p>old</p>" + kEndMarker
                                                    : "") +
                      (i == 3 ? "<!--NOTQUIBREL-->" : "") + filler + "<A HREF=\"c" +
                      std::to_string(i + 1) + ".htm\">n</A>" + filler + "</body></html>");
    }
    const std::string corpus = SOLVINA_CORPUS_DIR;
    for (const auto& [folder, top] : {std::pair{"teraterm-ja", "index.html"},
                                      {"hsp-manual", "index.htm"},
                                      {"oi-kochi-web", "oikochiindex.en.html"},
                                      {"diveintohtml5", "index.html"}}) {
        if (!fs::is_directory(corpus + "/" + folder))
            continue;
        fs::copy(corpus + "/" + folder + "/site", site(std::string("prepared/") + folder),
                 fs::copy_options::recursive);
        tops.push_back(std::string(folder) + "/" + top);
    }
    for (const auto& entry : fs::recursive_directory_iterator(site("prepared")))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);

    // Every page, the pages entered and the failures of runs from each top page.
    const auto runAll = [&](const std::string& folder) {
        fs::remove_all(site(folder));
        fs::copy(site("prepared"), site(folder), fs::copy_options::recursive);
        std::string outcome;
        for (const std::string& top : tops) {
            reporter = {};
            apply(folder + "/" + top);
            for (const std::string& path : reporter.entered)
                outcome += "entered " + path.substr(site(folder).size()) + "\n";
            for (const std::string& failure : reporter.failures)
                outcome += "failed " + failure.substr(failure.find(folder)) + "\n";
        }
        for (const auto& entry : fs::recursive_directory_iterator(site(folder)))
            if (entry.is_regular_file())
                outcome += entry.path().string().substr(site(folder).size()) + "\n" +
                           TempDir::readFile(entry.path()) + "\n";
        return outcome;
    };
    // As they are, blocks at the end tags only; then as one line each, blocks at the start tags.
    for (const bool oneLine : {false, true}) {
        if (oneLine)
            for (const auto& entry : fs::recursive_directory_iterator(site("prepared")))
                if (entry.path().extension().string().starts_with(".htm")) {
                    std::string page = TempDir::readFile(entry.path());
                    std::erase_if(page, [](char c) { return c == '\r' || c == '\n'; });
                    std::ofstream(entry.path(), std::ios::binary | std::ios::trunc) << page;
                }
        options.insertAtTop = oneLine;
        options.insertAtBottom = !oneLine;
        options.hierarchy = oneLine ? Hierarchy::Order : Hierarchy::Shortest;
        options.longLine = kLongLine;
        const std::string whole = runAll("whole");
        options.longLine = 61;
        EXPECT_EQ(runAll("pieces"), whole) << oneLine;
        EXPECT_NE(whole.find("entered /chain/c39.htm"), std::string::npos);
        options.longLine = kLongLine;
        FaultyFileSystem oneThread(nativeFileSystem()); // allows no concurrent use
        fileSystem = &oneThread;
        EXPECT_EQ(runAll("one-thread"), whole) << oneLine;
        fileSystem = &nativeFileSystem();
    }
}

} // namespace
} // namespace solvina::test_support
