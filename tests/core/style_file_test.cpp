// The style file: the create and save writers, the reader's line ends, header test, number
// lines, alignment buttons and where a failed read stops.
#include "style/style_file.h"

#include "platform/text_codec.h"
#include "style/numeric_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace solvina {
namespace {

// Whole files in memory; everything else is refused.
class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;
    bool refuseWrites = false;

    Status copyFile(const std::string&, const std::string&) override { return refused(); }
    Status copyFolder(const std::string&, const std::string&) override { return refused(); }
    Status deleteFile(const std::string&, bool) override { return refused(); }
    Status deleteFolder(const std::string&, bool) override { return refused(); }
    bool isRegularFile(const std::string& path) override { return files.count(path) != 0; }
    bool isDirectory(const std::string&) override { return false; }
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    Status makeFolder(const std::string&) override { return refused(); }
    Result<std::vector<std::string>> listSubfolders(const std::string&) override {
        return refused();
    }
    Status setNormalAttributes(const std::string&) override { return refused(); }
    Result<std::string> readWholeFile(const std::string& path) override {
        auto found = files.find(path);
        if (found == files.end())
            return fail("ファイルが見つかりません。");
        return found->second;
    }
    Status writeWholeFile(const std::string& path, std::string_view bytes) override {
        if (refuseWrites)
            return fail("ディスクに空き領域がありません。");
        files[path] = std::string(bytes);
        return {};
    }
    Result<std::unique_ptr<InputFile>> openForReading(const std::string&) override {
        return refused();
    }
    Result<std::unique_ptr<OutputFile>> createFile(const std::string&) override {
        return refused();
    }
    Status replaceFile(const std::string&, const std::string&) override { return refused(); }
    Status removeFile(const std::string&) override { return refused(); }
    Result<std::string> realPath(const std::string&) override { return refused(); }
    Result<FileIdentity> identity(const std::string&) override { return refused(); }

private:
    static Error refused() { return fail("not available in memory"); }
};

using Outcome = StyleReadResult::Outcome;

// Splits written bytes at CR LF, checking that every line ends with one.
std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "last line without CR LF";
        if (end == std::string::npos)
            end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines, const char* lineEnd = "\r\n") {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + lineEnd;
    return bytes;
}

std::string cp932Bytes(const std::string& text) {
    return *cp932().encode(text, Unencodable::Fail);
}

// Every mirrored field and slot, for comparing two styles.
void expectSameValues(const BreadcrumbStyle& a, const BreadcrumbStyle& b, const char* context) {
    for (int slot = 0; slot < kComparedSlots; ++slot) {
        EXPECT_EQ(a.fieldValue(slot), b.fieldValue(slot)) << context << ", field of slot " << slot;
        EXPECT_EQ(a.snapshot[slot], b.snapshot[slot]) << context << ", slot " << slot;
    }
}

class StyleFileTest : public ::testing::Test {
protected:
    MemoryFileSystem fs;
    const std::string createdPath = "/lib/Std/Std.sty";
    const std::string savedPath = "/lib/tmp/Std.sty";

    void SetUp() override { ASSERT_TRUE(writeDefaultStyleFile(fs, createdPath).ok()); }

    // The created file's lines, with one line (1-based) replaced.
    std::string createdWith(int lineNumber, const std::string& value) {
        std::vector<std::string> lines = linesOf(fs.files[createdPath]);
        lines[lineNumber - 1] = cp932Bytes(value);
        return joinLines(lines);
    }

    // A style whose values differ from every default, to see what a read changes.
    static BreadcrumbStyle oddStyle() {
        BreadcrumbStyle style = programStartStyle();
        for (StyleRow& row : style.rows) {
            row.text = "old";
            row.color = "111111";
            row.underline = 1;
            row.imageHeight = 7;
        }
        style.tableAlign = 1;
        style.cellVAlign = 5;
        style.height = "old";
        return style;
    }

    StyleReadResult read(const std::string& bytes, BreadcrumbStyle& style) {
        fs.files["/in.sty"] = bytes;
        return readStyleFile(fs, "/in.sty", style);
    }
};

