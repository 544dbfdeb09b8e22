// solvina-cli apply and erase, in process: exit codes, progress on stdout, failures on stderr.
#include "cli/cli_commands.h"

#include "platform/file_system.h"
#include "style/style_file.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <pthread.h>
#include <sstream>

namespace solvina::test_support {
namespace {

class ApplyCommandTest : public testing::Test {
protected:
    ApplyCommandTest() {
        dir.write("lib/Std/.keep", "");
        EXPECT_TRUE(writeDefaultStyleFile(nativeFileSystem(), dir / "lib/Std/Std.sty").ok());
    }

    int run(std::vector<std::string> args, bool erase = false) {
        out.str("");
        err.str("");
        return erase ? runEraseCommand(args, out, err) : runApplyCommand(args, out, err);
    }

    TempDir dir;
    ScopedEnvironment stateFolder{"XDG_STATE_HOME",
                                  dir / "state"}; // runs kept in the test's folder
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ApplyCommandTest, RefusesBeforeRunning) {
    dir.write("site/index.htm", "<body>\n");
    const std::string lib = dir / "lib";
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string stderrText;
    } cases[] = {
        {"no style", {"--library", lib, dir / "site/index.htm"}, "--style"},
        {"unknown option", {"--style", "Std", "--bogus"}, "--bogus"},
        {"unknown style",
         {"--library", lib, "--style", "None", dir / "site/index.htm"},
         "エラーが発生しました。\n"},
        {"no top page", {"--library", lib, "--style", "Std"}, "トップページを指定してください。\n"},
        {"top page missing",
         {"--library", lib, "--style", "Std", dir / "site/none.htm"},
         "トップページが見つかりません。\n"},
        {"top page is a folder",
         {"--library", lib, "--style", "Std", dir / "site"},
         "トップページが見つかりません。\n"},
        {"unknown hierarchy",
         {"--library", lib, "--style", "Std", "--hierarchy", "bfs", dir / "site/index.htm"},
         "bfs"},
        {"format without dry run",
         {"--library", lib, "--style", "Std", "--format", "json", dir / "site/index.htm"},
         "--dry-run"},
        {"unknown markup",
         {"--library", lib, "--style", "Std", "--markup", "div", dir / "site/index.htm"},
         "--markup は table か nav です: div"},
        {"structured data without an absolute address",
         {"--library", lib, "--style", "Std", "--json-ld", "example.com", dir / "site/index.htm"},
         "http:// か https://"},
        {"negative page bound",
         {"--library", lib, "--style", "Std", "--max-pages", "-1", dir / "site/index.htm"},
         "--max-pages は 0（上限なし）以上の整数です: -1"},
        {"page bound not a number",
         {"--library", lib, "--style", "Std", "--max-pages", "10x", dir / "site/index.htm"},
         "--max-pages は 0（上限なし）以上の整数です: 10x"},
        {"page bound past the largest number",
         {"--library", lib, "--style", "Std", "--max-pages", "99999999999", dir / "site/index.htm"},
         "--max-pages は 0（上限なし）以上の整数です: 99999999999"},
        {"level bound empty",
         {"--library", lib, "--style", "Std", "--max-level", "", dir / "site/index.htm"},
         "--max-level は 0（上限なし）以上の整数です: \n"},
        {"level bound with a sign",
         {"--library", lib, "--style", "Std", "--max-level", "+3", dir / "site/index.htm"},
         "--max-level は 0（上限なし）以上の整数です: +3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.args), 2);
        EXPECT_NE(err.str().find(c.stderrText), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(dir.read("site/index.htm"), "<body>\n");
}

TEST_F(ApplyCommandTest, PrintsEachPageThenTheEnd) {
    dir.write("site/index.htm", "<body>\n<A HREF=\"sub/a.htm\">a</A>\n");
    dir.write("site/sub/a.htm", "<body>\n");
    EXPECT_EQ(
        run({"--library", dir / "lib", "--style", "Std", "--bottom", dir / "site/./index.htm"}), 0);
    EXPECT_EQ(out.str(), "適応中：" + dir / "site/index.htm" + "\n" + "適応中：" +
                             dir / "site/sub/a.htm" + "\n適応が終了しました。\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_NE(dir.read("site/sub/a.htm").find("</TR></TABLE></TD></TR></TABLE></DIV>"),
              std::string::npos);

    EXPECT_EQ(run({"--library", dir / "lib", "--style", "Std", "--markup", "nav", "--json-ld",
                   "https://example.com/", dir / "site/index.htm"}),
              0);
    const std::string nav = dir.read("site/sub/a.htm");
    EXPECT_NE(nav.find("<ol "), std::string::npos) << nav;
    EXPECT_NE(nav.find("\"item\":\"https://example.com/sub/a.htm\""), std::string::npos) << nav;
    EXPECT_EQ(nav.find("<TABLE"), std::string::npos) << nav;

    EXPECT_EQ(run({"--library", dir / "lib", "--style", "Std", dir / "site/index.htm"}, true), 0);
    EXPECT_EQ(dir.read("site/sub/a.htm"), "<body>\n");
}

TEST_F(ApplyCommandTest, AFailedPageGivesExitOne) {
    dir.write("site/index.htm", "<body>\n<!--ソルビナ(https://solvina.example/)-->\n");
    EXPECT_EQ(run({"--style", "Std", "--library", dir / "lib", dir / "site/index.htm"}), 1);
    EXPECT_EQ(err.str().rfind("エラーが発生しました。\n", 0), 0u) << err.str();
    EXPECT_NE(out.str().find("適応が終了しました。"), std::string::npos);

    // A page with a second name is left whole, and the run says so.
    dir.write("site/index.htm", "<body>\n");
    std::filesystem::create_hard_link(dir / "site/index.htm", dir / "other.htm");
    EXPECT_EQ(run({"--style", "Std", "--library", dir / "lib", dir / "site/index.htm"}), 1);
    EXPECT_NE(err.str().find("このページには別の名前（ハードリンク）があります。"),
              std::string::npos);
    EXPECT_EQ(dir.read("other.htm"), "<body>\n");
}

TEST_F(ApplyCommandTest, AStyleWithAnUnsavedImageIsRefused) {
    BreadcrumbStyle style = programStartStyle();
    ASSERT_EQ(readStyleFile(nativeFileSystem(), dir / "lib/Std/Std.sty", style).outcome,
              StyleReadResult::Outcome::Loaded);
    style.rows[7].imageFile = "/pics/back.gif";
    ASSERT_TRUE(writeStyleFile(nativeFileSystem(), dir / "lib/Std/Std.sty", style).ok());
    dir.write("site/index.htm", "<body>\n");
    EXPECT_EQ(run({"--style", "Std", "--library", dir / "lib", dir / "site/index.htm"}), 2);
    EXPECT_NE(err.str().find("画像を変更した場合には"), std::string::npos);
}

// A dry run writes nothing and prints the tree (marks on pages without a block and on failing
// ones), the failures and the counts; as JSON the same.
TEST_F(ApplyCommandTest, ADryRunPrintsThePlanAndWritesNothing) {
    const std::map<std::string, std::string> pages{
        {"index.htm", "<title>Top</title><body>\n<a href=\"sub/a.htm\">a</a><a href=\"x.htm\">x"
                      "</a><a href=\"bad.htm\">b</a>\n"},
        {"sub/a.htm", "<title>A &amp; B</title><body>\n<a href=\"b.htm\">b</a>\n"},
        {"sub/b.htm", "<body>\n"},
        {"x.htm", "<!--NOTQUIBREL--><title>X</title><body>\n"},
        {"bad.htm", "<title>Bad</title><body>\n<!--ソルビナ(https://solvina.example/)-->\n"},
    };
    for (const auto& [path, bytes] : pages)
        dir.write("site/" + path, bytes);
    const std::vector<std::string> args{"--library", dir / "lib", "--style",
                                        "Std",       "--dry-run", dir / "site/index.htm"};
    EXPECT_EQ(run(args), 1);
    EXPECT_EQ(out.str(), "Top  index.htm\n"
                         "  A &amp; B  sub/a.htm\n"
                         "    b.htm  sub/b.htm\n"
                         "  X  x.htm  ［リストなし］\n"
                         "  Bad  bad.htm  ［失敗］\n"
                         "エラー：クイブレルリストの終わりの印「<!--ソルビナここまで-->」が見つかり"
                         "ません。（" +
                             dir / "site/bad.htm" +
                             "）\n"
                             "ページ 5（リストを書く 3、リストなし 1、失敗 1、読めない 0）、エラー "
                             "1\n");
    EXPECT_EQ(err.str(), "");
    std::vector<std::string> withJson = args;
    withJson.insert(withJson.end() - 1, {"--format", "json"});
    EXPECT_EQ(run(withJson, true), 1);
    EXPECT_NE(
        out.str().find("{\"path\": \"sub/a.htm\", \"title\": \"A &amp; B\", \"titleIsImage\": "
                       "false, \"level\": 1, \"parent\": 0, \"blocks\": 0, \"outcome\": "
                       "\"noBlock\", \"failure\": -1}"),
        std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\"counts\": {\"pages\": 5, \"withBlock\": 0, \"withoutBlock\": 4, "
                             "\"failed\": 1, \"unread\": 0, \"failures\": 1}"),
              std::string::npos);
    for (const auto& [path, bytes] : pages)
        EXPECT_EQ(dir.read("site/" + path), bytes) << path;
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(dir / "site"), {}), 6);
}

// A chain as deep as a site may go, printed by a dry run on a small stack: the tree is not
// printed by recursion.
TEST_F(ApplyCommandTest, ADryRunPrintsADeepChainOnASmallStack) {
    constexpr int kPages = 4000;
    for (int i = 0; i < kPages; ++i)
        dir.write("site/p" + std::to_string(i) + ".htm",
                  "<body>\n<A HREF=\"p" + std::to_string(i + 1) + ".htm\">n</A>\n");
    const std::vector<std::string> args{
        "--library", dir / "lib",   "--style", "Std",       "--max-level",
        "0",         "--max-pages", "0",       "--dry-run", dir / "site/p0.htm"};
    int status = -1;
    auto dryRun = [&] { status = run(args); };
    pthread_attr_t small;
    pthread_attr_init(&small);
    pthread_attr_setstacksize(&small, 256 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &small,
                  [](void* call) -> void* {
                      (*static_cast<decltype(dryRun)*>(call))();
                      return nullptr;
                  },
                  &dryRun),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&small);
    EXPECT_EQ(status, 0) << err.str();
    EXPECT_NE(out.str().find(std::string(2 * (kPages - 1), ' ') + "p3999.htm  p3999.htm\n"),
              std::string::npos);
}

