// The native file system on real files in a fresh temporary folder per test.
#include "platform/file_failure.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace solvina {
namespace {

class NativeFileSystemTest : public testing::Test {
protected:
    std::string path(const std::string& relative) const { return dir / relative; }
    void write(const std::string& relative, const std::string& bytes) {
        dir.write(relative, bytes);
    }
    std::string read(const std::string& relative) const { return dir.read(relative); }
    bool present(const std::string& relative) const {
        struct stat info;
        return ::lstat(path(relative).c_str(), &info) == 0;
    }
    mode_t modeOf(const std::string& relative) const {
        struct stat info;
        EXPECT_EQ(::stat(path(relative).c_str(), &info), 0) << relative;
        return info.st_mode & 07777;
    }

    FileSystem& fs = nativeFileSystem();
    test_support::TempDir dir;
};

TEST_F(NativeFileSystemTest, CopyFileKeepsNameInFolderOrTakesTheGivenPath) {
    const struct {
        const char* destination;
        const char* expectedFile;
    } cases[] = {
        {"out/", "out/a.gif"},
        {"out", "out/a.gif"}, // an existing folder without the slash
        {"out/renamed.gif", "out/renamed.gif"},
        {"out/old.gif", "out/old.gif"}, // replaced
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.destination);
        write("src/a.gif", std::string("GIF\0\r\n", 6));
        write("out/old.gif", "previous content that is longer");
        ASSERT_TRUE(fs.copyFile(path("src/a.gif"), path(c.destination)));
        EXPECT_EQ(read(c.expectedFile), std::string("GIF\0\r\n", 6));
        std::filesystem::remove_all(path("out"));
    }
    // Onto itself, alone or through a pattern, the file keeps its bytes.
    EXPECT_TRUE(fs.copyFile(path("src/a.gif"), path("src/a.gif")));
    EXPECT_TRUE(fs.copyFile(path("src/*.*"), path("src/")));
    EXPECT_EQ(read("src/a.gif"), std::string("GIF\0\r\n", 6));
    // A read-only source gives a copy with normal permissions.
    ::chmod(path("src/a.gif").c_str(), 0500);
    ASSERT_TRUE(fs.copyFile(path("src/a.gif"), path("b.gif")));
    mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(modeOf("b.gif"), 0666 & ~mask);
}

TEST_F(NativeFileSystemTest, CopyFilePatternCopiesFilesOnlyAndReplaces) {
    write("src/a.gif", "a");
    write("src/b", "b");
    write("src/sub/c.gif", "c");
    write("dst/a.gif", "old");
    write("dst/keep.txt", "keep");
    ASSERT_TRUE(fs.copyFile(path("src/*.*"), path("dst/")));
    EXPECT_EQ(read("dst/a.gif"), "a");
    EXPECT_EQ(read("dst/b"), "b");
    EXPECT_EQ(read("dst/keep.txt"), "keep");
    EXPECT_FALSE(present("dst/sub"));
}

TEST_F(NativeFileSystemTest, CopyFileFailuresNameTheCause) {
    write("src/a.gif", "a");
    std::filesystem::create_directories(path("empty/sub"));
    const struct {
        std::string source;
        std::string destination;
        std::string description;
    } cases[] = {
        {path("src/none.gif"), path("src/x.gif"),
         "ファイルが見つかりません。（" + path("src/none.gif") + "）"},
        {path("nowhere/a.gif"), path("src/x.gif"),
         "パスが見つかりません。（" + path("nowhere/a.gif") + "）"},
        {path("nowhere/*.*"), path("src/"), "パスが見つかりません。（" + path("nowhere") + "）"},
        {path("empty/*.*"), path("src/"),
         "ファイルが見つかりません。（" + path("empty/*.*") + "）"},
        {path("src/a.gif"), path("missing/"), "パスが見つかりません。（" + path("missing/") + "）"},
        {path("src"), path("x"), "ファイルが見つかりません。（" + path("src") + "）"},
        {path("src/*.*"), path("one.gif"), "パスが見つかりません。（" + path("one.gif") + "）"},
    };
    for (const auto& c : cases) {
        Status status = fs.copyFile(c.source, c.destination);
        ASSERT_FALSE(status) << c.source;
        EXPECT_EQ(status.error(), c.description);
    }
}

