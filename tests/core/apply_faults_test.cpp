// The disk failing under a run: pages that cannot be read, temporary files that cannot be made
// or filled, replacements refused, pages vanishing. A page is always whole, old or new.
#include "apply_fixture.h"

#include "platform/file_failure.h"
#include "support/faulty_file_system.h"

#include <filesystem>
#include <sys/stat.h>

namespace solvina::testing {
namespace {

namespace fs = std::filesystem;

const std::string kTopPage = "<HTML><TITLE>T</TITLE>\r\n<BODY>\r\n<A HREF=\"a.htm\">a</A>\r\n";
const std::string kPageA = "<HTML><TITLE>A</TITLE>\r\n<BODY>\r\n<A HREF=\"b.htm\">b</A>\r\n"
                           "<P>" +
                           std::string(200000, 'a') + "</P>\r\n</BODY>\r\n";
const std::string kPageB = "<BODY>\r\n<P>b</P>\r\n";

class ApplyFaultsTest : public ApplyFixture {
protected:
    ApplyFaultsTest() : faulty(nativeFileSystem()) {
        writePage("index.htm", kTopPage);
        writePage("a.htm", kPageA);
        writePage("b.htm", kPageB);
    }

    ApplyRunSummary applyThroughFaults() {
        options.topPagePath = site("index.htm");
        ApplyEnvironment env{faulty, style, styleFolder, reporter};
        state.reset();
        return runApply(options, state, env);
    }

    bool rewritten(const std::string& page) const {
        return pageText(page).find(kEndMarker) != std::string::npos;
    }

    FaultyFileSystem faulty;
};

// Failures after the pass began: the message, the page as it was, no temporary file left;
// the pages below it were treated meanwhile and the rest of the run goes on.
TEST_F(ApplyFaultsTest, FailuresWhileWritingKeepThePageAndReportIt) {
    const struct {
        const char* name;
        void (*inject)(FaultyFileSystem&);
        std::string description;
        bool linksFollowed = true; // the failure came after the line with the link
    } cases[] = {
        {"disk full while the temporary file is written",
         [](FaultyFileSystem& f) {
             f.writeFault = {"a.htm.tmp", ENOSPC};
             f.writeBudget = 70000;
         },
         kDiskFullText},
        {"disk full before the first byte",
         [](FaultyFileSystem& f) {
             f.writeFault = {"a.htm.tmp", ENOSPC};
             f.writeBudget = 0;
         },
         kDiskFullText, false},
        {"disk full reported when the temporary file is closed",
         [](FaultyFileSystem& f) {
             f.closeFault = {"a.htm.tmp", ENOSPC};
         },
         kDiskFullText},
        {"input-output error on close",
         [](FaultyFileSystem& f) {
             f.closeFault = {"a.htm.tmp", EIO};
         },
         kInputOutputText},
        {"replacement refused",
         [](FaultyFileSystem& f) {
             f.replaceFault = {"/a.htm", EACCES};
         },
         ""},
        {"replacement over a page on a read-only disk",
         [](FaultyFileSystem& f) {
             f.replaceFault = {"/a.htm", EROFS};
         },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writePage("a.htm", kPageA);
        writePage("b.htm", kPageB);
        reporter.failures.clear();
        faulty.clearFaults();
        c.inject(faulty);
        applyThroughFaults();
        ASSERT_EQ(reporter.failures.size(), 1u);
        EXPECT_NE(reporter.failures[0].find(c.description), std::string::npos)
            << reporter.failures[0];
        EXPECT_EQ(readPage("a.htm"), kPageA);
        EXPECT_FALSE(fs::exists(site("a.htm.tmp")));
        EXPECT_EQ(rewritten("b.htm"), c.linksFollowed);
        EXPECT_TRUE(rewritten("index.htm"));
    }
}

// A page that cannot be opened, or whose temporary file cannot be made, is passed over without
// a message; nothing of it is read, so the pages only it links to are not reached.
TEST_F(ApplyFaultsTest, PagesThatCannotBeOpenedArePassedOverSilently) {
    const struct {
        const char* name;
        void (*inject)(FaultyFileSystem&);
    } cases[] = {
        {"page not readable",
         [](FaultyFileSystem& f) {
             f.openFault = {"/a.htm", EACCES};
         }},
        {"page read fails with an input-output error",
         [](FaultyFileSystem& f) {
             f.openFault = {"/a.htm", EIO};
         }},
        {"folder takes no new file",
         [](FaultyFileSystem& f) {
             f.createFault = {"a.htm.tmp", EACCES};
         }},
        {"no room for a new file",
         [](FaultyFileSystem& f) {
             f.createFault = {"a.htm.tmp", ENOSPC};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writePage("index.htm", kTopPage);
        reporter.failures.clear();
        faulty.clearFaults();
        c.inject(faulty);
        applyThroughFaults();
        EXPECT_TRUE(reporter.failures.empty());
        EXPECT_EQ(readPage("a.htm"), kPageA);
        EXPECT_EQ(readPage("b.htm"), kPageB);
        EXPECT_FALSE(fs::exists(site("a.htm.tmp")));
        EXPECT_TRUE(rewritten("index.htm"));
    }
}

// The page is there when its link is tested and gone when it is opened (a page without a
// declaration is opened twice: once to decide its encoding, once for the pass).
TEST_F(ApplyFaultsTest, APageThatVanishesBeforeItIsOpenedIsPassedOver) {
    for (int vanishAtOpening : {1, 2}) {
        SCOPED_TRACE(vanishAtOpening);
        writePage("index.htm", kTopPage);
        writePage("a.htm", kPageA);
        reporter.failures.clear();
        faulty.clearFaults();
        int openings = 0;
        const std::string page = site("a.htm");
        faulty.beforeOpen = [&](const std::string& path) {
            if (path == page && ++openings == vanishAtOpening)
                fs::remove(page);
        };
        applyThroughFaults();
        EXPECT_TRUE(reporter.failures.empty());
        EXPECT_FALSE(fs::exists(page));
        EXPECT_FALSE(fs::exists(page + ".tmp"));
        EXPECT_TRUE(rewritten("index.htm"));
    }
}

// A read-only page is the site owner's "do not touch": the replacement is refused with the
// message and the page keeps its bytes and its permission bits (also for root).
TEST_F(ApplyFaultsTest, AReadOnlyPageIsNotReplaced) {
    ASSERT_EQ(::chmod(site("a.htm").c_str(), 0444), 0);
    applyThroughFaults();
    ASSERT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(reporter.failures[0].find(site("a.htm")), std::string::npos);
    EXPECT_EQ(readPage("a.htm"), kPageA);
    EXPECT_FALSE(fs::exists(site("a.htm.tmp")));
    EXPECT_EQ(fs::status(site("a.htm")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(rewritten("b.htm"));
    EXPECT_TRUE(rewritten("index.htm"));
}

// The quibrel folder cannot be filled: the top page fails and the run ends there.
TEST_F(ApplyFaultsTest, AFailedStyleCopyEndsTheRunBeforeAnyPageChanges) {
    faulty.copyFolderFault = {"/quibrel", ENOSPC};
    applyThroughFaults();
    ASSERT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(reporter.failures[0].find(kDiskFullText), std::string::npos);
    EXPECT_EQ(readPage("index.htm"), kTopPage);
    EXPECT_EQ(readPage("a.htm"), kPageA);
    EXPECT_FALSE(fs::exists(site("index.htm.tmp")));
}

} // namespace
} // namespace solvina::testing