TEST_F(StyleFileTest, PathIsTheStyleFolderAndName) {
    EXPECT_EQ(styleFilePath("/opt/solvina/styledata", "Std"), "/opt/solvina/styledata/Std/Std.sty");
    EXPECT_EQ(styleFilePath("/opt/solvina/styledata/", "標準"),
              "/opt/solvina/styledata/標準/標準.sty");
}

TEST_F(StyleFileTest, CreateWritesTheDefaultLines) {
    std::vector<std::string> lines = linesOf(fs.files[createdPath]);
    ASSERT_EQ(lines.size(), 78u);
    const std::vector<std::string> head = {
        "<quibrel v1.0>", "[Navi:", cp932Bytes("標準"), "0", "0", "0", "000000", "", "0", "0", ">"};
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 11), head);
    EXPECT_EQ(lines[55], "]");
    EXPECT_EQ(lines[64], "");
    EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()),
              (std::vector<std::string>{"", "0", "0", "", "4"}));
}

TEST_F(StyleFileTest, CreatedAndSavedFilesReadBackAlikeAndDifferOnlyInNumberLines) {
    BreadcrumbStyle fromCreated = oddStyle();
    ASSERT_TRUE(readStyleFile(fs, createdPath, fromCreated).ok());
    EXPECT_FALSE(fromCreated.isModified());
    for (int i = 0; i < kRowCount; ++i)
        EXPECT_EQ(fromCreated.rows[i].text, kNewStyleRowTexts[i]);
    EXPECT_EQ(fromCreated.tableAlign, 0);
    EXPECT_EQ(fromCreated.cellVAlign, 4);
    EXPECT_EQ(fromCreated.borderWidth, "0");

    ASSERT_TRUE(writeStyleFile(fs, savedPath, fromCreated).ok());
    EXPECT_FALSE(fromCreated.isModified());
    BreadcrumbStyle fromSaved = oddStyle();
    ASSERT_TRUE(readStyleFile(fs, savedPath, fromSaved).ok());
    EXPECT_FALSE(fromSaved.isModified());
    expectSameValues(fromCreated, fromSaved, "created against saved");

    std::vector<std::string> created = linesOf(fs.files[createdPath]);
    std::vector<std::string> saved = linesOf(fs.files[savedPath]);
    ASSERT_EQ(saved.size(), 78u);
    for (std::size_t i = 0; i < created.size(); ++i) {
        if (created[i] != saved[i]) {
            EXPECT_EQ(" " + created[i] + " ", saved[i]) << "line " << i + 1;
        }
    }
    EXPECT_EQ(saved[75], " 0 ");
    EXPECT_EQ(saved[77], " 4 ");
}

TEST_F(StyleFileTest, SaveWritesEveryValueAsItReadsBack) {
    BreadcrumbStyle style = programStartStyle();
    style.rows[0].text = "現在地：ソ表";
    style.rows[1].text = " > ";
    style.rows[2].text = "a\nb"; // a lone LF stays inside its line
    style.rows[3].bold = 0.5;
    style.rows[3].italic = 2;
    style.rows[3].imageWidth = -3;
    style.rows[4].imageWidth = 100.5;
    style.rows[4].imageHeight = -32768;
    style.rows[5].imageWidth = 0.1;
    style.rows[6].imageFile = "矢印.gif";
    style.rows[7].text = "見えない";
    style.backgroundColor = "C0FFFF";
    style.borderWidth = "2px";
    style.height = "30";
    style.tableAlign = 2;
    style.cellVAlign = 5;
    ASSERT_TRUE(writeStyleFile(fs, savedPath, style).ok());
    EXPECT_FALSE(style.isModified());

    std::vector<std::string> lines = linesOf(fs.files[savedPath]);
    ASSERT_EQ(lines.size(), 78u);
    EXPECT_EQ(lines[1], cp932Bytes("現在地：ソ表"));
    EXPECT_EQ(lines[10], " > ");
    EXPECT_EQ(lines[30], " 0.5 ");
    EXPECT_EQ(lines[31], " 2 ");
    EXPECT_EQ(lines[35], "-3 ");
    EXPECT_EQ(lines[44], " 100.5 ");
    EXPECT_EQ(lines[45], "-32768 ");
    EXPECT_EQ(lines[53], " 0.1 ");
    EXPECT_EQ(lines[75], " 2 ");
    EXPECT_EQ(lines[77], " 5 ");

    BreadcrumbStyle readBack = oddStyle();
    ASSERT_TRUE(readStyleFile(fs, savedPath, readBack).ok());
    EXPECT_FALSE(readBack.isModified());
    expectSameValues(style, readBack, "saved against read back");
}

