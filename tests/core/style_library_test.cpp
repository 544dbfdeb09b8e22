// The style library's operations on a real temporary library folder, with every message box
// checked in order.
#include "platform/file_system.h"
#include "style/breadcrumb_style.h"
#include "style/style_file.h"
#include "style/style_library.h"
#include "support/faulty_file_system.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace solvina {
namespace {

namespace stdfs = std::filesystem;
using test_support::ScriptedDialogs;
using test_support::ShownDialog;

const std::string kFailurePrefix = "エラーが発生しました。\r\n";

ShownDialog message(const std::string& text, const std::string& title,
                    MessageButtons buttons = MessageButtons::Ok) {
    return {"message", text, title, buttons};
}
ShownDialog done(const std::string& text) {
    return message(text, "メッセージ");
}

// The dialogs shown, in order, each as kind / text / title / buttons.
std::vector<std::string> described(const std::vector<ShownDialog>& dialogs) {
    std::vector<std::string> lines;
    for (const auto& d : dialogs)
        lines.push_back(d.kind + " / " + d.text + " / " + d.title + " / " +
                        std::to_string(static_cast<int>(d.buttons)));
    return lines;
}
void expectShown(const ScriptedDialogs& dialogs, const std::vector<ShownDialog>& expected) {
    EXPECT_EQ(described(dialogs.shown), described(expected));
}

// The one failure message shown, with its description left open.
void expectOneFailure(const ScriptedDialogs& dialogs) {
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "エラー発生");
    EXPECT_EQ(dialogs.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs.shown[0].text.rfind(kFailurePrefix, 0), 0u) << dialogs.shown[0].text;
    EXPECT_GT(dialogs.shown[0].text.size(), kFailurePrefix.size());
}

const auto readBytes = test_support::TempDir::readFile;

void writeBytes(const stdfs::path& path, const std::string& bytes) {
    stdfs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Names of the plain files directly in a folder.
std::set<std::string> filesIn(const stdfs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : stdfs::directory_iterator(folder))
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    return names;
}

class StyleLibraryTest : public testing::Test {
protected:
    void SetUp() override { stdfs::create_directory(m_library); }

    StyleLibrary library(FileSystem& fs) {
        return StyleLibrary(fs, m_dialogs, m_library.string() + "/");
    }
    StyleLibrary library() { return library(nativeFileSystem()); }
    stdfs::path folderOf(const std::string& name) const { return m_library / name; }
    stdfs::path styleFileOf(const std::string& name) const {
        return m_library / name / (name + ".sty");
    }

    // A style made by the create operation and read back, with the dialogs record cleared.
    BreadcrumbStyle createdAndLoaded(const std::string& name) {
        m_dialogs.inputs.push_back(name);
        EXPECT_EQ(library().create(), name);
        BreadcrumbStyle style = programStartStyle();
        EXPECT_TRUE(library().load(name, style));
        m_dialogs.shown.clear();
        return style;
    }

    // A picture outside the library, as the image dialog would pick it.
    std::string picture(const std::string& relative, const std::string& content) {
        stdfs::path path = m_root / "pictures" / relative;
        writeBytes(path, content);
        return path.string();
    }

    test_support::TempDir m_temp;
    const stdfs::path m_root = m_temp.path();
    stdfs::path m_library = m_root / "styledata";
    ScriptedDialogs m_dialogs;
};

// The native file system with a failing copy into one destination and folder lists that
// hold entries the system would never give.
class BendableFileSystem : public test_support::FaultyFileSystem {
public:
    BendableFileSystem() : FaultyFileSystem(nativeFileSystem()) {}
    std::vector<std::string> extraEntries; // added to every folder list
    std::string failCopyInto;              // copyFile to this destination fails

    Status copyFile(const std::string& source, const std::string& destination) override {
        if (!failCopyInto.empty() && destination == failCopyInto)
            return fail("ディスクがいっぱいです。");
        return FaultyFileSystem::copyFile(source, destination);
    }
    Result<std::vector<std::string>> listSubfolders(const std::string& folder) override {
        auto entries = FaultyFileSystem::listSubfolders(folder);
        if (entries)
            entries->insert(entries->end(), extraEntries.begin(), extraEntries.end());
        return entries;
    }
};

