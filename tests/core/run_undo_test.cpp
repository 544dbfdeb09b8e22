// Taking runs back through solvina-cli: every byte and permission bit, the quibrel folder, pages
// edited since, killed runs, and kept runs on another file system.
#include "apply/run_manifest.h"
#include "apply/run_undo.h"
#include "cli/cli_commands.h"

#include "platform/content_digest.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/sha256.h"
#include "style/style_file.h"
#include "support/faulty_file_system.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <sys/stat.h>

namespace solvina::test_support {
namespace {

namespace fs = std::filesystem;

// Every file and folder under a folder: its bytes (folders "/") and permission bits.
using Snapshot = std::map<std::string, std::pair<std::string, unsigned>>;

Snapshot snapshot(const std::string& folder) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        ::stat(entry.path().c_str(), &status);
        const std::string name = entry.path().string().substr(folder.size());
        files[name] = {entry.is_directory() ? "/" : TempDir::readFile(entry.path().string()),
                       status.st_mode & 07777u};
    }
    return files;
}

class RunUndoTest : public testing::Test {
protected:
    RunUndoTest() {
        dir.write("lib/Std/.keep", "");
        EXPECT_TRUE(writeDefaultStyleFile(nativeFileSystem(), dir / "lib/Std/Std.sty").ok());
        dir.write("lib/Std/arrow.gif", "GIF89a");
        dir.write("lib/Std/icons/dot.gif", "GIF89a dot");
        dir.write("site/index.htm",
                  "<body>\r\n<a href=\"a.htm\">A</a> <a href=\"sub/b.htm\">B</a>\r\n");
        dir.write("site/a.htm", "<title>A</title><body>\n");
        dir.write("site/sub/b.htm", "<body>\nb\n");
        fs::permissions(dir / "site/a.htm", fs::perms(0640));
    }

    void setStateFolder(const std::string& folder) { stateFolder.set(folder); }

