// Sites built to hurt: bytes that are no text, broken encodings, odd files behind links, links
// that loop or lead out of the site, planted symbolic links where the run writes.
#include "apply_fixture.h"

#include "apply/page_codec.h"

#include <filesystem>
#include <sys/stat.h>

namespace solvina::testing {
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
    std::vector<std::string> leftoverTemporaryFiles() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(site("")))
            if (entry.path().extension() == ".tmp")
                found.push_back(entry.path().string());
        return found;
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
        const std::string original = c.before + "<BODY>\r\n" + c.after;
        writePage("index.htm", original);
        auto applied = apply();
        EXPECT_EQ(applied.failures, 0) << c.name;
        std::string withBlock = readPage("index.htm");
        EXPECT_NE(withBlock, original) << c.name << ": no block written";
        EXPECT_EQ(withBlock.compare(0, c.before.size(), c.before), 0) << c.name;
        auto erased = erase();
        EXPECT_EQ(erased.failures, 0) << c.name;
        EXPECT_EQ(readPage("index.htm"), original) << c.name;
        EXPECT_TRUE(leftoverTemporaryFiles().empty()) << c.name;
        reporter.failures.clear();
    }
}

// Pages that are no text at all keep every byte when they hold no body tag.
TEST_F(ApplyHostileTest, BinaryFilesNamedHtmKeepTheirBytes) {
    std::string everyByte;
    for (int round = 0; round < 4; ++round)
        for (int b = 0; b < 256; ++b)
            everyByte += static_cast<char>((b * 7 + round) & 0xFF);
    const std::string gif = std::string("GIF89a\x01\0\x01\0\x80\0\0\xFF\xFF\xFF\0\0\0!", 20);
    const std::string utf16 = std::string("\xFF\xFE<\0B\0O\0D\0Y\0>\0", 14);
    writePage("index.htm", "<body>\n<A HREF=\"bin.htm\">b</A><A HREF=\"gif.htm\">g</A>"
                           "<A HREF=\"u16.htm\">u</A><A HREF=\"empty.htm\">e</A>\n");
    writePage("bin.htm", everyByte);
    writePage("gif.htm", gif);
    writePage("u16.htm", utf16);
    writePage("empty.htm", "");
    apply();
    EXPECT_EQ(readPage("bin.htm"), everyByte);
    EXPECT_EQ(readPage("gif.htm"), gif);
    EXPECT_EQ(readPage("u16.htm"), utf16);
    EXPECT_EQ(readPage("empty.htm"), "");
    EXPECT_EQ(reporter.failures.size(), 1u); // the UTF-16 page is reported, not rewritten
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
        writePage("index.htm", c.page);
        reporter.failures.clear();
        apply();
        EXPECT_EQ(reporter.failures.size(), 1u) << c.name;
        EXPECT_EQ(readPage("index.htm"), c.page) << c.name;
        EXPECT_TRUE(leftoverTemporaryFiles().empty()) << c.name;
    }
}

// Links to things that are no regular file inside the site are passed over without a message
// and without blocking; a link loop never makes the run treat a page twice.
TEST_F(ApplyHostileTest, LinksToOddFilesAndLoopsArePassedOver) {
    const std::string outsidePage = "<body>\n<p>outside</p>\n";
    dir.write("outside.htm", outsidePage);
    fs::create_directories(site(""));
    ASSERT_EQ(::mkfifo(site("fifo.htm").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", site("zero.htm"));
    fs::create_symlink("/dev/null", site("null.htm"));
    fs::create_directories(site("folder.htm"));
    fs::create_symlink("self.htm", site("self.htm"));
    fs::create_symlink("ping.htm", site("pong.htm"));
    fs::create_symlink("pong.htm", site("ping.htm"));
    fs::create_symlink("dangling-target.htm", site("dangling.htm"));
    fs::create_symlink(".", site("here"));    // here/here/here/... is the top folder
    fs::create_symlink("..", site("sub-up")); // leads out of the site
    fs::create_symlink(dir / "outside.htm", site("out.htm")); // a link to a page outside
    writePage("a.htm", "<body>\n<A HREF=\"here/here/index.htm\">top</A>"
                       "<A HREF=\"here/a.htm\">me</A><A HREF=\"./here/./a.htm\">me</A>\n");
    writePage(
        "index.htm",
        "<body>\n<A HREF=\"fifo.htm\">1</A><A HREF=\"zero.htm\">2</A><A HREF=\"null.htm\">3</A>"
        "<A HREF=\"folder.htm\">4</A><A HREF=\"self.htm\">5</A><A HREF=\"ping.htm\">6</A>"
        "<A HREF=\"dangling.htm\">7</A><A HREF=\"sub-up/outside.htm\">8</A>"
        "<A HREF=\"out.htm\">9</A><A HREF=\"../outside.htm\">10</A><A HREF=\"" +
            dir.path() +
            "outside.htm\">11</A><A HREF=\"a.htm\">12</A>"
            "<A HREF=\"here/here/here/a.htm\">13</A>\n");
    apply();
    EXPECT_EQ(reporter.entered, (std::vector<std::string>{site("index.htm"), site("a.htm")}));
    EXPECT_TRUE(reporter.failures.empty());
    EXPECT_EQ(dir.read("outside.htm"), outsidePage);
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
    EXPECT_EQ(readPage("a.htm"), "<body>\n<p>a</p>\n"); // passed over: no temporary file
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
} // namespace solvina::testing
