// solvina-cli apply killed at random moments on a large site: every page is whole afterwards,
// either its old bytes or the bytes a finished run gives it, and a later run finishes the job.
#include "support/cli_process.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

namespace solvina::test_support {
namespace {

namespace fs = std::filesystem;

constexpr int kPages = 300;
constexpr std::size_t kPageSize = 50 * 1024;
constexpr int kKills = 6;

std::string pageName(int i) {
    return i == 0 ? "index.htm" : "d" + std::to_string(i % 7) + "/p" + std::to_string(i) + ".htm";
}

// A page of about kPageSize bytes linking to two pages below it: the site is a tree nine
// levels deep, spread over seven folders.
std::string pageBytes(int i) {
    std::string prefix = i == 0 ? "" : "../";
    std::string page =
        "<HTML><HEAD><TITLE>Page " + std::to_string(i) + "</TITLE></HEAD>\r\n<BODY>\r\n";
    for (int next : {2 * i + 1, 2 * i + 2})
        if (next < kPages)
            page += "<A HREF=\"" + prefix + pageName(next) + "\">next</A>\r\n";
    while (page.size() < kPageSize)
        page += "<P>line " + std::to_string(page.size()) + " of page " + std::to_string(i) +
                " \x83\x5C\x95\x5C</P>\r\n";
    return page + "</BODY></HTML>\r\n";
}

pid_t startApply(const std::string& library, const std::string& topPage, int* progress = nullptr) {
    return startCli({"apply", "--library", library, "--style", "Std", "--rule", topPage}, progress);
}

// Reads progress lines until count have come or the output ends.
void awaitProgressLines(int progress, int count) {
    char buffer[4096];
    int lines = 0;
    while (lines < count) {
        ssize_t got = ::read(progress, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        lines += static_cast<int>(std::count(buffer, buffer + got, '\n'));
    }
}

class ApplyKillTest : public testing::Test {
protected:
    void SetUp() override {
        dir.write("lib/Std/Std.sty",
                  TempDir::readFile(SOLVINA_TEST_DATA_DIR "/styles/Std/Std.sty"));
        for (int i = 0; i < kPages; ++i) {
            old.push_back(pageBytes(i));
            dir.write("old/" + pageName(i), old.back());
        }
    }

    std::string freshSite(const std::string& name) const {
        fs::copy(dir / "old", dir / name, fs::copy_options::recursive);
        return dir / (name + "/index.htm");
    }

    TempDir dir;
    std::vector<std::string> old;
};

TEST_F(ApplyKillTest, EveryPageIsOldOrNewWhereverTheRunIsKilled) {
    // The finished run gives each page its new bytes.
    pid_t finished = startApply(dir / "lib", freshSite("done"));
    ASSERT_GT(finished, 0);
    int status = waitForCli(finished);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::vector<std::string> fresh;
    for (int i = 0; i < kPages; ++i) {
        fresh.push_back(dir.read("done/" + pageName(i)));
        ASSERT_NE(fresh.back(), old[i]) << pageName(i);
    }

    // Each run is killed after a random number of progress lines (pages entered) and a random
    // moment more, so that it dies inside a page.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pagesEntered(1, kPages - 20);
    std::uniform_int_distribution<int> moment(0, 3000);
    int killedMidway = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const std::string name = "run" + std::to_string(kill);
        const std::string top = freshSite(name);
        int progress = -1;
        pid_t child = startApply(dir / "lib", top, &progress);
        ASSERT_GT(child, 0);
        awaitProgressLines(progress, pagesEntered(random));
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(child, SIGKILL);
        status = waitForCli(child);
        ::close(progress);
        killedMidway += WIFSIGNALED(status);

        int oldPages = 0;
        for (int i = 0; i < kPages; ++i) {
            const std::string path = dir / (name + "/" + pageName(i));
            ASSERT_TRUE(fs::exists(path)) << pageName(i) << " is missing";
            const std::string bytes = TempDir::readFile(path);
            EXPECT_TRUE(bytes == old[i] || bytes == fresh[i])
                << pageName(i) << " is neither old nor new (" << bytes.size() << " bytes)";
            oldPages += bytes == old[i];
        }
        // Temporary files stand only beside whole pages (checked above); a later run makes
        // every page new and leaves none.
        pid_t again = startApply(dir / "lib", top);
        ASSERT_GT(again, 0);
        status = waitForCli(again);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        for (int i = 0; i < kPages; ++i)
            EXPECT_EQ(dir.read(name + "/" + pageName(i)), fresh[i]) << pageName(i);
        for (const auto& entry : fs::recursive_directory_iterator(dir / name))
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
        fs::remove_all(dir / name);
        std::cout << "killed after " << (kPages - oldPages) << " of " << kPages << " pages\n";
    }
    EXPECT_GT(killedMidway, 0) << "every run finished before it could be killed";
}

// A run stopped by Ctrl-C, SIGTERM or a closed terminal ends as the signal would have ended it
// and leaves every page as it was and no temporary file; one that finished first is whole.
TEST_F(ApplyKillTest, ARunStoppedByASignalLeavesEveryPageAsItWas) {
    ScopedEnvironment stateFolder("XDG_STATE_HOME", dir / "state");
    int stopped = 0;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const std::string name = "stop" + std::to_string(signal);
        const std::string top = freshSite(name);
        int progress = -1;
        const pid_t child = startApply(dir / "lib", top, &progress);
        ASSERT_GT(child, 0);
        awaitProgressLines(progress, kPages / 4);
        ::kill(child, signal);
        ::close(progress); // the lines after it are lost; the run goes on to its stop
        const int status = waitForCli(child);
        const bool wasStopped = WIFSIGNALED(status) && WTERMSIG(status) == signal;
        ASSERT_TRUE(wasStopped || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
        stopped += wasStopped ? 1 : 0;
        for (int i = 0; i < kPages; ++i)
            EXPECT_EQ(dir.read(name + "/" + pageName(i)) == old[i], wasStopped) << pageName(i);
        for (const auto& entry : fs::recursive_directory_iterator(dir / name))
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
    EXPECT_GT(stopped, 0) << "every run finished before the signal came";
}

// An undo killed halfway leaves every page whole; undo again finishes the job. One stopped by
// Ctrl-C ends between two pages, as the signal would end it, with no temporary file left.
TEST_F(ApplyKillTest, UndoKilledHalfwayIsFinishedByTheNextUndo) {
    ScopedEnvironment stateFolder("XDG_STATE_HOME", dir / "state");
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (const int signal : {SIGKILL, SIGINT}) {
        SCOPED_TRACE(signal);
        const std::string name = "site" + std::to_string(signal);
        const std::string top = freshSite(name);
        int status = waitForCli(startApply(dir / "lib", top));
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        int progress = -1;
        pid_t child = startCli({"undo", top}, &progress);
        ASSERT_GT(child, 0);
        // The output comes in blocks of many lines: the last ones only as the undo ends.
        awaitProgressLines(progress, std::uniform_int_distribution<int>(1, kPages / 2)(random));
        ::kill(child, signal);
        ::close(progress);
        status = waitForCli(child);
        if (signal == SIGINT) {
            EXPECT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == SIGINT
                                            : WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << status;
            for (const auto& entry : fs::recursive_directory_iterator(dir / name))
                EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
        }
        // An undo that ended before the signal, or was killed deleting the record, left none.
        int listing = -1;
        const pid_t list = startCli({"undo", "--list", top}, &listing);
        char firstByte = 0;
        const bool recordLeft = ::read(listing, &firstByte, 1) == 1;
        ::close(listing);
        (void)waitForCli(list);
        status = waitForCli(startCli({"undo", top}));
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == (recordLeft ? 0 : 1)) << status;
        for (int i = 0; i < kPages; ++i)
            EXPECT_EQ(dir.read(name + "/" + pageName(i)), old[i]) << pageName(i);
        EXPECT_FALSE(fs::exists(dir / (name + "/quibrel")));
    }
}

} // namespace
} // namespace solvina::test_support