// The page bound counts pages in the order the hierarchy enters them (depth first, or breadth
// first for shortest); each page reached past it, or deeper than the level bound, fails with the
// bound the run used; 0 lifts a bound.
TEST_F(ApplyCommandTest, TheBoundsOfARun) {
    const std::map<std::string, std::string> links{{"index.htm", "a.htm b.htm"},
                                                   {"a.htm", "c.htm d.htm"},
                                                   {"b.htm", "e.htm"},
                                                   {"c.htm", "f.htm"},
                                                   {"d.htm", ""},
                                                   {"e.htm", ""},
                                                   {"f.htm", ""}};
    for (const auto& [page, targets] : links) {
        std::string body = "<body>\n";
        std::istringstream names(targets);
        for (std::string name; names >> name;)
            body += "<A HREF=\"" + name + "\">x</A>\n";
        dir.write("site/" + page, body);
    }
    const std::string tooMany = "ページが多すぎます。3ページまでしか適応できません。";
    const std::string tooDeep = "階層が深すぎます。2階層までしか適応できません。";
    const struct {
        std::vector<std::string> options;
        const char* entered;
        std::vector<std::string> failures; // description + page
    } cases[] = {
        {{}, "index a c f d b e", {}},
        {{"--hierarchy", "shortest"}, "index a b c d e f", {}},
        {{"--max-pages", "3"}, "index a c", {tooMany + "f", tooMany + "d", tooMany + "b"}},
        {{"--max-pages", "3", "--hierarchy", "shortest"},
         "index a b",
         {tooMany + "c", tooMany + "d", tooMany + "e"}},
        {{"--max-level", "2"}, "index a c f d b e", {tooDeep + "f"}},
        {{"--max-level", "2", "--hierarchy", "shortest"}, "index a b c d e f", {tooDeep + "f"}},
        {{"--max-pages", "0", "--max-level", "0"}, "index a c f d b e", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.empty() ? "default" : c.options[1] + " " + c.options.back());
        std::vector<std::string> args{"--library", dir / "lib", "--style", "Std"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(dir / "site/index.htm");
        EXPECT_EQ(run(args), c.failures.empty() ? 0 : 1);
        std::string entered;
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("適応中：", 0) == 0)
                entered += (entered.empty() ? "" : " ") +
                           line.substr(line.rfind('/') + 1, line.size() - line.rfind('/') - 5);
        EXPECT_EQ(entered, c.entered);
        std::string failures;
        for (const std::string& failure : c.failures)
            failures += "エラーが発生しました。\n" + failure.substr(0, failure.size() - 1) + "（" +
                        dir / "site/" + failure.back() + ".htm）\n";
        EXPECT_EQ(err.str(), failures);

        // The dry run plans with the same bounds.
        args.insert(args.end() - 1, {"--dry-run", "--format", "json"});
        EXPECT_EQ(run(args), c.failures.empty() ? 0 : 1);
        EXPECT_NE(out.str().find("\"failures\": " + std::to_string(c.failures.size()) + "}"),
                  std::string::npos)
            << out.str();
    }
}

} // namespace
} // namespace solvina::test_support