TEST_F(StyleFileTest, RowTextsTakeReferencesForCharactersCp932Lacks) {
    BreadcrumbStyle style = programStartStyle();
    style.rows[0].text = "→😀";
    style.rows[7].text = "€";
    ASSERT_TRUE(writeStyleFile(fs, savedPath, style).ok());
    EXPECT_FALSE(style.isModified());
    std::vector<std::string> lines = linesOf(fs.files[savedPath]);
    EXPECT_EQ(lines[1], cp932Bytes("→") + "&#128512;");
    EXPECT_EQ(lines[64], "&#8364;");
}

TEST_F(StyleFileTest, RefusedValuesFailBeforeAnythingIsWritten) {
    const struct {
        const char* name;
        std::function<void(BreadcrumbStyle&)> edit;
    } cases[] = {
        {"font size", [](BreadcrumbStyle& s) { s.rows[1].fontSize = "😀"; }},
        {"colour", [](BreadcrumbStyle& s) { s.rows[2].color = "€"; }},
        {"image file", [](BreadcrumbStyle& s) { s.rows[7].imageFile = "😀.gif"; }},
        {"background", [](BreadcrumbStyle& s) { s.backgroundColor = "😀"; }},
        {"border", [](BreadcrumbStyle& s) { s.borderWidth = "😀"; }},
        {"height", [](BreadcrumbStyle& s) { s.height = "😀"; }},
        {"CR inside a row text", [](BreadcrumbStyle& s) { s.rows[0].text = "a\rb"; }},
        {"LF opening a text", [](BreadcrumbStyle& s) { s.height = "\n30"; }},
        {"infinite width",
         [](BreadcrumbStyle& s) { s.rows[3].imageWidth = numericValue("1e999"); }},
        {"infinite bold", [](BreadcrumbStyle& s) { s.rows[0].bold = -numericValue("1e999"); }},
    };
    for (const auto& c : cases) {
        fs.files[savedPath] = "previous";
        BreadcrumbStyle style = programStartStyle();
        c.edit(style);
        Status status = writeStyleFile(fs, savedPath, style);
        EXPECT_FALSE(status.ok()) << c.name;
        EXPECT_FALSE(status.error().empty()) << c.name;
        EXPECT_EQ(fs.files[savedPath], "previous") << c.name;
        EXPECT_EQ(style.snapshot[0], SnapshotValue(std::string())) << c.name;
    }
}

TEST_F(StyleFileTest, FailedWriteLeavesTheStyleModified) {
    BreadcrumbStyle style = programStartStyle();
    fs.refuseWrites = true;
    Status status = writeStyleFile(fs, savedPath, style);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error(), "ディスクに空き領域がありません。");
    EXPECT_TRUE(style.isModified());
}

TEST_F(StyleFileTest, HeaderMustMatchExactly) {
    const std::string body = fs.files[createdPath].substr(std::string("<quibrel v1.0>\r\n").size());
    for (const char* header : {"<QUIBREL v1.0>", "<quibrel v1.0> ", " <quibrel v1.0>",
                               "<quibrel v1.0>\n", "<quibrel v1.1>", ""}) {
        BreadcrumbStyle style = oddStyle();
        const BreadcrumbStyle before = style;
        StyleReadResult result = read(header + std::string("\r\n") + body, style);
        EXPECT_EQ(result.outcome, Outcome::WrongHeader) << "\"" << header << "\"";
        EXPECT_EQ(result.description, kWrongHeaderMessage);
        expectSameValues(style, before, header);
    }
}

