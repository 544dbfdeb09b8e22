// solvina-cli: option parsing, list and preview in-process with captured streams, and one run
// of the real executable.
#include "cli/cli.h"
#include "cli/cli_options.h"

#include "platform/text_codec.h"
#include "support/sample_style.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace solvina {
namespace {

namespace fs = std::filesystem;

TEST(CliOptions, ParsesOptionsFlagsAndPositionalsInAnyOrder) {
    const AcceptedOptions accepted{{"--library", "--style"}, {"--erase"}};
    auto parsed =
        parseOptions({"top.html", "--style", "Std", "--erase", "--library", "/l", "x"}, accepted);
    ASSERT_TRUE(parsed.ok()) << parsed.error();
    EXPECT_EQ(parsed->value("--style"), "Std");
    EXPECT_EQ(parsed->value("--library"), "/l");
    EXPECT_EQ(parsed->value("--out"), std::nullopt);
    EXPECT_TRUE(parsed->has("--erase"));
    EXPECT_EQ(parsed->positional, (std::vector<std::string>{"top.html", "x"}));

    auto afterEnd = parseOptions({"--", "--style", "-"}, accepted);
    ASSERT_TRUE(afterEnd.ok());
    EXPECT_EQ(afterEnd->positional, (std::vector<std::string>{"--style", "-"}));
    // A value may itself look like an option.
    auto dashedValue = parseOptions({"--style", "--erase"}, accepted);
    ASSERT_TRUE(dashedValue.ok());
    EXPECT_EQ(dashedValue->value("--style"), "--erase");
}

TEST(CliOptions, UsageErrors) {
    const AcceptedOptions accepted{{"--style"}, {"--erase"}};
    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } cases[] = {
        {{"--bogus"}, "不明なオプションです: --bogus"},
        {{"-x"}, "不明なオプションです: -x"},
        {{"--style"}, "オプション --style に値がありません。"},
        {{"--style", "a", "--style", "b"}, "オプション --style が二度指定されています。"},
        {{"--erase", "--erase"}, "オプション --erase が二度指定されています。"},
    };
    for (const auto& c : cases) {
        auto parsed = parseOptions(c.arguments, accepted);
        ASSERT_FALSE(parsed.ok()) << c.error;
        EXPECT_EQ(parsed.error(), c.error);
    }
}

// A library in a fresh temporary folder holding the style "Std" (the worked example), an
// empty folder "Ａ空" and a style "Bad" with a wrong header.
class Cli : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_root / "styledata/Ａ空");
        fs::create_directories(m_root / "styledata/Std");
        fs::copy_file(SOLVINA_TEST_DATA_DIR "/styles/Std/Std.sty",
                      m_root / "styledata/Std/Std.sty");
        m_root.write("styledata/Bad/Bad.sty", "<QUIBREL v1.0>\r\n");
    }

    int run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "solvina-cli");
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        m_out.str("");
        m_err.str("");
        return runCli(static_cast<int>(argv.size()), argv.data(), m_out, m_err);
    }
    std::string library() const { return m_root / "styledata"; }

    test_support::TempDir m_root;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(Cli, ListsTheStyleFoldersSorted) {
    fs::create_directories(library() + "/Alpha");
    m_root.write("styledata/notes.txt", "not a style");
    EXPECT_EQ(run({"list", "--library", library()}), 0);
    EXPECT_EQ(m_out.str(), "Alpha\nBad\nStd\nＡ空\n");
    EXPECT_EQ(m_err.str(), "");
    // A trailing "/" changes nothing.
    EXPECT_EQ(run({"list", "--library", library() + "/"}), 0);
    EXPECT_EQ(m_out.str(), "Alpha\nBad\nStd\nＡ空\n");
    // --verbose first says where the library is.
    EXPECT_EQ(run({"list", "--verbose", "--library", library()}), 0);
    EXPECT_EQ(m_out.str().rfind("スタイルライブラリ: " + library() + "\n", 0), 0u) << m_out.str();
    EXPECT_NE(m_out.str().find("\nAlpha\nBad\nStd\nＡ空\n"), std::string::npos);
}

TEST_F(Cli, ListOfAMissingLibraryFails) {
    EXPECT_EQ(run({"list", "--library", m_root / "nowhere"}), 1);
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(m_err.str().rfind("エラーが発生しました。\n", 0), 0u) << m_err.str();
}

