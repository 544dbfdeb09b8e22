// The disk failing under a run: pages that cannot be read, temporary files that cannot be made
// or filled, replacements refused, pages vanishing. A page is always whole, old or new.
#include "apply_fixture.h"

#include "apply/run_undo.h"
#include "platform/file_failure.h"
#include "support/faulty_file_system.h"
#include "support/scripted_dialogs.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

namespace solvina::test_support {
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
        fileSystem = &faulty;
        writeSite();
    }
    void writeSite() {
        writePage("index.htm", kTopPage);
        writePage("a.htm", kPageA);
        writePage("b.htm", kPageB);
        reporter.failures.clear();
        faulty.clearFaults();
    }
    bool rewritten(const std::string& page) const {
        return pageText(page).find(kEndMarker) != std::string::npos;
    }

    FaultyFileSystem faulty;
};

using F = FaultyFileSystem;
const std::string kPage = "/a.htm";
const std::string kTmp = "a.htm.tmp";

// Whatever fails on page a.htm, it keeps its bytes and no temporary file is left; the rest of
// the run goes on. A failure of the writing is reported; the pages below were planned before any
// page was written. A page that cannot be opened is passed over without a message and unread.
// A page whose replacement was refused shares no file with the copy kept for undo.
TEST_F(ApplyFaultsTest, AFailingPageKeepsItsBytesAndTheRunGoesOn) {
    undo.folder = dir.path() + "state/";
    const struct {
        const char* name;
        F::Fault F::*which;
        F::Fault fault;
        std::size_t writeBudget;
        const char* description; // nullptr: passed over silently
        bool linksFollowed;
    } cases[] = {
        {"disk full mid-file", &F::writeFault, {kTmp, ENOSPC}, 70000, kDiskFullText, true},
        {"disk full at once", &F::writeFault, {kTmp, ENOSPC}, 0, kDiskFullText, true},
        {"disk full on close", &F::closeFault, {kTmp, ENOSPC}, 0, kDiskFullText, true},
        {"input-output error on close", &F::closeFault, {kTmp, EIO}, 0, kInputOutputText, true},
        {"replacement refused", &F::replaceFault, {kPage, EACCES}, 0, "", true},
        {"replacement on a read-only disk", &F::replaceFault, {kPage, EROFS}, 0, "", true},
        {"page not readable", &F::openFault, {kPage, EACCES}, 0, nullptr, false},
        {"page read fails", &F::openFault, {kPage, EIO}, 0, nullptr, false},
        {"folder takes no new file", &F::createFault, {kTmp, EACCES}, 0, kNotWritableText, true},
        {"no room for a new file", &F::createFault, {kTmp, ENOSPC}, 0, kDiskFullText, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeSite();
        faulty.*c.which = c.fault;
        faulty.writeBudget = c.writeBudget;
        apply();
        ASSERT_EQ(reporter.failures.size(), c.description ? 1u : 0u);
        if (c.description) {
            EXPECT_NE(reporter.failures[0].find(c.description), std::string::npos)
                << reporter.failures[0];
        }
        EXPECT_EQ(readPage("a.htm"), kPageA);
        EXPECT_EQ(fs::hard_link_count(site("a.htm")), 1u);
        EXPECT_TRUE(leftoverTemporaryFiles().empty());
        EXPECT_EQ(rewritten("b.htm"), c.linksFollowed);
        EXPECT_TRUE(rewritten("index.htm"));
    }
}

// The page is there when its link is tested and gone when it is opened (a page without a
// declaration is opened twice: once to decide its encoding, once for the pass).
TEST_F(ApplyFaultsTest, APageThatVanishesBeforeItIsOpenedIsPassedOver) {
    for (int vanishAtOpening : {1, 2}) {
        SCOPED_TRACE(vanishAtOpening);
        writeSite();
        int openings = 0;
        const std::string page = site("a.htm");
        faulty.beforeOpen = [&](const std::string& path) {
            if (path == page && ++openings == vanishAtOpening)
                fs::remove(page);
        };
        apply();
        EXPECT_TRUE(reporter.failures.empty());
        EXPECT_FALSE(fs::exists(page));
        EXPECT_TRUE(leftoverTemporaryFiles().empty());
        EXPECT_TRUE(rewritten("index.htm"));
    }
}

// A page edited between planning and writing keeps the edit: the blocks were placed by the
// bytes the plan read, so the page fails with the message instead of being rewritten. So does
// a page edited after its new content was written, before the renames, whether the pages were
// written on one thread or several.
TEST_F(ApplyFaultsTest, APageEditedAfterPlanningIsNotRewritten) {
    enum class When { WritingOpensIt, BeforeTheRenames };
    for (const auto& [when, concurrent] :
         {std::pair{When::WritingOpensIt, false}, std::pair{When::BeforeTheRenames, false},
          std::pair{When::BeforeTheRenames, true}}) {
        SCOPED_TRACE(concurrent);
        writeSite();
        faulty.concurrent = concurrent;
        undo.folder = dir.path() + "state/"; // the kept copy must not share the edited page
        std::string edited = kPageA;
        edited[edited.find("<P>") + 3] = 'e'; // same size: only the time of change tells
        const std::string page = site("a.htm");
        const auto edit = [&] {
            const auto planned = fs::last_write_time(page);
            writePage("a.htm", edited);
            fs::last_write_time(page, planned + std::chrono::seconds(1));
        };
        int openings = 0;
        if (when == When::WritingOpensIt)
            faulty.beforeOpen = [&](const std::string& path) {
                if (path == page && ++openings == 2)
                    edit();
            };
        else
            faulty.beforeSync = edit;
        apply();
        ASSERT_EQ(reporter.failures.size(), 1u);
        EXPECT_EQ(reporter.failures[0], "ページが計画の後に変わりました。（" + page + "）");
        EXPECT_EQ(readPage("a.htm"), edited);
        EXPECT_EQ(fs::hard_link_count(page), 1u);
        EXPECT_TRUE(rewritten("b.htm"));
        EXPECT_TRUE(leftoverTemporaryFiles().empty());
    }
}

// A page whose old file cannot be kept for undo: the run replaces nothing, and the old files
// of the other pages, kept already, do not stay behind as second names of the pages (the next
// run would refuse such pages). Pages written beside the planning or after it.
TEST_F(ApplyFaultsTest, ARunThatCannotKeepAPageReplacesNothing) {
    undo.folder = dir.path() + "state/";
    for (const bool concurrent : {false, true}) {
        SCOPED_TRACE(concurrent);
        writeSite();
        faulty.concurrent = concurrent;
        // Once the run's record is begun, the name b.htm would be kept under is taken.
        faulty.beforeOpen = [&](const std::string&) {
            for (const auto& run : fs::directory_iterator(undo.folder))
                if (fs::is_directory(run.path() / "pages") && !fs::exists(run.path() / "pages/2"))
                    std::ofstream(run.path() / "pages/2") << "";
        };
        apply();
        ASSERT_EQ(reporter.failures.size(), 1u);
        for (const char* name : {"index.htm", "a.htm", "b.htm"}) {
            EXPECT_FALSE(rewritten(name)) << name;
            EXPECT_EQ(fs::hard_link_count(site(name)), 1u) << name;
        }
        EXPECT_TRUE(leftoverTemporaryFiles().empty());
    }
}

// A run asked to stop (a signal) before its first rename reads no further page, removes what it
// wrote, keeps no page in its record and changes none; asked during the renames, it goes to its
// end.
TEST_F(ApplyFaultsTest, ARunAskedToStopBeforeItsRenamesChangesNoPage) {
    undo.folder = dir.path() + "state/";
    enum class When { Start, Planning, Writing, Sync, Renames };
    const struct {
        When when;
        bool concurrent;
    } cases[] = {{When::Start, false},   {When::Planning, false}, {When::Planning, true},
                 {When::Writing, false}, {When::Sync, true},      {When::Renames, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.when) * 2 + c.concurrent);
        writeSite();
        faulty.concurrent = c.concurrent;
        stopAsked = c.when == When::Start;
        std::set<std::string> opened; // by the planning; the writing opens them again
        int openedAfterStop = 0;
        faulty.beforeOpen = [&](const std::string& path) {
            openedAfterStop += stopAsked && path.ends_with(".htm") ? 1 : 0;
            if (c.when == When::Planning && path.ends_with("/b.htm"))
                stopAsked = true;
            if (c.when == When::Writing && !opened.insert(path).second)
                stopAsked = true;
        };
        faulty.beforeSync = [&] { // the pages' sync, not the record's
            stopAsked = stopAsked || (c.when == When::Sync && !leftoverTemporaryFiles().empty());
        };
        faulty.beforeReplace = [&] { stopAsked = stopAsked || c.when == When::Renames; };
        const ApplyRunSummary summary = apply();
        EXPECT_TRUE(stopAsked);
        const bool stops = c.when != When::Renames;
        EXPECT_EQ(summary.stopped, stops);
        for (const char* name : {"index.htm", "a.htm", "b.htm"})
            EXPECT_EQ(rewritten(name), !stops) << name;
        EXPECT_TRUE(leftoverTemporaryFiles().empty());
        EXPECT_EQ(openedAfterStop, 0); // no page read once the run knows it stops
        // A record stays only for what the run did to the quibrel folder, without pages.
        const auto runs = keptRuns(faulty, undo.folder, site("index.htm"));
        EXPECT_EQ(runs.size(), stops ? runs.size() : 1u);
        for (const KeptRun& run : runs) {
            EXPECT_EQ(run.pages.size(), stops ? 0u : 3u);
            fs::remove_all(undo.folder + run.id);
        }
    }
    // The window's start button shows no final message for a stopped run.
    writeSite();
    stopAsked = true;
    ScriptedDialogs dialogs;
    dialogs.answers = {Answer::Yes};
    ApplyEnvironment env{faulty, style, styleFolder, reporter, undo, &stopAsked};
    const auto summary = startApply(dialogs, options, state, env);
    EXPECT_TRUE(summary && summary->stopped);
    EXPECT_EQ(dialogs.shown.size(), 1u); // the question before the run
}