TEST_F(StyleFileTest, LinesEndAtCrLfOrLoneCr) {
    std::vector<std::string> lines = linesOf(fs.files[createdPath]);
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"lone CR", joinLines(lines, "\r")},
        {"no end on the last line", joinLines(lines).substr(0, joinLines(lines).size() - 2)},
        {"lines after 78", joinLines(lines) + "garbage\r\n\xFF\r\n"},
        {"mixed", joinLines(std::vector<std::string>(lines.begin(), lines.begin() + 40), "\r") +
                      joinLines(std::vector<std::string>(lines.begin() + 40, lines.end()))},
    };
    BreadcrumbStyle expected = programStartStyle();
    ASSERT_TRUE(readStyleFile(fs, createdPath, expected).ok());
    for (const auto& c : cases) {
        BreadcrumbStyle style = oddStyle();
        StyleReadResult result = read(c.bytes, style);
        EXPECT_TRUE(result.ok()) << c.name << ": " << result.description;
        expectSameValues(style, expected, c.name);
    }
}

TEST_F(StyleFileTest, ValueLinesReadIntoFieldsAndSlots) {
    const struct {
        const char* name;
        int line;
        std::string value;
        std::function<void(const BreadcrumbStyle&)> check;
        bool modified;
    } cases[] = {
        {"blanks kept in a text", 11, " > ",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.rows[1].text, " > "); }, false},
        {"lone LF in a text", 2, "a\nb",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.rows[0].text, "a\nb"); }, false},
        {"CP932 text", 2, "現在地：ソ表",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.rows[0].text, "現在地：ソ表"); }, false},
        {"row 7 text kept", 65, "見えない",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.rows[7].text, "見えない"); }, false},
        {"underline rounds, slot keeps 0.5", 6, "0.5",
         [](const BreadcrumbStyle& s) {
             EXPECT_EQ(s.rows[0].underline, 0);
             EXPECT_EQ(s.snapshot[4], SnapshotValue(0.5));
         },
         true},
        {"image height 100.5", 10, "100.5",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.rows[0].imageHeight, 100); }, true},
        {"image height 101.5", 10, "101.5",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.rows[0].imageHeight, 102); }, true},
        {"image height at the limit", 19, "-32768",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.rows[1].imageHeight, -32768); }, false},
        {"image width unrounded", 9, " 100.5 ",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.rows[0].imageWidth, 100.5); }, false},
        {"bold as read", 4, "2",
         [](const BreadcrumbStyle& s) {
             EXPECT_EQ(s.rows[0].bold, 2);
             EXPECT_FALSE(s.rows[0].isBold());
         },
         false},
        {"number with blanks and unit", 13, " 1 ",
         [](const BreadcrumbStyle& s) { EXPECT_TRUE(s.rows[1].isBold()); }, false},
        {"table line selects the table group", 76, "2",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.tableAlign, 2); }, false},
        {"table line rounds halves to even", 76, "2.5",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.tableAlign, 2); }, true},
        {"table line holding 4 selects vertical middle", 76, "4",
         [](const BreadcrumbStyle& s) {
             EXPECT_EQ(s.tableAlign, 1); // as it was before the read
             EXPECT_EQ(s.cellVAlign, 4);
             EXPECT_EQ(s.snapshot[74], SnapshotValue(4.0));
         },
         true},
        {"vertical line holding 1 selects table centre", 78, "1",
         [](const BreadcrumbStyle& s) {
             EXPECT_EQ(s.tableAlign, 1);
             EXPECT_EQ(s.cellVAlign, 5); // as it was before the read
         },
         true},
        {"vertical line rounds -0.5 to 0", 78, "-0.5",
         [](const BreadcrumbStyle& s) { EXPECT_EQ(s.tableAlign, 0); }, true},
    };
    for (const auto& c : cases) {
        BreadcrumbStyle style = oddStyle();
        StyleReadResult result = read(createdWith(c.line, c.value), style);
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.description;
        c.check(style);
        EXPECT_EQ(style.isModified(), c.modified) << c.name;
    }
}