TEST_F(StyleLibraryTest, ListsStyleFoldersSortedAndNothingElse) {
    stdfs::remove_all(m_library);
    EXPECT_TRUE(library().Quibrel_Load().empty()); // the missing library folder is made
    for (const char* name : {"ゆき", "beta", "Alpha", "a b"})
        stdfs::create_directory(m_library / name);
    writeBytes(m_library / "loose.sty", "x");
    EXPECT_EQ(library().Quibrel_Load(), (std::vector<std::string>{"Alpha", "a b", "beta", "ゆき"}));
    EXPECT_TRUE(m_dialogs.shown.empty());
}

TEST_F(StyleLibraryTest, LibraryFolderThatCannotBeMadeGivesFailureAndEmptyList) {
    stdfs::remove_all(m_library);
    writeBytes(m_root / "blocked", "a file where a folder should be");
    m_library = m_root / "blocked" / "styledata";
    EXPECT_TRUE(library().Quibrel_Load().empty());
    expectOneFailure(m_dialogs);
}

TEST_F(StyleLibraryTest, ListingEntryWithoutSeparatorIsReportedAndSkipped) {
    stdfs::create_directory(m_library / "kept");
    BendableFileSystem fs;
    fs.extraEntries = {"noseparator"};
    EXPECT_EQ(library(fs).Quibrel_Load(), std::vector<std::string>{"kept"});
    expectShown(m_dialogs, {message("原因不明のエラー発生。", "エラー")});
}

// The name is kept as typed, blanks included.
TEST_F(StyleLibraryTest, CreateWritesDefaultStyleThatLoadsUnmodified) {
    m_dialogs.inputs.push_back(" 新しい");
    EXPECT_EQ(library().create(), " 新しい");
    expectShown(m_dialogs, {{"input", "新しく作るクイブレルスタイルの名前を決めてください。",
                             "ソルビナ", MessageButtons::Ok},
                            done("クイブレルスタイル【 新しい】を作成しました。")});
    EXPECT_TRUE(stdfs::is_regular_file(styleFileOf(" 新しい")));
    BreadcrumbStyle style = programStartStyle();
    ASSERT_TRUE(library().load(" 新しい", style));
    EXPECT_EQ(style.styleName, " 新しい");
    EXPECT_EQ(style.rows[0].text, kNewStyleRowTexts[0]);
    EXPECT_FALSE(style.isModified());
}

