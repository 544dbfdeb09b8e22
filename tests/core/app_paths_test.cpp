// Where the program keeps its files: beside a build folder's executable, in XDG folders once
// installed; and the first-start copy of the sample styles.
#include "platform/app_paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace solvina {
namespace {

TEST(AppFolders, FollowTheExecutableFolderOrTheXdgFolders) {
    const struct {
        const char* name;
        AppPathFacts facts;
        AppFolders expected;
    } cases[] = {
        {"build folder",
         {"/src/build/", true, false, "/home/u", "", ""},
         {"/src/build/styledata/", "/src/build/", "/src/build/"}},
        {"usr bin",
         {"/usr/bin/", true, true, "/home/u", "", ""},
         {"/home/u/.local/share/solvina/styledata/", "/home/u/.cache/solvina/",
          "/usr/share/solvina/"}},
        {"xdg variables",
         {"/usr/bin/", false, true, "/home/u", "/x/data", "/x/cache/"},
         {"/x/data/solvina/styledata/", "/x/cache/solvina/", "/usr/share/solvina/"}},
        {"relative xdg ignored",
         {"/usr/bin/", false, true, "/home/u/", "data", "cache"},
         {"/home/u/.local/share/solvina/styledata/", "/home/u/.cache/solvina/",
          "/usr/share/solvina/"}},
        {"other prefix",
         {"/opt/s/bin/", true, true, "/h", "", ""},
         {"/h/.local/share/solvina/styledata/", "/h/.cache/solvina/", "/opt/s/share/solvina/"}},
        {"unwritable build folder",
         {"/ro/build/", false, false, "/h", "", ""},
         {"/h/.local/share/solvina/styledata/", "/h/.cache/solvina/", "/ro/build/"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AppFolders folders = appFoldersFor(c.facts);
        EXPECT_EQ(folders.library, c.expected.library);
        EXPECT_EQ(folders.cache, c.expected.cache);
        EXPECT_EQ(folders.data, c.expected.data);
    }
}

// Kept runs live in the state folder wherever the program runs from.
TEST(AppFolders, UndoFolderFollowsXdgStateHome) {
    EXPECT_EQ(undoFolderFor("", "/home/u"), "/home/u/.local/state/solvina/undo/");
    EXPECT_EQ(undoFolderFor("state", "/home/u/"), "/home/u/.local/state/solvina/undo/");
    EXPECT_EQ(undoFolderFor("/x/state", "/home/u"), "/x/state/solvina/undo/");
}

TEST(AppFolders, FirstStartCopiesTheSampleStylesOnce) {
    test_support::TempDir dir;
    dir.write("share/styledata/サンプル/サンプル.sty", "sample");
    const AppFolders folders{dir / "home/data/solvina/styledata/", dir / "home/cache/solvina/",
                             dir / "share/"};
    ASSERT_TRUE(prepareAppFolders(folders).ok());
    EXPECT_EQ(dir.read("home/data/solvina/styledata/サンプル/サンプル.sty"), "sample");
    EXPECT_TRUE(std::filesystem::is_directory(folders.cache));

    // A library the user emptied stays empty.
    std::filesystem::remove_all(folders.library + "サンプル");
    ASSERT_TRUE(prepareAppFolders(folders).ok());
    EXPECT_TRUE(std::filesystem::is_empty(folders.library));
    EXPECT_FALSE(std::filesystem::exists(dir / "home/data/solvina/styledata.new"));
}

TEST(AppFolders, AFolderThatCannotBeMadeIsReported) {
    test_support::TempDir dir;
    dir.write("home", "a file where the folder should be");
    const AppFolders folders{dir / "home/solvina/styledata/", dir / "cache/", dir / "share/"};
    const Status made = prepareAppFolders(folders);
    ASSERT_FALSE(made.ok());
    EXPECT_NE(made.error().find(dir / "home/solvina"), std::string::npos) << made.error();
}

} // namespace
} // namespace solvina