TEST_F(NativeFileSystemTest, CopyFolderMergesRecursivelyAndRefusesItsOwnInside) {
    write("style/a.gif", "new a");
    write("style/deep/b.gif", "b");
    write("site/quibrel/a.gif", "old a");
    write("site/quibrel/other.gif", "other");
    ASSERT_TRUE(fs.copyFolder(path("style"), path("site/quibrel")));
    EXPECT_EQ(read("site/quibrel/a.gif"), "new a");
    EXPECT_EQ(read("site/quibrel/deep/b.gif"), "b");
    EXPECT_EQ(read("site/quibrel/other.gif"), "other");
    ASSERT_TRUE(fs.copyFolder(path("style"), path("fresh")));
    EXPECT_EQ(read("fresh/deep/b.gif"), "b");

    EXPECT_FALSE(fs.copyFolder(path("style"), path("style/inner")));
    EXPECT_FALSE(present("style/inner"));
    Status missing = fs.copyFolder(path("none"), path("x"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "パスが見つかりません。（" + path("none") + "）");
}

TEST_F(NativeFileSystemTest, DeleteFileTakesFilesOnlyAndRefusesReadOnlyUnlessForced) {
    write("dir/a.htm", "a");
    write("dir/sub/c.htm", "c");
    ASSERT_TRUE(fs.deleteFile(path("dir/*.*"), false));
    EXPECT_FALSE(present("dir/a.htm"));
    EXPECT_EQ(read("dir/sub/c.htm"), "c");
    Status nothing = fs.deleteFile(path("dir/*.*"), false);
    ASSERT_FALSE(nothing);
    EXPECT_EQ(nothing.error(), "ファイルが見つかりません。（" + path("dir/*.*") + "）");
    EXPECT_FALSE(fs.deleteFile(path("dir/sub"), true));
    EXPECT_TRUE(present("dir/sub/c.htm"));

    const struct {
        const char* target;
        bool force;
        bool deleted;
    } cases[] = {
        {"ro.htm", false, false},
        {"ro.htm", true, true},
        {"*.*", false, false}, // nothing goes when one file refuses
        {"*.*", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.target << " force " << c.force);
        write("d/ro.htm", "r");
        write("d/rw.htm", "w");
        ::chmod(path("d/ro.htm").c_str(), 0444);
        Status status = fs.deleteFile(path(std::string("d/") + c.target), c.force);
        EXPECT_EQ(status.ok(), c.deleted);
        EXPECT_EQ(!present("d/ro.htm"), c.deleted);
        if (!c.deleted) {
            EXPECT_EQ(status.error(), "書き込みできません。（" + path("d/ro.htm") + "）");
            EXPECT_TRUE(present("d/rw.htm"));
        }
        std::filesystem::remove_all(path("d"));
    }
}

TEST_F(NativeFileSystemTest, DeleteFolderRemovesEverythingButWhatLinksPointTo) {
    write("tmp/a.gif", "a");
    write("tmp/sub/b.gif", "b");
    ::chmod(path("tmp/a.gif").c_str(), 0444);
    ::chmod(path("tmp/sub/b.gif").c_str(), 0444);
    ::chmod(path("tmp/sub").c_str(), 0555);
    write("real/a.gif", "a");
    ASSERT_EQ(::symlink(path("real").c_str(), path("link").c_str()), 0);
    ASSERT_EQ(::symlink(path("real").c_str(), path("tmp/inner").c_str()), 0);
    ASSERT_TRUE(fs.deleteFolder(path("tmp"), true));
    ASSERT_TRUE(fs.deleteFolder(path("link"), true));
    EXPECT_FALSE(present("tmp"));
    EXPECT_FALSE(present("link"));
    EXPECT_EQ(read("real/a.gif"), "a");

    Status missing = fs.deleteFolder(path("tmp"), true);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "パスが見つかりません。（" + path("tmp") + "）");
}

