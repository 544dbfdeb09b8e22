// The style file: the create and save writers, and the reader on files both writers made and on
// files no writer made (foreign headers, cut-off files, numbers out of range, bytes that are no
// CP932, lines of ten megabytes).
#include "style/style_file.h"

#include "platform/text_codec.h"
#include "style/numeric_text.h"
#include "support/memory_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace solvina {
namespace {

using Outcome = StyleReadResult::Outcome;

constexpr std::size_t kTenMiB = 10 * 1024 * 1024;
const char* const kOverflow = "オーバーフローしました。";
const char* const kBadIndex = "インデックスが有効範囲にありません。";
const std::string kFffd = "\xEF\xBF\xBD";

// Splits written bytes at CR LF, checking that every line ends with one.
std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "last line without CR LF";
        end = std::min(end, bytes.size());
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string joinLines(std::vector<std::string>::const_iterator begin,
                      std::vector<std::string>::const_iterator end, const char* lineEnd = "\r\n") {
    std::string bytes;
    for (; begin != end; ++begin)
        bytes += *begin + lineEnd;
    return bytes;
}

std::string cp932Bytes(const std::string& text) {
    return *cp932().encode(text, Unencodable::Fail);
}

// Every mirrored field and slot, for comparing two styles.
void expectSameValues(const BreadcrumbStyle& a, const BreadcrumbStyle& b,
                      const std::string& context) {
    for (int slot = 0; slot < kComparedSlots; ++slot) {
        EXPECT_EQ(a.fieldValue(slot), b.fieldValue(slot)) << context << ", field of slot " << slot;
        EXPECT_EQ(a.snapshot[slot], b.snapshot[slot]) << context << ", slot " << slot;
    }
}

// A style whose values differ from every default, to see what a read changes.
BreadcrumbStyle oddStyle() {
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

class StyleFileTest : public testing::Test {
protected:
    test_support::MemoryFileSystem fs;
    const std::string createdPath = "/lib/Std/Std.sty";
    const std::string savedPath = "/lib/tmp/Std.sty";
    std::string created;
    std::vector<std::string> lines;

    void SetUp() override {
        ASSERT_TRUE(writeDefaultStyleFile(fs, createdPath).ok());
        created = fs.files[createdPath];
        lines = linesOf(created);
        ASSERT_EQ(lines.size(), 78u);
    }

    // The created file with line n (1-based) replaced by raw bytes.
    std::string createdWith(int n, const std::string& bytes) const {
        std::vector<std::string> changed = lines;
        changed[n - 1] = bytes;
        return joinLines(changed.begin(), changed.end());
    }

    StyleReadResult read(const std::string& bytes, BreadcrumbStyle& style) {
        fs.files["/in.sty"] = bytes;
        return readStyleFile(fs, "/in.sty", style);
    }
};

TEST_F(StyleFileTest, CreateWritesTheDefaultLines) {
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

    ASSERT_TRUE(writeStyleFile(fs, savedPath, fromCreated).ok());
    BreadcrumbStyle fromSaved = oddStyle();
    ASSERT_TRUE(readStyleFile(fs, savedPath, fromSaved).ok());
    EXPECT_FALSE(fromSaved.isModified());
    expectSameValues(fromCreated, fromSaved, "created against saved");

    std::vector<std::string> saved = linesOf(fs.files[savedPath]);
    ASSERT_EQ(saved.size(), 78u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] != saved[i]) {
            EXPECT_EQ(" " + lines[i] + " ", saved[i]) << "line " << i + 1;
        }
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

    std::vector<std::string> saved = linesOf(fs.files[savedPath]);
    ASSERT_EQ(saved.size(), 78u);
    const std::string kanji = cp932Bytes("現在地：ソ表");
    const std::pair<int, std::string> expected[] = {
        {1, kanji},      {10, " > "},     {30, " 0.5 "}, {31, " 2 "}, {35, "-3 "},
        {44, " 100.5 "}, {45, "-32768 "}, {53, " 0.1 "}, {75, " 2 "}, {77, " 5 "}};
    for (const auto& [index, line] : expected)
        EXPECT_EQ(saved[index], line) << "line " << index + 1;

    BreadcrumbStyle readBack = oddStyle();
    ASSERT_TRUE(readStyleFile(fs, savedPath, readBack).ok());
    EXPECT_FALSE(readBack.isModified());
    expectSameValues(style, readBack, "saved against read back");
}

TEST_F(StyleFileTest, RowTextsTakeReferencesForCharactersCp932Lacks) {
    BreadcrumbStyle style = programStartStyle();
    style.rows[0].text = "→😀¥100";
    style.rows[7].text = "€—";
    ASSERT_TRUE(writeStyleFile(fs, savedPath, style).ok());
    std::vector<std::string> saved = linesOf(fs.files[savedPath]);
    EXPECT_EQ(saved[1], cp932Bytes("→") + "&#128512;&#165;100");
    EXPECT_EQ(saved[64], "&#8364;&#8212;");
}

// A refused value fails before anything is written; the style stays modified either way.
TEST_F(StyleFileTest, FailedSaveWritesNothing) {
    const struct {
        const char* name;
        std::function<void(BreadcrumbStyle&)> edit;
    } cases[] = {
        {"row field", [](BreadcrumbStyle& s) { s.rows[7].imageFile = "😀.gif"; }},
        {"yen in an image name", [](BreadcrumbStyle& s) { s.rows[1].imageFile = "¥.gif"; }},
        {"list option", [](BreadcrumbStyle& s) { s.height = "😀"; }},
        {"CR inside a row text", [](BreadcrumbStyle& s) { s.rows[0].text = "a\rb"; }},
        {"LF opening a text", [](BreadcrumbStyle& s) { s.height = "\n30"; }},
        {"infinite width",
         [](BreadcrumbStyle& s) { s.rows[3].imageWidth = numericValue("1e999"); }},
        {"infinite bold", [](BreadcrumbStyle& s) { s.rows[0].bold = -numericValue("1e999"); }},
        {"full disk", [this](BreadcrumbStyle&) { fs.refuseWrites = true; }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs.files[savedPath] = "previous";
        fs.refuseWrites = false;
        BreadcrumbStyle style = programStartStyle();
        c.edit(style);
        Status status = writeStyleFile(fs, savedPath, style);
        EXPECT_FALSE(status.ok());
        EXPECT_FALSE(status.error().empty());
        EXPECT_EQ(fs.files[savedPath], "previous");
        EXPECT_EQ(style.snapshot[0], SnapshotValue(std::string()));
    }
}

TEST_F(StyleFileTest, ForeignHeadersAreRefusedAndChangeNothing) {
    const std::string body = created.substr(16);
    const std::string cases[] = {"<QUIBREL v1.0>\r\n" + body,
                                 "<quibrel v1.0> \r\n" + body,
                                 "<quibrel v1.1>\r\n" + body,
                                 "\r\n" + body,
                                 "<quibrel v1.0>\n" + body, // a lone LF ends no line
                                 std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                                 "\xEF\xBB\xBF" + created, // byte-order mark
                                 std::string("\xFF\xFE<\0q\0u\0", 8) + "\r\n",
                                 std::string("<quibrel\0v1.0>\r\n", 16) + body,
                                 std::string(kTenMiB, '<') + "\r\n"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        BreadcrumbStyle style = oddStyle();
        const BreadcrumbStyle before = style;
        StyleReadResult result = read(cases[i], style);
        EXPECT_EQ(result.outcome, Outcome::WrongHeader) << "case " << i;
        EXPECT_EQ(result.description, "このクイブレルスタイルファイルは読み込めません。");
        expectSameValues(style, before, "case " + std::to_string(i));
    }
}

TEST_F(StyleFileTest, LinesEndAtCrLfOrLoneCr) {
    const std::string crLf = joinLines(lines.begin(), lines.end());
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"lone CR", joinLines(lines.begin(), lines.end(), "\r")},
        {"no end on the last line", crLf.substr(0, crLf.size() - 2)},
        {"lines after 78", crLf + "garbage\r\n\xFF\r\n"},
        {"mixed", joinLines(lines.begin(), lines.begin() + 40, "\r") +
                      joinLines(lines.begin() + 40, lines.end())},
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

// One line of the created file replaced; the field that line fills takes the value (texts and
// numbers the writer makes are read back by the round trips above; here what no writer makes).
// A slot keeps the number as read, so a rounded number counts as modified.
TEST_F(StyleFileTest, ValueLinesLoadIntoTheirFields) {
    const struct {
        const char* name;
        int line;
        std::string bytes;
        SnapshotValue value;
        bool modified = false;
    } cases[] = {
        {"NUL inside a text", 2, std::string("a\0b", 3), std::string("a\0b", 3)},
        {"lead byte at the end of the line", 2, "[\x83", "[" + kFffd},
        {"valid text around a bad byte", 2, "\x83\x5C\xA0\x95\x5C", "ソ" + kFffd + "表"},
        {"underline rounds", 6, "0.5", 0.0, true},
        {"image height rounds", 10, "101.5", 102.0, true},
        {"width beyond 16 bits is kept", 9, "1e300", 1e300},
        // Lines of ten megabytes load without hanging.
        {"ten-megabyte row text", 2, std::string(kTenMiB, 'x'), std::string(kTenMiB, 'x')},
        {"ten megabytes of CP932 lead bytes", 2, std::string(kTenMiB, '\x83'),
         cp932().decode(std::string(kTenMiB, '\x83'))},
        {"ten megabytes of blanks before a bold 1", 4, std::string(kTenMiB, ' ') + "1", 1.0},
        {"ten million zeros of height", 10, std::string(kTenMiB, '0'), 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BreadcrumbStyle style = oddStyle();
        StyleReadResult result = read(createdWith(c.line, c.bytes), style);
        ASSERT_TRUE(result.ok()) << result.description;
        EXPECT_EQ(style.fieldValue(c.line - 2), c.value);
        EXPECT_EQ(style.isModified(), c.modified);
    }
}

// The two alignment lines each select one option button of either group: a number of the other
// group leaves this group's field as it was before the read (table 1, vertical 5).
TEST_F(StyleFileTest, AlignmentLinesSelectAnOptionOfEitherGroup) {
    const struct {
        int line;
        std::string bytes;
        int table;
        int vertical;
        bool modified;
    } cases[] = {
        {76, "2", 2, 4, false},   {76, "2.5", 2, 4, true}, // halves round to even
        {76, "4", 1, 4, true},    {78, "1", 1, 5, true},
        {78, "-0.5", 0, 5, true}, {76, "1." + std::string(kTenMiB, '4'), 1, 4, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("line " + std::to_string(c.line) + " " + c.bytes.substr(0, 8));
        BreadcrumbStyle style = oddStyle();
        ASSERT_TRUE(read(createdWith(c.line, c.bytes), style).ok());
        EXPECT_EQ(style.tableAlign, c.table);
        EXPECT_EQ(style.cellVAlign, c.vertical);
        EXPECT_EQ(style.isModified(), c.modified);
    }
}

// The read stops at the failing line with the description, keeping what the lines before it
// gave and leaving that line's field and those after as they were. Numbers are checked after
// rounding (32767.5) and before any 16-bit wrap (65541 would wrap to a valid index).
TEST_F(StyleFileTest, ValueLinesOutOfRangeStopTheRead) {
    const std::string digits400 = std::string(400, '9'), digitsTenMiB(kTenMiB, '7');
    const std::string hugeExponent = "1e" + std::string(kTenMiB, '9');
    const struct {
        int line;
        std::string bytes;
        const char* failure;
    } cases[] = {
        {42, "32768", kOverflow},     {42, "32767.5", kOverflow},   {46, "-32769", kOverflow},
        {10, digits400, kOverflow},   {4, "1e309", kOverflow},      {45, "-1e400", kOverflow},
        {6, digitsTenMiB, kOverflow}, {9, hugeExponent, kOverflow}, {76, "6", kBadIndex},
        {78, "-1", kBadIndex},        {76, "-0.6", kBadIndex},      {78, "5.5", kBadIndex},
        {76, "40000", kOverflow},     {78, "65541", kOverflow},     {76, "1e10", kOverflow}};
    for (const auto& c : cases) {
        SCOPED_TRACE("line " + std::to_string(c.line) + " " + c.bytes.substr(0, 8));
        BreadcrumbStyle style = oddStyle();
        StyleReadResult result = read(createdWith(c.line, c.bytes), style);
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_EQ(result.description, c.failure);
        EXPECT_EQ(style.rows[0].text, "[Navi:");
        EXPECT_EQ(style.snapshot[c.line - 2], SnapshotValue(std::string()));
        if (c.line < 74) {
            EXPECT_EQ(style.rows[7].color, "111111");
        }
        EXPECT_EQ(style.cellVAlign, 5);
    }
}

// Every cut of the file fails with a description, except cuts that lose only the last line end;
// a file of 77 whole lines fails at the missing line.
TEST_F(StyleFileTest, EveryCutOffFileFailsCleanly) {
    for (std::size_t length = 0; length < created.size(); ++length) {
        SCOPED_TRACE("cut at " + std::to_string(length));
        BreadcrumbStyle style = oddStyle();
        StyleReadResult result = read(created.substr(0, length), style);
        if (length >= created.size() - 2) {
            EXPECT_TRUE(result.ok()) << result.description;
        } else if (length >= 1 && length < 14) {
            EXPECT_EQ(result.outcome, Outcome::WrongHeader);
        } else {
            EXPECT_EQ(result.outcome, Outcome::Failed);
            EXPECT_FALSE(result.description.empty());
            if (length <= 16) {
                EXPECT_EQ(style.rows[0].text, "old");
            }
            if (length == created.size() - 3) {
                EXPECT_EQ(result.description, "ファイルの終わりを越えて読み込もうとしました。");
            }
        }
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
    EXPECT_EQ(style.rows[3].imageFile, "arrow.gif");
    EXPECT_EQ(style.rows[3].imageHeight, 12);
    EXPECT_EQ(style.backgroundColor, "CCFFFF");
    EXPECT_EQ(style.cellVAlign, 4);
    ASSERT_TRUE(writeStyleFile(fs, savedPath, style).ok());
    EXPECT_EQ(fs.files[savedPath], stored);
}

TEST_F(StyleFileTest, MissingFileGivesTheFileSystemsDescription) {
    BreadcrumbStyle style = oddStyle();
    StyleReadResult result = readStyleFile(fs, "/lib/none/none.sty", style);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.description, "ファイルが見つかりません。（/lib/none/none.sty）");
}

} // namespace
} // namespace solvina