// Cancel and an empty name end silently; a used name (folder or file) and names that would
// make a folder outside the library are refused. Nothing is made either way.
TEST_F(StyleLibraryTest, CreateRefusesWithoutMakingAnything) {
    stdfs::create_directory(m_library / "folder");
    writeBytes(m_library / "file", "not a style");
    const std::string usedName = "同じ名前のクイブレルスタイルがすでに存在しています。\r\n"
                                 "新規作成に失敗しました。";
    const struct {
        const char* name;
        std::optional<std::string> answer;
        std::string text; // the message after the input box; empty: none
        const char* title;
    } cases[] = {
        {"cancel", std::nullopt, "", ""},
        {"empty", "", "", ""},
        {"used by a folder", "folder", usedName, "エラー"},
        {"used by a file", "file", usedName, "エラー"},
        {"parent", "../outside", kFailurePrefix, "エラー発生"},
        {"slash", "a/b", kFailurePrefix, "エラー発生"},
        {"backslash", "a\\b", kFailurePrefix, "エラー発生"},
        {"dot", ".", kFailurePrefix, "エラー発生"},
        {"dot dot", "..", kFailurePrefix, "エラー発生"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.shown.clear();
        m_dialogs.inputs.push_back(c.answer);
        EXPECT_EQ(library().create(), std::nullopt);
        ASSERT_EQ(m_dialogs.shown.size(), c.text.empty() ? 1u : 2u);
        EXPECT_EQ(m_dialogs.shown[0].kind, "input");
        if (c.text.empty())
            continue;
        EXPECT_EQ(m_dialogs.shown[1].title, c.title);
        if (c.text == kFailurePrefix)
            EXPECT_EQ(m_dialogs.shown[1].text.rfind(kFailurePrefix, 0), 0u);
        else
            EXPECT_EQ(m_dialogs.shown[1].text, c.text);
    }
    EXPECT_EQ(library().Quibrel_Load(), std::vector<std::string>{"folder"});
    EXPECT_TRUE(stdfs::is_empty(m_library / "folder"));
    EXPECT_EQ(readBytes(m_library / "file"), "not a style");
    EXPECT_FALSE(stdfs::exists(m_root / "outside"));
}

TEST_F(StyleLibraryTest, DeleteWithNothingSelectedAsksForASelection) {
    EXPECT_FALSE(library().remove(std::nullopt));
    expectShown(m_dialogs, {message("削除するクイブレルスタイルを選択してください。", "エラー")});
}

TEST_F(StyleLibraryTest, DeleteAsksThenRemovesOrKeeps) {
    const struct {
        const char* name;
        bool made; // false: a folder removed by hand
        Answer answer;
        bool removed;
    } cases[] = {
        {"残す", true, Answer::No, false},
        {"消す", true, Answer::Yes, true},
        {"gone", false, Answer::Yes, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.made) {
            createdAndLoaded(c.name);
            // Read-only files do not stop the removal.
            writeBytes(folderOf(c.name) / "sub" / "locked.gif", "gif");
            stdfs::permissions(folderOf(c.name) / "sub" / "locked.gif", stdfs::perms::owner_read);
            stdfs::permissions(styleFileOf(c.name), stdfs::perms::owner_read);
        }
        m_dialogs.shown.clear();
        m_dialogs.answers.push_back(c.answer);
        EXPECT_EQ(library().remove(c.name), c.removed);
        const std::string name = c.name;
        expectShown(m_dialogs,
                    {message("クイブレルスタイル【" + name + "】を本当に削除しますか？", "確認",
                             MessageButtons::YesNo),
                     done(c.removed ? "クイブレルスタイル【" + name + "】を削除しました。"
                                    : "削除を中止しました。")});
        EXPECT_EQ(stdfs::exists(folderOf(c.name)), !c.removed);
    }
}

TEST_F(StyleLibraryTest, LoadReportsWrongHeaderAndMissingFile) {
    writeBytes(folderOf("old") / "old.sty", "<QUIBREL v1.0>\r\n");
    BreadcrumbStyle style = programStartStyle();
    EXPECT_FALSE(library().load("old", style));
    expectShown(m_dialogs, {message("このクイブレルスタイルファイルは読み込めません。", "エラー")});

    m_dialogs.shown.clear();
    stdfs::create_directory(folderOf("empty"));
    EXPECT_FALSE(library().load("empty", style));
    expectOneFailure(m_dialogs);
}

// Picked images are copied into the style folder, writable even from a read-only source, and
// referred to by name; rows that pick files of the same name share one copy, the last row's.
// A later save leaves exactly the style file and the images still used: clearing one of two
// rows that use a name keeps the file, clearing the only user removes it, files put in by hand
// go, sub-folders and read-only files stay no obstacle.
TEST_F(StyleLibraryTest, SaveKeepsExactlyTheStyleFileAndTheImagesInUse) {
    BreadcrumbStyle style = createdAndLoaded("tidy");
    style.rows[1].imageFile = picture("a/arrow.gif", "FROM A");
    style.rows[2].imageFile = picture("b/arrow.gif", "FROM B");
    style.rows[3].imageFile = picture("shared.gif", "SHARED");
    style.rows[4].imageFile = picture("other/shared.gif", "SHARED");
    style.rows[5].imageFile = picture("dropped.gif", "DROPPED");
    style.rows[7].imageFile = picture("back.jpg", "BACK");
    stdfs::permissions(style.rows[7].imageFile, stdfs::perms::owner_read);
    EXPECT_TRUE(library().save(style));
    expectShown(m_dialogs, {done("クイブレルスタイル【tidy】を保存しました。")});
    EXPECT_EQ(style.rows[1].imageFile, "arrow.gif");
    EXPECT_EQ(style.rows[2].imageFile, "arrow.gif");
    EXPECT_FALSE(style.isModified());
    EXPECT_EQ(readBytes(folderOf("tidy") / "arrow.gif"), "FROM B");
    stdfs::perms copied = stdfs::status(folderOf("tidy") / "back.jpg").permissions();
    EXPECT_NE(copied & stdfs::perms::owner_write, stdfs::perms::none);
    EXPECT_EQ(filesIn(folderOf("tidy")).size(), 5u);

    style.rows[3].imageFile.clear();
    style.rows[5].imageFile.clear();
    writeBytes(folderOf("tidy") / "notes.txt", "by hand");
    writeBytes(folderOf("tidy") / "keep" / "inner.txt", "inner");
    stdfs::permissions(styleFileOf("tidy"), stdfs::perms::owner_read);
    EXPECT_TRUE(library().save(style));
    EXPECT_EQ(filesIn(folderOf("tidy")),
              (std::set<std::string>{"tidy.sty", "arrow.gif", "shared.gif", "back.jpg"}));
    EXPECT_EQ(readBytes(folderOf("tidy") / "keep" / "inner.txt"), "inner");
    EXPECT_FALSE(stdfs::exists(folderOf("tidy") / "tmp"));

    BreadcrumbStyle reread = programStartStyle();
    ASSERT_TRUE(library().load("tidy", reread));
    EXPECT_EQ(reread.rows[1].imageFile, "arrow.gif");
    EXPECT_EQ(reread.rows[3].imageFile, "");
}

TEST_F(StyleLibraryTest, SaveIntoAFolderEmptiedOrRemovedByHand) {
    BreadcrumbStyle style = createdAndLoaded("again");
    // Removed with everything; emptied of its files but keeping a sub-folder.
    for (bool keepSubfolder : {false, true}) {
        SCOPED_TRACE(keepSubfolder);
        stdfs::remove_all(folderOf("again"));
        if (keepSubfolder)
            writeBytes(folderOf("again") / "sub" / "inner.txt", "inner");
        m_dialogs.shown.clear();
        EXPECT_TRUE(library().save(style));
        expectShown(m_dialogs, {done("クイブレルスタイル【again】を保存しました。")});
        EXPECT_EQ(filesIn(folderOf("again")), std::set<std::string>{"again.sty"});
        EXPECT_EQ(stdfs::exists(folderOf("again") / "sub" / "inner.txt"), keepSubfolder);
    }
}

TEST_F(StyleLibraryTest, FailedSaveLeavesTheFolderAndTheStyleAsTheyWere) {
    BreadcrumbStyle style = createdAndLoaded("miss");
    const std::string styleFile = readBytes(styleFileOf("miss"));
    const std::string picked = picture("new.gif", "NEW");
    style.rows[1].imageFile = picked;
    style.rows[2].imageFile = "absent.gif"; // a bare name not in the style folder
    style.borderWidth = "3";

    EXPECT_FALSE(library().save(style));
    expectOneFailure(m_dialogs);
    EXPECT_EQ(filesIn(folderOf("miss")), std::set<std::string>{"miss.sty"});
    EXPECT_EQ(readBytes(styleFileOf("miss")), styleFile);
    EXPECT_TRUE(stdfs::is_directory(folderOf("miss") / "tmp"));
    // The picked image is still picked and the edits still count as unsaved.
    EXPECT_EQ(style.rows[1].imageFile, picked);
    EXPECT_TRUE(style.isModified());

    // The next save clears the work folder left behind, read-only files included.
    writeBytes(folderOf("miss") / "tmp" / "leftover.gif", "OLD");
    stdfs::permissions(folderOf("miss") / "tmp" / "leftover.gif", stdfs::perms::owner_read);
    style.rows[2].imageFile.clear();
    m_dialogs.shown.clear();
    EXPECT_TRUE(library().save(style));
    expectShown(m_dialogs, {done("クイブレルスタイル【miss】を保存しました。")});
    EXPECT_EQ(filesIn(folderOf("miss")), (std::set<std::string>{"miss.sty", "new.gif"}));
    EXPECT_FALSE(stdfs::exists(folderOf("miss") / "tmp"));
}

// A character the style file cannot hold in a list option, or a style folder that refuses
// writes, fails before anything changes. A privileged user passes any permission.
TEST_F(StyleLibraryTest, SaveThatCannotWriteTouchesNothing) {
    for (const std::string name : {"unencodable", "locked"}) {
        if (name == "locked" && ::geteuid() == 0)
            continue;
        SCOPED_TRACE(name);
        BreadcrumbStyle style = createdAndLoaded(name);
        const std::string before = readBytes(styleFileOf(name));
        style.borderWidth = name == "locked" ? "3" : "😀";
        if (name == "locked")
            stdfs::permissions(folderOf(name), stdfs::perms::owner_read | stdfs::perms::owner_exec);
        EXPECT_FALSE(library().save(style));
        stdfs::permissions(folderOf(name), stdfs::perms::owner_all);
        expectOneFailure(m_dialogs);
        EXPECT_EQ(readBytes(styleFileOf(name)), before);
        EXPECT_TRUE(style.isModified());
    }
}

TEST_F(StyleLibraryTest, SaveFailingWhileCopyingBackKeepsTheNewSetInTheWorkFolder) {
    BreadcrumbStyle style = createdAndLoaded("half");
    style.rows[0].imageFile = picture("h.gif", "H");
    BendableFileSystem fs;
    fs.failCopyInto = folderOf("half").string() + "/";
    EXPECT_FALSE(library(fs).save(style));
    expectShown(m_dialogs, {message(kFailurePrefix + "ディスクがいっぱいです。", "エラー発生")});
    EXPECT_TRUE(filesIn(folderOf("half")).empty());
    EXPECT_EQ(filesIn(folderOf("half") / "tmp"), (std::set<std::string>{"half.sty", "h.gif"}));
}

TEST_F(StyleLibraryTest, LeavingWithoutChangesOrWithoutALoadedStyleAsksNothing) {
    BreadcrumbStyle style = createdAndLoaded("calm");
    EXPECT_EQ(library().exitPrompt(true, style), ExitDecision::Close);
    EXPECT_EQ(library().switchPrompt(true, style), SwitchDecision::Switch);
    style.height = "99";
    EXPECT_EQ(library().exitPrompt(false, style), ExitDecision::Close);
    EXPECT_EQ(library().switchPrompt(false, style), SwitchDecision::Switch);
    EXPECT_TRUE(m_dialogs.shown.empty());
}

// Leaving the edited style, by closing the window or by taking another style: the same
// question, except for its last line and for a save that fails.
TEST_F(StyleLibraryTest, LeavingWithChangesFollowsTheAnswer) {
    struct Case {
        const char* name;
        bool switching; // another style is chosen, rather than the window closed
        Answer answer;
        bool saveFails;
        bool leaves;
        bool saved;
    };
    const Case cases[] = {
        {"exit yes", false, Answer::Yes, false, true, true},
        {"exit no", false, Answer::No, false, true, false},
        {"exit cancel", false, Answer::Cancel, false, false, false},
        {"exit yes failing", false, Answer::Yes, true, true, false},
        {"switch yes", true, Answer::Yes, false, true, true},
        {"switch no", true, Answer::No, false, true, false},
        {"switch cancel", true, Answer::Cancel, false, false, false},
        {"switch yes failing", true, Answer::Yes, true, false, false}, // the edits stay
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.shown.clear();
        BreadcrumbStyle style = createdAndLoaded(c.name);
        const std::string before = readBytes(styleFileOf(c.name));
        style.rows[0].text = "<<";
        if (c.saveFails)
            style.rows[6].imageFile = "absent.gif";
        m_dialogs.answers.push_back(c.answer);
        const bool leaves = c.switching
                                ? library().switchPrompt(true, style) == SwitchDecision::Switch
                                : library().exitPrompt(true, style) == ExitDecision::Close;
        EXPECT_EQ(leaves, c.leaves);

        ASSERT_EQ(m_dialogs.shown.size(), c.answer == Answer::Yes ? 2u : 1u);
        EXPECT_EQ(described({m_dialogs.shown[0]}),
                  described({message(
                      "クイブレルスタイル「" + std::string(c.name) + "」は変更されています。\r\n" +
                          (c.switching ? "保存しますか？" : "保存してから終了しますか？"),
                      "確認", MessageButtons::YesNoCancel)}));
        if (c.answer == Answer::Yes) {
            EXPECT_EQ(m_dialogs.shown[1].title, c.saved ? "メッセージ" : "エラー発生");
        }
        EXPECT_EQ(style.rows[0].text, "<<");
        EXPECT_EQ(style.isModified(), !c.saved);
        EXPECT_EQ(readBytes(styleFileOf(c.name)) != before, c.saved);
    }
}

// A style whose file cannot be read leaves nothing that could be saved under its name.
TEST_F(StyleLibraryTest, AfterAFailedLoadNothingIsSavedUnderTheUnreadName) {
    BreadcrumbStyle style = createdAndLoaded("good");
    style.rows[0].text = "<<";
    writeBytes(folderOf("old") / "old.sty", "<QUIBREL v1.0>\r\n");
    EXPECT_FALSE(library().load("old", style));
    EXPECT_EQ(style.styleName, "");
    m_dialogs.shown.clear();
    EXPECT_EQ(library().exitPrompt(true, style), ExitDecision::Close);
    EXPECT_TRUE(m_dialogs.shown.empty());
    EXPECT_FALSE(library().save(style));
    EXPECT_EQ(filesIn(folderOf("old")), std::set<std::string>{"old.sty"});
    EXPECT_FALSE(stdfs::exists(folderOf("old") / "tmp"));
}

} // namespace
} // namespace solvina