TEST_F(NativeFileSystemTest, CopiesReplaceLinksAndOddFilesNeverHang) {
    write("outside/secret.gif", "secret");
    write("style/a.gif", "a");
    write("style/b.gif", "b");
    write("style/loop/c.gif", "c");
    ASSERT_EQ(::symlink(path("style").c_str(), path("style/loop/up").c_str()), 0);
    write("site/quibrel/keep", "");
    ASSERT_EQ(::symlink(path("outside/secret.gif").c_str(), path("site/quibrel/a.gif").c_str()), 0);
    ASSERT_EQ(::mkfifo(path("site/quibrel/b.gif").c_str(), 0600), 0);

    // The link is replaced by the copy; the FIFO is refused instead of waiting for a reader.
    EXPECT_TRUE(fs.copyFile(path("style/a.gif"), path("site/quibrel/")));
    EXPECT_EQ(read("outside/secret.gif"), "secret");
    EXPECT_EQ(read("site/quibrel/a.gif"), "a");
    EXPECT_FALSE(fs.copyFile(path("style/b.gif"), path("site/quibrel/")));

    // A link back up the tree ends the copy with a failure instead of copying without end.
    ::unlink(path("site/quibrel/b.gif").c_str());
    EXPECT_FALSE(fs.copyFolder(path("style"), path("site/quibrel")));
    EXPECT_FALSE(present("site/quibrel/loop/up/loop"));

    // A page stream never writes through a link.
    ASSERT_EQ(::symlink(path("outside/secret.gif").c_str(), path("site/p.htm.tmp").c_str()), 0);
    EXPECT_FALSE(fs.createFile(path("site/p.htm.tmp")));
    EXPECT_EQ(read("outside/secret.gif"), "secret");
}