// A read-only page is the site owner's "do not touch": the replacement is refused with the
// message and the page keeps its bytes and its permission bits (also for root).
TEST_F(ApplyFaultsTest, AReadOnlyPageIsNotReplaced) {
    ASSERT_EQ(::chmod(site("a.htm").c_str(), 0444), 0);
    apply();
    ASSERT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(reporter.failures[0].find(site("a.htm")), std::string::npos);
    EXPECT_EQ(readPage("a.htm"), kPageA);
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
    EXPECT_EQ(fs::status(site("a.htm")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(rewritten("b.htm"));
    EXPECT_TRUE(rewritten("index.htm"));
}

// The new page is given the permission bits the page has when it is replaced, also when they
// were changed after its new content was written.
TEST_F(ApplyFaultsTest, ThePageKeepsThePermissionBitsItHasAtTheRename) {
    ASSERT_EQ(::chmod(site("a.htm").c_str(), 0640), 0);
    faulty.beforeSync = [&] { ASSERT_EQ(::chmod(site("a.htm").c_str(), 0604), 0); };
    apply();
    EXPECT_TRUE(reporter.failures.empty());
    EXPECT_TRUE(rewritten("a.htm"));
    EXPECT_EQ(fs::status(site("a.htm")).permissions() & fs::perms::all, fs::perms(0604));
}

// The quibrel folder cannot be filled: the top page fails and the run ends there.
TEST_F(ApplyFaultsTest, AFailedStyleCopyEndsTheRunBeforeAnyPageChanges) {
    faulty.copyFolderFault = {"/quibrel", ENOSPC};
    apply();
    ASSERT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(reporter.failures[0].find(kDiskFullText), std::string::npos);
    EXPECT_EQ(readPage("index.htm"), kTopPage);
    EXPECT_EQ(readPage("a.htm"), kPageA);
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
}

// The new pages reach the disk before the first rename and the folders after the last: a power
// cut leaves each page old or new. A sync that fails leaves every page old.
TEST_F(ApplyFaultsTest, EveryPageIsSyncedBeforeAnyRenameAndTheFoldersAfter) {
    apply();
    std::vector<std::string> synced;
    std::size_t lastSync = 0, firstRename = faulty.diskLog.size(), lastRename = 0;
    std::size_t firstFolder = faulty.diskLog.size();
    for (std::size_t i = 0; i < faulty.diskLog.size(); ++i) {
        const std::string& entry = faulty.diskLog[i];
        if (entry.rfind("sync ", 0) == 0) {
            synced.push_back(entry.substr(5));
            lastSync = i;
        } else if (entry.rfind("rename ", 0) == 0) {
            firstRename = std::min(firstRename, i);
            lastRename = i;
            EXPECT_NE(std::find(synced.begin(), synced.end(), entry.substr(7) + ".tmp"),
                      synced.end())
                << entry;
        } else {
            firstFolder = std::min(firstFolder, i);
        }
    }
    EXPECT_EQ(synced.size(), 3u);
    EXPECT_LT(lastSync, firstRename);
    EXPECT_LT(lastRename, firstFolder);
    EXPECT_EQ(faulty.diskLog.back(), "syncfolder " + fs::canonical(site("")).string() + "/");

    // A temporary file left by a killed run is replaced, never renamed over its page as it is.
    writeSite();
    writePage(kTmp, "<P>half a page</P>");
    writePage("b.htm.tmp", "<P>half a page</P>");
    ASSERT_EQ(::chmod(site("b.htm").c_str(), 0444), 0);
    apply();
    EXPECT_TRUE(rewritten("a.htm"));
    EXPECT_EQ(readPage("b.htm"), kPageB);
    ASSERT_EQ(::chmod(site("b.htm").c_str(), 0644), 0);
    fs::remove(site("b.htm.tmp"));

    writeSite();
    faulty.syncFault = {kTmp, EIO};
    apply();
    ASSERT_EQ(reporter.failures.size(), 1u);
    EXPECT_NE(reporter.failures[0].find(kInputOutputText), std::string::npos);
    EXPECT_EQ(readPage("index.htm"), kTopPage);
    EXPECT_EQ(readPage("a.htm"), kPageA);
    EXPECT_TRUE(leftoverTemporaryFiles().empty());
}

} // namespace
} // namespace solvina::test_support
