// Sites built to hurt: bytes that are no text, broken encodings, odd files behind links, links
// that loop or lead out of the site, planted symbolic links where the run writes.
#include "apply_fixture.h"

#include "apply/page_codec.h"

#include <filesystem>
#include <sys/stat.h>

namespace solvina::test_support {
namespace {

namespace fs = std::filesystem;

class ApplyHostileTest : public ApplyFixture {
protected:
    ApplyRunSummary erase() {
        options.eraseAll = true;
        ApplyRunSummary summary = apply();
        options.eraseAll = false;
        return summary;
    }
};

// Whatever a page holds, apply then erase gives back its bytes when its body tag stands on a
// line of its own: the block goes in and comes out without touching a byte around it.
TEST_F(ApplyHostileTest, ApplyThenEraseGivesBackEveryByte) {
    const struct {
        const char* name;
        std::string before; // lines before the body tag line
        std::string after;  // lines after it
    } cases[] = {
        {"NUL bytes", std::string("<title>a\0b</title>\r\n", 20), std::string("x\0\0y\r\n", 6)},
        {"bytes CP932 never uses", "<title>\xFD\xFE\xFF</title>\r\n", "\x80\xA0\r\n"},
        {"CP932 lead byte before a line end", "<title>\x83\r\n", "\x83\r\n\x83"},
        {"CP932 trail bytes that are backslash and quote", "<title>\x83\\\x95\\</title>\r\n",
         "<A HREF=\"\x83\\.htm\">\r\n"},
        {"declared UTF-8 with broken sequences",
         "<meta charset=\"utf-8\"><title>\xC0\xAF\xED\xA0\x80</title>\n", "\xF4\x90\x80\x80\xE3\n"},
        {"byte-order mark then broken UTF-8", "\xEF\xBB\xBF<title>\xE3\x81</title>\n",
         "\xFF\xFE\n"},
        {"declared windows-1252 with C1 bytes",
         "<meta charset=\"windows-1252\"><title>\x81\x8D\x8F\x90\x9D</title>\n", "\x80\x9F\n"},
        {"declared EUC-JP with broken pairs",
         "<meta charset=\"euc-jp\"><title>\xA4\xA2\xA4</title>\n", "\x8E\xFF\x8F\n"},
        {"mixed line ends and a last line without one", "<title>t</title>\r\r\n\n", "a\rb\nc"},
        {"lines of only CRs", "\r\r\r", "\r\r"},
    };
    for (const auto& c : cases) {
        for (Markup markup : {Markup::Table, Markup::Nav}) {
            SCOPED_TRACE(c.name);
            options.markup = markup;
            options.jsonLdBase = markup == Markup::Nav ? "https://example.com/" : "";
            const std::string original = c.before + "<BODY>\r\n" + c.after;
            writePage("index.htm", original);
            auto applied = apply();
            EXPECT_EQ(applied.failures, 0);
            std::string withBlock = readPage("index.htm");
            EXPECT_NE(withBlock, original) << "no block written";
            EXPECT_EQ(withBlock.compare(0, c.before.size(), c.before), 0);
            auto erased = erase();
            EXPECT_EQ(erased.failures, 0);
            EXPECT_EQ(readPage("index.htm"), original);
            EXPECT_TRUE(leftoverTemporaryFiles().empty());
            reporter.failures.clear();
        }
    }
}

// A site with blocks of one form gets the other form in their place, and back, byte for byte.
TEST_F(ApplyHostileTest, SwitchingFormsReplacesTheBlocks) {
    const std::string top =
        "<title>T</title>\r\n<body>\r\n<a href=\"a/b.htm\">b</a>\r\n</body>\r\n";
    const std::string deep = "<title>B</title>\r\n<body>\r\nb\r\n</body>\r\n";
    writePage("index.htm", top);
    writePage("a/b.htm", deep);
    options.insertAtBottom = true;
    ASSERT_EQ(apply().failures, 0);
    const std::string tableTop = readPage("index.htm");
    const std::string tableDeep = readPage("a/b.htm");
    options.markup = Markup::Nav;
    options.jsonLdBase = "https://example.com/";
    ASSERT_EQ(apply().failures, 0);
    for (const char* page : {"index.htm", "a/b.htm"}) {
        const std::string text = readPage(page);
        EXPECT_EQ(text.find("<TABLE"), std::string::npos) << page;
        std::size_t navs = 0;
        for (std::size_t at = 0; (at = text.find("<nav ", at)) != std::string::npos; ++at)
            ++navs;
        EXPECT_EQ(navs, 2U) << page;
    }
    options.markup = Markup::Table;
    options.jsonLdBase.clear();
    ASSERT_EQ(apply().failures, 0);
    EXPECT_EQ(readPage("index.htm"), tableTop);
    EXPECT_EQ(readPage("a/b.htm"), tableDeep);
    options.markup = Markup::Nav;
    ASSERT_EQ(apply().failures, 0);
    ASSERT_EQ(erase().failures, 0);
    EXPECT_EQ(readPage("index.htm"), top);
    EXPECT_EQ(readPage("a/b.htm"), deep);
}

// Pages that are no text at all keep every byte when they hold no body tag; pages in an
// encoding the run cannot write (UTF-16, ISO-2022-JP) are reported and keep every byte.
TEST_F(ApplyHostileTest, BinaryFilesAndUnsupportedEncodingsKeepTheirBytes) {
    std::string everyByte;
    for (int round = 0; round < 4; ++round)
        for (int b = 0; b < 256; ++b)
            everyByte += static_cast<char>((b * 7 + round) & 0xFF);
    const struct {
        const char* name;
        std::string bytes;
    } pages[] = {
        {"bin.htm", everyByte},
        {"gif.htm", std::string("GIF89a\x01\0\x01\0\x80\0\0\xFF\xFF\xFF\0\0\0!", 20)},
        {"empty.htm", ""},
        {"u16.htm", std::string("\xFF\xFE<\0B\0O\0D\0Y\0>\0", 14)},
        {"jis.htm", "<meta charset=\"iso-2022-jp\"><body>\n"},
    };
    std::string links;
    for (const auto& page : pages) {
        writePage(page.name, page.bytes);
        links += "<A HREF=\"" + std::string(page.name) + "\">x</A>";
    }
    writePage("index.htm", "<body>\n" + links + "\n");
    apply();
    for (const auto& page : pages)
        EXPECT_EQ(readPage(page.name), page.bytes) << page.name;
    EXPECT_EQ(reporter.failures.size(), 2u);
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
}

TEST_F(ApplyHostileTest, AStartMarkerWithoutEndMarkerLeavesThePageAsItWas) {
    const struct {
        const char* name;
        std::string page;
    } cases[] = {
        {"marker then lines", "<body>\r\n" + std::string(kStartMarker) + "\r\nold\r\nmore\r\n"},
        {"marker on the last line", "<body>\r\n<p>\r\n" + std::string(kStartMarker)},
        {"end marker before the start marker",
         "<body>\r\n" + std::string(kEndMarker) + "\r\n" + kStartMarker + "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writePage("index.htm", c.page);
        reporter.failures.clear();
        EXPECT_EQ(apply().failures, 1);
        ASSERT_EQ(reporter.failures.size(), 1u);
        EXPECT_NE(reporter.failures[0].find(site("index.htm")), std::string::npos);
        EXPECT_EQ(readPage("index.htm"), c.page);
        EXPECT_TRUE(leftoverTemporaryFiles().empty());
    }
}

// Links to things that are no page of the site are passed over without a message and without
// blocking; a link loop never makes the run treat a page twice; nothing outside is touched.
TEST_F(ApplyHostileTest, LinksToOddFilesLoopsAndPlacesOutsideArePassedOver) {
    const std::string outsidePage = "<body>\n<p>outside</p>\n";
    dir.write("outside.htm", outsidePage);
    dir.write("elsewhere/x.htm", outsidePage);
    fs::create_directories(site("folder.htm"));
    ASSERT_EQ(::mkfifo(site("fifo.htm").c_str(), 0644), 0);
    const struct {
        std::string href;
        std::string link; // when given, a symbolic link made in the site, pointing to target
        std::string target;
    } cases[] = {
        {"fifo.htm", "", ""},
        {"folder.htm", "", ""},
        {"zero.htm", "zero.htm", "/dev/zero"},
        {"null.htm", "null.htm", "/dev/null"},
        {"self.htm", "self.htm", "self.htm"},
        {"ping.htm", "ping.htm", "pong.htm"},
        {"pong.htm", "pong.htm", "ping.htm"},
        {"dangling.htm", "dangling.htm", "dangling-target.htm"},
        {"sub-up/outside.htm", "sub-up", ".."},
        {"out.htm", "out.htm", dir / "outside.htm"},
        {"linked/x.htm", "linked", dir / "elsewhere"},
        {"../outside.htm", "", ""},
        {dir / "outside.htm", "", ""},
        {"a.htm", "", ""},
        {"here/here/here/a.htm", "here", "."}, // here/here/... is the top folder
    };
    std::string links;
    for (const auto& c : cases) {
        if (!c.link.empty())
            fs::create_symlink(c.target, site(c.link));
        links += "<A HREF=\"" + c.href + "\">x</A>";
    }
    writePage("index.htm", "<body>\n" + links + "\n");
    writePage("a.htm", "<body>\n<A HREF=\"here/here/index.htm\">top</A>"
                       "<A HREF=\"here/a.htm\">me</A><A HREF=\"./here/./a.htm\">me</A>\n");
    apply();
    EXPECT_EQ(reporter.entered, (std::vector<std::string>{site("index.htm"), site("a.htm")}));
    EXPECT_TRUE(reporter.failures.empty());
    EXPECT_EQ(dir.read("outside.htm"), outsidePage);
    EXPECT_EQ(dir.read("elsewhere/x.htm"), outsidePage);
    EXPECT_TRUE(fs::is_fifo(site("fifo.htm")));
    EXPECT_TRUE(fs::is_symlink(site("zero.htm")));
    EXPECT_TRUE(fs::is_directory(site("folder.htm")));
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
}

// A temporary-file name that already stands as a link to a file outside the site must not
// carry the page's bytes there.
TEST_F(ApplyHostileTest, APlantedTemporaryFileLinkIsNeverWrittenThrough) {
    const std::string victim = "precious\n";
    dir.write("victim.txt", victim);
    writePage("index.htm", "<body>\n<A HREF=\"a.htm\">a</A>\n");
    writePage("a.htm", "<body>\n<p>a</p>\n");
    fs::create_symlink(dir / "victim.txt", site("a.htm.tmp"));
    apply();
    EXPECT_EQ(dir.read("victim.txt"), victim);
    EXPECT_TRUE(fs::is_symlink(site("a.htm.tmp")));
    EXPECT_EQ(readPage("a.htm"), "<body>\n<p>a</p>\n"); // no temporary file: not written
    EXPECT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(pageText("index.htm").find(kEndMarker), std::string::npos);
}

// A temporary file or an image of the quibrel folder that shares its bytes with a file outside
// the site (a hard link) gets a file of its own; the file outside keeps its bytes.
TEST_F(ApplyHostileTest, HardLinksOutOfTheSiteAreNotWrittenThrough) {
    const std::string victim = "precious\n";
    dir.write("victim.txt", victim);
    dir.write("other.gif", "other");
    dir.write("lib/Std/arrow.gif", "GIF89a");
    writePage("index.htm", "<body>\n<A HREF=\"a.htm\">a</A>\n");
    writePage("a.htm", "<body>\n<p>a</p>\n");
    fs::create_directories(site("quibrel"));
    fs::create_hard_link(dir / "victim.txt", site("a.htm.tmp"));
    fs::create_hard_link(dir / "other.gif", site("quibrel/arrow.gif"));
    apply();
    EXPECT_TRUE(reporter.failures.empty());
    EXPECT_EQ(dir.read("victim.txt"), victim);
    EXPECT_EQ(dir.read("other.gif"), "other");
    EXPECT_EQ(readPage("quibrel/arrow.gif"), "GIF89a");
    EXPECT_NE(pageText("a.htm").find(kEndMarker), std::string::npos);
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
}

// A page with several names is not rewritten (a new file would take one name only and part it
// from the others) but its links are followed; the run reports it.
TEST_F(ApplyHostileTest, APageWithSeveralNamesStaysOneFile) {
    const struct {
        const char* name;
        const char* topPage;
        std::string otherName;
    } cases[] = {
        {"second name in the site", "index.htm", site("b.htm")},
        {"second name outside the site", "index.htm", dir / "outside.htm"},
        {"top page with a second name", "a.htm", dir / "outside.htm"},
    };
    const std::string page = "<body>\n<A HREF=\"d.htm\">d</A>\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(site(""));
        fs::remove(dir / "outside.htm");
        writePage("index.htm", "<body>\n<A HREF=\"a.htm\">a</A><A HREF=\"b.htm\">b</A>\n");
        writePage("a.htm", page);
        writePage("d.htm", "<body>\n");
        fs::create_hard_link(site("a.htm"), c.otherName);
        reporter.failures.clear();
        EXPECT_EQ(apply(c.topPage).failures, 1);
        ASSERT_EQ(reporter.failures.size(), 1u);
        EXPECT_EQ(reporter.failures[0],
                  "このページには別の名前（ハードリンク）があります。（" + site("a.htm") + "）");
        EXPECT_EQ(readPage("a.htm"), page);
        EXPECT_EQ(fs::hard_link_count(site("a.htm")), 2u);
        EXPECT_TRUE(fs::equivalent(site("a.htm"), c.otherName));
        EXPECT_NE(pageText("d.htm").find(kEndMarker), std::string::npos);
        EXPECT_TRUE(leftoverTemporaryFiles().empty());
    }
}

// A quibrel folder that is a link out of the site refuses the run before anything is written.
TEST_F(ApplyHostileTest, AQuibrelLinkOutOfTheSiteIsRefused) {
    dir.write("lib/Std/arrow.gif", "GIF89a");
    dir.write("elsewhere/keep.txt", "kept");
    fs::create_directories(site(""));
    fs::create_symlink(dir / "elsewhere", site("quibrel"));
    const std::string top = "<body>\n<A HREF=\"a.htm\">a</A>\n";
    writePage("index.htm", top);
    writePage("a.htm", "<body>\n");
    apply();
    ASSERT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(reporter.failures[0].find(site("quibrel")), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "elsewhere/arrow.gif"));
    EXPECT_EQ(dir.read("elsewhere/keep.txt"), "kept");
    EXPECT_EQ(readPage("index.htm"), top);
    EXPECT_EQ(readPage("a.htm"), "<body>\n");
    EXPECT_TRUE(leftoverTemporaryFiles().empty());

    // A sub-folder of quibrel leading out of the site is refused the same way.
    fs::remove(site("quibrel"));
    dir.write("lib/Std/sub/deep.gif", "GIF89a");
    fs::create_directories(site("quibrel"));
    fs::create_symlink(dir / "elsewhere", site("quibrel/sub"));
    reporter.failures.clear();
    apply();
    ASSERT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(reporter.failures[0].find(site("quibrel/sub")), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "elsewhere/deep.gif"));
    EXPECT_EQ(readPage("index.htm"), top);

    // A link to a folder inside the site is a folder of the site like any other.
    fs::remove_all(site("quibrel"));
    fs::create_directories(site("images"));
    fs::create_symlink("images", site("quibrel"));
    reporter.failures.clear();
    apply();
    EXPECT_TRUE(reporter.failures.empty());
    EXPECT_EQ(readPage("images/arrow.gif"), "GIF89a");
}

} // namespace
} // namespace solvina::test_support