    int apply(std::vector<std::string> extra = {}, bool erase = false) {
        std::vector<std::string> args{"--library", dir / "lib", "--style", "Std"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(dir / "site/index.htm");
        out.str("");
        err.str("");
        return erase ? runEraseCommand(args, out, err) : runApplyCommand(args, out, err);
    }

    int undo(std::vector<std::string> args = {}) {
        args.push_back(dir / "site/index.htm");
        out.str("");
        err.str("");
        return runUndoCommand(args, out, err);
    }

    Snapshot site() { return snapshot(dir / "site"); }
    // The records of the kept runs rewritten as earlier versions wrote them: SHA-256 digests of
    // what the run wrote (the files as they are now).
    void recordEarlierDigests() {
        const std::regex entry(R"re(\{"path": "([^"]*)"(.*), "xxh128": "[0-9a-f]*"\})re");
        for (const auto& run : fs::directory_iterator(dir / "state/solvina/undo")) {
            const std::string manifest = (run.path() / "manifest.json").string();
            std::istringstream lines(TempDir::readFile(manifest));
            std::string earlier;
            for (std::string line; std::getline(lines, line); earlier += line + '\n') {
                std::smatch found;
                if (!std::regex_search(line, found, entry))
                    continue;
                const std::string digest = sha256Hex(TempDir::readFile(found[1].str()));
                line = found.prefix().str() + "{\"path\": \"" + found[1].str() + '"' +
                       found[2].str() + ", \"sha256\": \"" + digest + "\"}" + found.suffix().str();
            }
            std::ofstream(manifest, std::ios::binary | std::ios::trunc) << earlier;
        }
    }

    TempDir dir;
    ScopedEnvironment stateFolder{"XDG_STATE_HOME", dir / "state"};
    std::ostringstream out;
    std::ostringstream err;
};

// Both digests in their portable form and in the processor's (SHA extensions, AVX2) where it
// has them, and input handed over in pieces that split blocks and the padding anywhere.
TEST(DigestTest, KnownVectors) {
    std::string pattern;
    for (int i = 0; i < 1000; ++i)
        pattern += static_cast<char>(i * 7 + i / 13);
    const struct {
        std::string input;
        const char* sha256;
        const char* xxh128;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
         "99aa06d3014798d86001c324468d497f"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
         "06b05ab6733a618578af5f94892f3950"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
         "3d62d22a5169b016c0d894fd4828a1a7"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
         "a545df8e384a9579b1fd6fae5285c4eb"},
        {std::string(55, 'x'), "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072",
         "5fedbe8d23a57b1f7e8f5f2c6fb72b06"},
        {std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c",
         "445cabaf9820e986ac7d730b79ae9428"},
        // The portable SHA-256 rounds' digest, checked against the other.
        {pattern, nullptr, "4eb4dd31555cedede289e91f8bc3e496"},
    };
    for (bool portableOnly : {true, false}) {
        useOnlyPortableSha256(portableOnly);
        useOnlyPortableXxh3(portableOnly);
        for (const auto& c : cases) {
            const std::string whole = sha256Hex(c.input);
            if (c.sha256) {
                EXPECT_EQ(whole, c.sha256) << c.input.size() << " bytes";
            }
            Sha256 pieces;
            ContentDigest xxhPieces;
            pieces.add(std::string_view()); // nothing, from a null pointer
            xxhPieces.add(std::string_view());
            for (std::size_t at = 0, step = 1; at < c.input.size();
                 at += step, step = step * 3 % 71 + (at > 5000 ? 9000 : 0)) {
                pieces.add(std::string_view(c.input).substr(at, step));
                xxhPieces.add(std::string_view(c.input).substr(at, step));
            }
            EXPECT_EQ(pieces.hexDigest(), whole) << c.input.size() << " bytes in pieces";
            ContentDigest xxhWhole;
            xxhWhole.add(c.input);
            EXPECT_EQ(xxhWhole.finish(), std::string("xxh128:") + c.xxh128) << c.input.size();
            EXPECT_EQ(xxhPieces.finish(), std::string("xxh128:") + c.xxh128) << c.input.size();
        }
    }
    useOnlyPortableSha256(true);
    const std::string portable = sha256Hex(pattern);
    useOnlyPortableSha256(false);
    useOnlyPortableXxh3(false);
    EXPECT_EQ(sha256Hex(pattern), portable);
}

// Runs, then as many undos: the site is as it was before the runs, the quibrel folder gone.
TEST_F(RunUndoTest, UndoesRunsToTheLastByte) {
    const struct {
        const char* name;
        std::vector<bool> erases;    // the runs, apply or erase
        bool stateElsewhere;         // kept by copies (tmpfs)
        bool earlierDigests = false; // recorded as earlier versions did
    } cases[] = {
        {"apply", {false}, false},
        {"apply then erase", {false, true}, false},
        {"two applies", {false, false}, false},
        {"kept by copies", {false, false}, true},
        {"kept by an earlier version", {false, false}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.stateElsewhere) {
            if (!fs::is_directory("/dev/shm"))
                GTEST_SKIP() << "no /dev/shm";
            setStateFolder("/dev/shm/solvina-undo-test");
        }
        const Snapshot before = site();
        std::vector<Snapshot> after;
        for (bool erase : c.erases) {
            after.push_back(site());
            ASSERT_EQ(apply({}, erase), 0) << err.str();
            if (c.earlierDigests)
                recordEarlierDigests();
        }
        EXPECT_NE(site(), before);
        EXPECT_TRUE(fs::is_directory(dir / "site/quibrel"));
        for (std::size_t i = c.erases.size(); i-- > 0;) {
            ASSERT_EQ(undo(), 0) << err.str();
            EXPECT_NE(out.str().find("元に戻しています：" + (dir / "site/a.htm")),
                      std::string::npos);
            EXPECT_EQ(site(), after[i]);
        }
        EXPECT_EQ(site(), before);
        EXPECT_FALSE(fs::exists(dir / "site/quibrel"));
        EXPECT_EQ(undo(), 1);
        EXPECT_NE(err.str().find("元に戻せる実行がありません。"), std::string::npos);
        if (c.stateElsewhere) {
            fs::remove_all("/dev/shm/solvina-undo-test");
            setStateFolder(dir / "state");
        }
    }
}

// Undo touches only the quibrel files the run wrote: the owner's own stay, a replaced image
// comes back with its old bytes.
TEST_F(RunUndoTest, QuibrelFileByFile) {
    dir.write("site/quibrel/arrow.gif", "the owner's arrow");
    const Snapshot before = site();
    ASSERT_EQ(apply(), 0) << err.str();
    EXPECT_EQ(dir.read("site/quibrel/arrow.gif"), "GIF89a");
    dir.write("site/quibrel/mine.png", "mine");
    dir.write("site/quibrel/icons/mine.png", "mine too");
    ASSERT_EQ(undo(), 0) << err.str();
    EXPECT_EQ(dir.read("site/quibrel/mine.png"), "mine");
    EXPECT_EQ(dir.read("site/quibrel/icons/mine.png"), "mine too");
    Snapshot now = site();
    for (const char* mine : {"/quibrel/mine.png", "/quibrel/icons/mine.png", "/quibrel/icons"})
        now.erase(mine);
    EXPECT_EQ(now, before);
}

TEST_F(RunUndoTest, EditedPageRefusedUnlessForced) {
    const Snapshot before = site();
    ASSERT_EQ(apply(), 0);
    dir.write("site/sub/b.htm", "edited");
    dir.write("site/quibrel/arrow.gif", "edited image");
    EXPECT_EQ(undo(), 1);
    EXPECT_NE(err.str().find("ページが実行の後に変更されています。"), std::string::npos);
    for (const char* path : {"site/sub/b.htm", "site/quibrel/arrow.gif"}) {
        EXPECT_NE(err.str().find(dir / path), std::string::npos) << path;
        EXPECT_TRUE(fs::exists(dir / path)) << path;
    }
    EXPECT_EQ(dir.read("site/sub/b.htm"), "edited");
    EXPECT_EQ(dir.read("site/a.htm"), before.at("/a.htm").first);
    EXPECT_EQ(undo({"--force"}), 0) << err.str();
    EXPECT_EQ(site(), before);
}

// A run killed during its renames: a page not renamed yet is still the file kept for it, its
// temporary file left beside it. Undo takes it back; so does a later run, and undo then.
TEST_F(RunUndoTest, KilledRunTakenBack) {
    const Snapshot before = site();
    // A killed run never marks its end.
    auto unfinish = [&] {
        for (const auto& run : fs::directory_iterator(dir / "state/solvina/undo"))
            fs::remove(run.path() / "finished");
    };
    for (bool runAgain : {false, true}) {
        SCOPED_TRACE(runAgain ? "run again first" : "undo at once");
        ASSERT_EQ(apply(), 0) << err.str();
        unfinish();
        fs::copy_file(dir / "site/a.htm", dir / "site/a.htm.tmp");
        fs::remove(dir / "site/a.htm");
        for (const auto& entry : fs::recursive_directory_iterator(dir / "state"))
            if (entry.is_regular_file() &&
                TempDir::readFile(entry.path().string()) == before.at("/a.htm").first)
                fs::create_hard_link(entry.path(), dir / "site/a.htm");
        if (runAgain) {
            fs::remove(dir / "site/a.htm.tmp");
            ASSERT_EQ(apply(), 0) << err.str();
            dir.write("site/a.htm", "edited after the second run");
            ASSERT_EQ(undo({"--force"}), 0) << err.str();
        }
        EXPECT_EQ(undo(), 0) << err.str();
        EXPECT_EQ(site(), before);
    }
    // Killed while keeping, before its record named the kept file: the next run is not
    // refused for the page's second name.
    ASSERT_EQ(apply(), 0) << err.str();
    unfinish();
    for (const auto& run : fs::directory_iterator(dir / "state/solvina/undo"))
        fs::create_hard_link(dir / "site/sub/b.htm", run.path() / "pages/99");
    ASSERT_GT(fs::hard_link_count(dir / "site/sub/b.htm"), 1u);
    EXPECT_EQ(apply(), 0) << err.str();
    // An undo killed while it deletes the run's record leaves no record half deleted: the run
    // is listed no more, and the next run sweeps what is left of it.
    ASSERT_EQ(undo({"--list"}), 0);
    const std::string listed = out.str();
    const auto ignore = [](const std::string&) {};
    // Asked to stop (a signal) as its first page is put back: the run stays kept, whole.
    std::atomic<bool> stop{false};
    int begun = 0;
    auto stopped = undoRun(
        nativeFileSystem(), dir / "state/solvina/undo/", dir / "site/index.htm", "", false,
        [&](const std::string&) { stop = ++begun == 1; }, ignore, &stop);
    ASSERT_TRUE(stopped && stopped->stopped);
    EXPECT_EQ(stopped->restored, 1);
    ASSERT_EQ(undo({"--list"}), 0);
    EXPECT_EQ(out.str(), listed);
    FaultyFileSystem killed(nativeFileSystem());
    killed.cutDeleteFolder = [&killed](const std::string& folder) {
        // Renamed, and the rename synced, before the deleting begins.
        EXPECT_TRUE(folder.ends_with(".deleting")) << folder;
        EXPECT_TRUE(!killed.diskLog.empty() &&
                    killed.diskLog.back() == "syncfolder " + folderPart(folder));
        fs::remove_all(fs::path(folder) / "pages");
        return true;
    };
    auto undone = undoRun(killed, dir / "state/solvina/undo/", dir / "site/index.htm", "", false,
                          ignore, ignore);
    ASSERT_TRUE(undone && undone->failures == 0 && undone->refused == 0);
    ASSERT_EQ(undo({"--list"}), 0);
    EXPECT_EQ(out.str(), listed.substr(listed.find('\n') + 1));
    EXPECT_EQ(apply(), 0) << err.str();
    for (const auto& entry : fs::directory_iterator(dir / "state/solvina/undo"))
        EXPECT_FALSE(entry.path().string().ends_with(".deleting")) << entry.path();
}

TEST_F(RunUndoTest, KeepsTheLastRunsOfTheSite) {
    const struct {
        std::vector<std::string> keep;
        std::size_t listed;
        std::string shown; // the options the listing ends with
    } cases[] = {{{}, 3, ""},
                 {{"--keep", "2", "--markup", "nav", "--json-ld", "https://e.example/"},
                  2,
                  "  --markup nav --json-ld https://e.example/"},
                 {{"--keep", "0"}, 0, ""}};
    for (const auto& c : cases) {
        fs::remove_all(dir / "state");
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(apply(c.keep), 0) << err.str();
        ASSERT_EQ(undo({"--list"}), 0);
        std::istringstream lines(out.str());
        std::vector<std::string> listed;
        for (std::string line; std::getline(lines, line);)
            listed.push_back(line);
        ASSERT_EQ(listed.size(), c.listed);
        for (std::size_t i = 1; i < listed.size(); ++i)
            EXPECT_GT(listed[i - 1], listed[i]); // newest first
        if (!listed.empty()) {
            EXPECT_NE(listed[0].find("  apply  3 ページ  "), std::string::npos) << listed[0];
            EXPECT_TRUE(listed[0].ends_with(c.shown)) << listed[0];
        }
    }
    // A run that ends up keeping nothing (no style files, no page) leaves those kept before.
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(apply({"--keep", "2"}), 0) << err.str();
    ASSERT_EQ(undo({"--list"}), 0);
    const std::string keptBefore = out.str();
    ApplyOptions options;
    options.topPagePath = dir / "site/index.htm";
    RunKeeper keeper(nativeFileSystem(), {dir / "state/solvina/undo/", 2, true}, options);
    ASSERT_TRUE(keeper.begin("", "").ok());
    ASSERT_TRUE(keeper.keepPages({}, {}, {}).ok());
    keeper.finish();
    ASSERT_EQ(undo({"--list"}), 0);
    EXPECT_EQ(out.str(), keptBefore);
    // Keeping none drops the runs kept before and records nothing of its own.
    ASSERT_EQ(apply(), 0) << err.str();
    ASSERT_EQ(apply({"--keep", "0"}), 0) << err.str();
    EXPECT_TRUE(fs::is_empty(dir / "state/solvina/undo"));
    // ... and needs no place for a record.
    setStateFolder(dir.write("not-a-folder", ""));
    EXPECT_EQ(apply({"--keep", "0"}), 0) << err.str();
    EXPECT_EQ(apply(), 1);
    EXPECT_EQ(apply({"--keep", "x"}), 2);
}

// The record of a run read whole, page by page, or only up to its pages (all a listing needs).
TEST(RunManifestTest, ReadWholePageByPageOrItsHead) {
    KeptRun run{"20261207-170000-000001",
                "/s/index.htm",
                "t",
                "apply",
                "--bottom",
                "/s/quibrel",
                {},
                {},
                {}};
    run.quibrelFiles = {{"/s/quibrel/a.gif", "", 3, "ab"}};
    run.pages = {{"/s/index.htm", "pages/0", 10, "xxh128:cd"}, {"/s/b.htm", "pages/1", 11, "ef"}};
    const std::string json = manifestJson(run);
    EXPECT_NE(json.find(R"("xxh128": "cd")"), std::string::npos) << json;
    auto whole = parseManifest(json);
    ASSERT_TRUE(whole);
    EXPECT_EQ(manifestJson(*whole), json);
    // A digest without its kind is of an earlier version's record: SHA-256.
    EXPECT_EQ(whole->pages[0].digest, "xxh128:cd");
    EXPECT_EQ(whole->pages[1].digest, "sha256:ef");
    std::vector<std::string> handed;
    auto byPage = parseManifest(json, ManifestPart::Whole,
                                [&](const KeptPage& page) { handed.push_back(page.kept); });
    ASSERT_TRUE(byPage);
    EXPECT_TRUE(byPage->pages.empty());
    EXPECT_EQ(handed, (std::vector<std::string>{"pages/0", "pages/1"}));
    auto head = parseManifest(json.substr(0, json.find("\"pages\"") + 9), ManifestPart::Head);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->id, run.id);
    EXPECT_EQ(head->quibrelFiles.size(), 1u);
    for (const std::string& broken : {json.substr(0, json.size() - 3),
                                      std::string(json).replace(json.find("pages/1"), 7, "../x")})
        EXPECT_FALSE(parseManifest(broken)) << broken;
}

} // namespace
} // namespace solvina::test_support