TEST_F(NativeFileSystemTest, FileTestsFollowLinksAndRefuseOddFiles) {
    write("page.htm", "p");
    std::filesystem::create_directories(path("x.htm"));
    ASSERT_EQ(::mkfifo(path("fifo.htm").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(path("page.htm").c_str(), path("link.htm").c_str()), 0);
    ASSERT_EQ(::symlink(path("gone.htm").c_str(), path("dangling.htm").c_str()), 0);
    using enum EntryKind;
    const struct {
        const char* name;
        bool regular;
        bool directory;
        bool exists;
        std::optional<EntryKind> entry; // what the name itself is; none when nothing is there
    } cases[] = {
        {"page.htm", true, false, true, RegularFile},
        {"x.htm", false, true, true, Directory},
        {"fifo.htm", false, false, true, Other},
        {"link.htm", true, false, true, SymbolicLink},
        {"dangling.htm", false, false, true, SymbolicLink},
        {"none.htm", false, false, false, std::nullopt},
        {"page.htm/x", false, false, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fs.isRegularFile(path(c.name)), c.regular);
        EXPECT_EQ(fs.isDirectory(path(c.name)), c.directory);
        EXPECT_EQ(fs.exists(path(c.name)), c.exists);
        auto entry = fs.entryStatus(path(c.name));
        EXPECT_EQ(entry ? std::optional(entry->kind) : std::nullopt, c.entry);
    }
    // The identity of the name itself, as the file tests see it when no link is in the way.
    EXPECT_EQ(fs.entryStatus(path("page.htm"))->identity, *fs.identity(path("link.htm")));
    EXPECT_FALSE(fs.isRegularFile(""));

    // Opening a FIFO or a folder fails at once instead of blocking, for reading and writing.
    for (const char* name : {"fifo.htm", "x.htm"}) {
        auto input = fs.openForReading(path(name));
        ASSERT_FALSE(input) << name;
        EXPECT_EQ(input.error(), "ファイルが見つかりません。（" + path(name) + "）");
    }
    EXPECT_FALSE(fs.createFile(path("fifo.htm")));
}

TEST_F(NativeFileSystemTest, StreamsCarryEveryByteIntoAnEmptiedFile) {
    std::string big(200 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    write("page.htm.tmp", "older content, longer than the tail of the new one " + big + big);
    auto output = fs.createFile(path("page.htm.tmp"));
    ASSERT_TRUE(output);
    ASSERT_TRUE((*output)->write("head\r\n"));
    ASSERT_TRUE((*output)->write(big));
    ASSERT_TRUE((*output)->write("tail"));
    ASSERT_TRUE((*output)->close());
    EXPECT_FALSE((*output)->write("late"));

    auto input = fs.openForReading(path("page.htm.tmp"));
    ASSERT_TRUE(input);
    std::string bytes;
    char buffer[1000];
    for (;;) {
        auto count = (*input)->read(buffer, sizeof buffer);
        ASSERT_TRUE(count);
        if (*count == 0)
            break;
        bytes.append(buffer, *count);
    }
    EXPECT_EQ(bytes, "head\r\n" + big + "tail");
}

TEST(FileFailureDescription, NamesTheCauseAndThePath) {
    const struct {
        int error;
        std::string path;
        std::string description;
    } cases[] = {
        {ENOENT, "/tmp/none.htm", "ファイルが見つかりません。（/tmp/none.htm）"},
        {ENOENT, "/no/such/a.htm", "パスが見つかりません。（/no/such/a.htm）"},
        {ENOTDIR, "/a", "パスが見つかりません。（/a）"},
        {EACCES, "/a", "書き込みできません。（/a）"},
        {EPERM, "/a", "書き込みできません。（/a）"},
        {EROFS, "/a", "書き込みできません。（/a）"},
        {ENOSPC, "/a", "ディスクの空き容量が不足しています。（/a）"},
        {EDQUOT, "/a", "ディスクの空き容量が不足しています。（/a）"},
        {EEXIST, "/a", "ファイルは既に存在します。（/a）"},
        {EIO, "/a",
         "入出力エラーが発生しました。" + std::generic_category().message(EIO) + "（/a）"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileFailureDescription(c.error, c.path), c.description) << c.error;
    // A refused read is told as one; other causes read as they do for a write.
    EXPECT_EQ(readFailureDescription(EACCES, "/a"), "読み込みできません。（/a）");
    EXPECT_EQ(readFailureDescription(EPERM, "/a"), "読み込みできません。（/a）");
    EXPECT_EQ(readFailureDescription(ENOSPC, "/a"), fileFailureDescription(ENOSPC, "/a"));
}

TEST_F(NativeFileSystemTest, AReadRefusedByPermissionsIsToldAsARead) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    write("locked/page.htm", "x");
    ASSERT_EQ(::chmod(path("locked/page.htm").c_str(), 0), 0);
    EXPECT_EQ(fs.readWholeFile(path("locked/page.htm")).error(),
              "読み込みできません。（" + path("locked/page.htm") + "）");
    ASSERT_EQ(::chmod(path("locked").c_str(), 0300), 0);
    EXPECT_EQ(fs.listSubfolders(path("locked")).error(),
              "読み込みできません。（" + path("locked") + "）");
}

// A write that the system refuses half-way must reach the caller, never be lost in a buffer.
TEST_F(NativeFileSystemTest, WriteFailureSurfacesFromWriteOrClose) {
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 100 * 1024;
    auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

    for (std::size_t piece : {std::size_t(100), std::size_t(300 * 1024)}) {
        auto output = fs.createFile(path("big.tmp"));
        ASSERT_TRUE(output);
        std::string bytes(piece, 'x');
        bool failed = false;
        for (int i = 0; i < 2000 && !failed; ++i)
            failed = !(*output)->write(bytes);
        failed = failed || !(*output)->close();
        EXPECT_TRUE(failed) << piece;
    }
    // Bytes that wait in the buffer until close: only the last flush meets the limit.
    auto output = fs.createFile(path("last.tmp"));
    ASSERT_TRUE(output);
    for (int i = 0; i < 7; ++i) // 105 KiB in pieces small enough to be buffered
        EXPECT_TRUE((*output)->write(std::string(15 * 1024, 'x')));
    EXPECT_FALSE((*output)->close());
    ASSERT_TRUE(fs.createFile(path("small.tmp")));
    EXPECT_FALSE(fs.writeWholeFile(path("whole.tmp"), std::string(200 * 1024, 'x')));
    // Pieces handed over at once, the limit met part-way through the second.
    const std::string first(70 * 1024, 'p');
    const std::string second(70 * 1024, 'q');
    auto pieces = fs.createFile(path("pieces.tmp"));
    ASSERT_TRUE(pieces);
    EXPECT_FALSE((*pieces)->writePieces(std::array<std::string_view, 2>{first, second}));
    EXPECT_EQ(read("pieces.tmp"), first + second.substr(0, 30 * 1024));

    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previousHandler);
    // Bytes buffered before pieces, or before bytes too large to buffer, go first.
    auto joined = fs.createFile(path("joined.tmp"));
    ASSERT_TRUE(joined);
    const std::string large(40 * 1024, 'L');
    ASSERT_TRUE((*joined)->write("a"));
    ASSERT_TRUE((*joined)->writePieces(std::array<std::string_view, 3>{"b", "", "c"}));
    ASSERT_TRUE((*joined)->write("d"));
    ASSERT_TRUE((*joined)->write(large));
    ASSERT_TRUE((*joined)->write("e"));
    ASSERT_TRUE((*joined)->close());
    EXPECT_EQ(read("joined.tmp"), "abcd" + large + "e");
}

TEST_F(NativeFileSystemTest, ReplaceFileKeepsTheTargetsModeAndLeavesNoReplacement) {
    write("page.htm", "old");
    write("page.htm.tmp", "new");
    ::chmod(path("page.htm").c_str(), 0640);
    ASSERT_TRUE(fs.replaceFile(path("page.htm.tmp"), path("page.htm")));
    EXPECT_EQ(read("page.htm"), "new");
    EXPECT_EQ(modeOf("page.htm"), 0640u);
    EXPECT_FALSE(present("page.htm.tmp"));

    // A read-only target stays, whoever runs the program.
    write("locked.htm", "old");
    write("locked.htm.tmp", "new");
    ::chmod(path("locked.htm").c_str(), 0444);
    EXPECT_FALSE(fs.replaceFile(path("locked.htm.tmp"), path("locked.htm")));
    EXPECT_EQ(read("locked.htm"), "old");
    EXPECT_EQ(modeOf("locked.htm"), 0444u);
}

TEST_F(NativeFileSystemTest, IdentityAndRealPathSeeThroughLinks) {
    write("site/a.htm", "a");
    write("site/b.htm", "b");
    ASSERT_EQ(::symlink(path("site/a.htm").c_str(), path("link.htm").c_str()), 0);
    auto direct = fs.identity(path("site/a.htm"));
    ASSERT_TRUE(direct);
    EXPECT_EQ(*direct, *fs.identity(path("link.htm")));
    EXPECT_EQ(*direct, *fs.identity(path("site/../site/./a.htm")));
    EXPECT_FALSE(*direct == *fs.identity(path("site/b.htm")));
    EXPECT_EQ(*fs.realPath(path("link.htm")), *fs.realPath(path("site/a.htm")));
}

TEST_F(NativeFileSystemTest, ListSubfoldersGivesFullPathsOfFoldersOnly) {
    write("top/a/x", "");
    write("top/b/y", "");
    write("top/file.htm", "");
    ASSERT_EQ(::symlink(path("top/a").c_str(), path("top/linked").c_str()), 0);
    for (const std::string& folder : {path("top"), path("top/")}) {
        auto list = fs.listSubfolders(folder);
        ASSERT_TRUE(list);
        std::vector<std::string> sorted = *list;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted,
                  (std::vector<std::string>{path("top/a"), path("top/b"), path("top/linked")}));
    }
    EXPECT_FALSE(fs.listSubfolders(path("none")));
}

TEST_F(NativeFileSystemTest, SmallFilesAndFolders) {
    ASSERT_TRUE(fs.writeWholeFile(path("s.sty"), "<quibrel v1.0>\r\n"));
    ASSERT_TRUE(fs.writeWholeFile(path("s.sty"), "x"));
    EXPECT_EQ(*fs.readWholeFile(path("s.sty")), "x");

    ASSERT_TRUE(fs.makeFolder(path("lib")));
    Status again = fs.makeFolder(path("lib"));
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error(), "ファイルは既に存在します。（" + path("lib") + "）");

    ::chmod(path("s.sty").c_str(), 0444);
    ASSERT_TRUE(fs.setNormalAttributes(path("s.sty")));
    EXPECT_EQ(modeOf("s.sty"), 0644u);
}

} // namespace
} // namespace solvina
