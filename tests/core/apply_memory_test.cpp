// The memory a run takes, measured on the real solvina-cli: a page of many lines costs a line,
// not the page; one line of 50 MiB is read in pieces and costs no more.
#include "support/cli_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace solvina::test_support {
namespace {

constexpr long kMiB = 1024 * 1024;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

struct RunResult {
    int exitCode = -1;
    long peakKiB = 0;
};

RunResult runCli(std::vector<std::string> args) {
    RunResult result;
    pid_t child = startCli(std::move(args));
    if (child < 0)
        return result;
    struct rusage usage {};
    int status = waitForCli(child, &usage);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakKiB = usage.ru_maxrss;
    return result;
}

class ApplyMemoryTest : public testing::Test {
protected:
    ApplyMemoryTest() {
        dir.write("lib/Std/Std.sty",
                  TempDir::readFile(SOLVINA_TEST_DATA_DIR "/styles/Std/Std.sty"));
    }
    // The page is written piece by piece: a process started from this one counts this one's
    // peak as its own, so this one stays small.
    RunResult apply(const std::string& head, const std::string& piece, long repeat,
                    const std::string& tail) {
        {
            std::ofstream page(dir / "site/index.htm", std::ios::binary | std::ios::trunc);
            page << head;
            for (long i = 0; i < repeat; ++i)
                page << piece;
            page << tail;
        }
        return runCli({"apply", "--library", dir / "lib", "--style", "Std", "--bottom",
                       dir / "site/index.htm"});
    }
    TempDir dir;
};

TEST_F(ApplyMemoryTest, PeakMemoryDoesNotGrowWithThePage) {
    dir.write("site/.keep", "");
    // The same program on a small page: what the process costs before any page.
    const RunResult small = apply("<body>\n", "", 0, "</body>\n");
    ASSERT_EQ(small.exitCode, 0);

    const std::string shortLine =
        "<p>a short line, <A HREF=\"none.htm\">a link</A>, \x83\x5C</p>\n";
    const RunResult manyLines =
        apply("<body>\n", shortLine, 64 * kMiB / shortLine.size(), "</body>\n");
    ASSERT_EQ(manyLines.exitCode, 0);
    if (kSanitized)
        GTEST_SKIP() << "AddressSanitizer keeps freed memory aside: peaks say nothing here";
    EXPECT_LT(manyLines.peakKiB - small.peakKiB, 16 * 1024)
        << "a 64 MiB page of short lines took " << manyLines.peakKiB << " KiB";

    const long lineSize = 50 * kMiB;
    const std::string piece = "<A HREF=\"x.gif\">\x83\x5C</A><a href=\"y.htm#\">z</a>";
    const RunResult oneLine = apply("<body>\n<p>", piece, lineSize / piece.size(), "</body>\n");
    ASSERT_EQ(oneLine.exitCode, 0);
    EXPECT_LT(oneLine.peakKiB - small.peakKiB, 16 * 1024)
        << "a 50 MiB line took " << oneLine.peakKiB << " KiB";
    // A whole page on one line, an old block after its body tag.
    const RunResult minified =
        apply("<html><head><title>t</title></head><body><!--\x83\x5C\x83\x8B\x83\x72\x83\x69("
              "https://solvina.example/)--><p>old</p><!--\x83\x5C\x83\x8B\x83\x72\x83\x69"
              "\x82\xB1\x82\xB1\x82\xDC\x82\xC5-->",
              piece, lineSize / piece.size(), "</body></html>");
    ASSERT_EQ(minified.exitCode, 0);
    EXPECT_LT(minified.peakKiB - small.peakKiB, 16 * 1024)
        << "a 50 MiB page as one line took " << minified.peakKiB << " KiB";
    // Text without a tag for all of its 50 MiB.
    const std::string words = "\x83\x5C\x83\x8B\x83\x72\x83\x69 text ";
    const RunResult text = apply("<body><p>", words, lineSize / words.size(), "</p></body>");
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_LT(text.peakKiB - small.peakKiB, 16 * 1024)
        << "50 MiB of text on one line took " << text.peakKiB << " KiB";
    std::cout << "peak KiB: small page " << small.peakKiB << ", 64 MiB of short lines "
              << manyLines.peakKiB << ", one 50 MiB line " << oneLine.peakKiB
              << ", a 50 MiB page as one line " << minified.peakKiB << ", 50 MiB of text "
              << text.peakKiB << "\n";
}

} // namespace
} // namespace solvina::test_support