TEST_F(Cli, PreviewOfAnUnreadableStyle) {
    const std::string out = m_root / "pre.html";
    EXPECT_EQ(run({"preview", "--library", library(), "--style", "Bad", "--out", out}), 2);
    EXPECT_EQ(m_err.str(), "このクイブレルスタイルファイルは読み込めません。\n");

    EXPECT_EQ(run({"preview", "--library", library(), "--style", "Ａ空", "--out", out}), 2);
    const std::string err = m_err.str();
    EXPECT_EQ(err.rfind("エラーが発生しました。\n", 0), 0u) << err;
    EXPECT_GT(err.size(), std::string("エラーが発生しました。\n").size() + 1);
    EXPECT_EQ(err.back(), '\n');

    EXPECT_FALSE(fs::exists(out));
}

TEST_F(Cli, UsageErrorsExitTwoWithTheUsage) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{}, "コマンドを指定してください。"},
        {{"frobnicate"}, "不明なコマンドです: frobnicate"},
        {{"list", "--style", "x"}, "不明なオプションです: --style"},
        {{"list", "extra"}, "余分な引数があります: extra"},
        {{"preview", "--library", "/x"}, "--style でスタイル名を指定してください。"},
        {{"preview", "--style", "../Std"}, "スタイル名にフォルダーは指定できません: ../Std"},
        {{"preview", "--style", ".."}, "スタイル名にフォルダーは指定できません: .."},
        {{"preview", "--style", "Std", "--markup", "ul"}, "--markup は table か nav です: ul"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.arguments), 2) << c.message;
        const std::string err = m_err.str();
        EXPECT_EQ(err.rfind(std::string(c.message) + "\n", 0), 0u) << err;
        EXPECT_NE(err.find("solvina-cli preview [--library DIR] --style NAME [--out FILE]"),
                  std::string::npos);
        EXPECT_EQ(m_out.str(), "");
    }
}

TEST_F(Cli, HelpGoesToStandardOutput) {
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(m_out.str().find("solvina-cli list [--library DIR]"), std::string::npos);
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(Cli, RealExecutableWritesCp932WithCrLf) {
    // A Japanese file name is handed on unchanged.
    const std::string out = m_root / "プレ.html";
    const std::string command = std::string("'") + SOLVINA_CLI_PATH + "' preview --library '" +
                                library() + "' --style Std --out '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto expected = cp932().encode(test::withCrLf(test::samplePreviewLines(library() + "/Std/")),
                                   Unencodable::Fail);
    ASSERT_TRUE(expected.ok());
    const std::string bytes = test_support::TempDir::readFile(out);
    EXPECT_EQ(bytes, *expected);
    // The title ソルビナプレビュー in CP932, right after <TITLE>.
    EXPECT_EQ(bytes.substr(19, 6), "\x83\x5C\x83\x8B\x83\x72");

    // A library named relative to the current folder gives the same full image paths.
    const std::string relative = std::string("cd '") + m_root.path() + "' && '" + SOLVINA_CLI_PATH +
                                 "' preview --library styledata --style Std " + "--out pre.html";
    ASSERT_EQ(std::system(relative.c_str()), 0);
    EXPECT_EQ(test_support::TempDir::readFile(m_root / "pre.html"), *expected);
}

// Under a file-size limit a page too large to write fails with a message; the run goes on.
TEST_F(Cli, RealExecutableReportsAPagePastTheFileSizeLimit) {
    m_root.write("site/index.htm", "<BODY>\n<A HREF=\"big.htm\">b</A>\n");
    m_root.write("site/big.htm", "<BODY>\n" + std::string(300 * 1024, 'x') + "\n");
    const std::string command = std::string("ulimit -f 200; XDG_STATE_HOME='") + m_root.path() +
                                "/state' '" + SOLVINA_CLI_PATH + "' apply --keep 0 --library '" +
                                library() + "' --style Std '" + m_root.path() +
                                "/site/index.htm' >/dev/null 2>'" + m_root.path() + "/err'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(test_support::TempDir::readFile(m_root / "err").find("big.htm.tmp"),
              std::string::npos);
    EXPECT_EQ(test_support::TempDir::readFile(m_root / "site/big.htm").size(), 300 * 1024 + 8);
    EXPECT_NE(test_support::TempDir::readFile(m_root / "site/index.htm").find("<TABLE"),
              std::string::npos);
}

} // namespace
} // namespace solvina