TEST_F(StyleFileTest, ReadStopsAtTheFirstFailureKeepingWhatWasRead) {
    const struct {
        const char* name;
        int line;
        std::string value;
        const char* description;
    } cases[] = {
        {"underline beyond 16 bits", 42, "32768", kOverflowDescription},
        {"underline rounding beyond 16 bits", 42, "32767.5", kOverflowDescription},
        {"image height below 16 bits", 46, "-32769", kOverflowDescription},
        {"number too large for any field", 40, "1e999", kOverflowDescription},
        {"width too large", 45, "-1e400", kOverflowDescription},
        {"option index 6", 76, "6", "インデックスが有効範囲にありません。"},
        {"option index -1", 78, "-1", "インデックスが有効範囲にありません。"},
        {"option index rounding to 6", 78, "5.5", "インデックスが有効範囲にありません。"},
        {"option index beyond 16 bits", 76, "40000", kOverflowDescription},
    };
    for (const auto& c : cases) {
        BreadcrumbStyle style = oddStyle();
        StyleReadResult result = read(createdWith(c.line, c.value), style);
        EXPECT_EQ(result.outcome, Outcome::Failed) << c.name;
        EXPECT_EQ(result.description, c.description) << c.name;
        // The lines before the failing one were read; the failing one and those after were not.
        EXPECT_EQ(style.rows[0].text, "[Navi:") << c.name;
        EXPECT_EQ(style.snapshot[c.line - 2], SnapshotValue(std::string())) << c.name;
        if (c.line < 74) {
            EXPECT_EQ(style.rows[7].color, "111111") << c.name;
        }
        EXPECT_EQ(style.cellVAlign, 5) << c.name;
    }
}

TEST_F(StyleFileTest, ShortFilesFailAtTheMissingLine) {
    std::vector<std::string> lines = linesOf(fs.files[createdPath]);
    BreadcrumbStyle style = oddStyle();
    StyleReadResult result =
        read(joinLines(std::vector<std::string>(lines.begin(), lines.end() - 1)), style);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.description, "ファイルの終わりを越えて読み込もうとしました。");
    EXPECT_EQ(style.height, "");
    EXPECT_EQ(style.tableAlign, 0);
    EXPECT_EQ(style.cellVAlign, 5);
    EXPECT_EQ(style.snapshot[76], SnapshotValue(std::string()));

    for (const std::string& bytes : {std::string(), std::string("<quibrel v1.0>\r\n")}) {
        BreadcrumbStyle empty = oddStyle();
        EXPECT_EQ(read(bytes, empty).outcome, Outcome::Failed);
        EXPECT_EQ(empty.rows[0].text, "old");
    }
}

TEST_F(StyleFileTest, StoredStyleReadsAndSavesBackByteForByte) {
    std::ifstream in(SOLVINA_TEST_DATA_DIR "/styles/Std/Std.sty", std::ios::binary);
    ASSERT_TRUE(in.good());
    const std::string stored{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    BreadcrumbStyle style = oddStyle();
    ASSERT_TRUE(read(stored, style).ok());
    EXPECT_FALSE(style.isModified());
    EXPECT_EQ(style.rows[0].text, "現在地：");
    EXPECT_TRUE(style.rows[0].isBold());
    EXPECT_EQ(style.rows[3].imageFile, "arrow.gif");
    EXPECT_EQ(style.rows[3].imageHeight, 12);
    EXPECT_EQ(style.rows[7].fontSize, "-1");
    EXPECT_TRUE(style.rows[7].isUnderlined());
    EXPECT_EQ(style.backgroundColor, "CCFFFF");
    EXPECT_EQ(style.height, "24");
    EXPECT_EQ(style.tableAlign, 1);
    EXPECT_EQ(style.cellVAlign, 4);
    ASSERT_TRUE(writeStyleFile(fs, savedPath, style).ok());
    EXPECT_EQ(fs.files[savedPath], stored);
}

TEST_F(StyleFileTest, MissingFileGivesTheFileSystemsDescription) {
    BreadcrumbStyle style = oddStyle();
    StyleReadResult result = readStyleFile(fs, "/lib/none/none.sty", style);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.description, "ファイルが見つかりません。");
}

} // namespace
} // namespace solvina
