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
using Check = std::function<void(const BreadcrumbStyle&)>;

constexpr std::size_t kTenMiB = 10 * 1024 * 1024;
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

class StyleFileTest : public ::testing::Test {
protected:
    testing::MemoryFileSystem fs;
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

TEST_F(StyleFileTest, PathIsTheStyleFolderAndName) {
    EXPECT_EQ(styleFilePath("/opt/styledata", "Std"), "/opt/styledata/Std/Std.sty");
    EXPECT_EQ(styleFilePath("/opt/styledata/", "標準"), "/opt/styledata/標準/標準.sty");
}

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
    EXPECT_EQ(fromCreated.tableAlign, 0);
    EXPECT_EQ(fromCreated.cellVAlign, 4);
    EXPECT_EQ(fromCreated.borderWidth, "0");

    ASSERT_TRUE(writeStyleFile(fs, savedPath, fromCreated).ok());
    EXPECT_FALSE(fromCreated.isModified());
    BreadcrumbStyle fromSaved = oddStyle();
    ASSERT_TRUE(readStyleFile(fs, savedPath, fromSaved).ok());
    EXPECT_FALSE(fromSaved.isModified());
    expectSameValues(fromCreated, fromSaved, "created against saved");

    std::vector<std::string> saved = linesOf(fs.files[savedPath]);
    ASSERT_EQ(saved.size(), 78u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] != saved[i])
            EXPECT_EQ(" " + lines[i] + " ", saved[i]) << "line " << i + 1;
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

    std::vector<std::string> saved = linesOf(fs.files[savedPath]);
    ASSERT_EQ(saved.size(), 78u);
    const std::pair<int, std::string> expected[] = {{1, cp932Bytes("現在地：ソ表")},
                                                    {10, " > "},
                                                    {30, " 0.5 "},
                                                    {31, " 2 "},
                                                    {35, "-3 "},
                                                    {44, " 100.5 "},
                                                    {45, "-32768 "},
                                                    {53, " 0.1 "},
                                                    {75, " 2 "},
                                                    {77, " 5 "}};
    for (const auto& [index, line] : expected)
        EXPECT_EQ(saved[index], line) << "line " << index + 1;

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
    std::vector<std::string> saved = linesOf(fs.files[savedPath]);
    EXPECT_EQ(saved[1], cp932Bytes("→") + "&#128512;");
    EXPECT_EQ(saved[64], "&#8364;");
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
        SCOPED_TRACE(c.name);
        fs.files[savedPath] = "previous";
        BreadcrumbStyle style = programStartStyle();
        c.edit(style);
        Status status = writeStyleFile(fs, savedPath, style);
        EXPECT_FALSE(status.ok());
        EXPECT_FALSE(status.error().empty());
        EXPECT_EQ(fs.files[savedPath], "previous");
        EXPECT_EQ(style.snapshot[0], SnapshotValue(std::string()));
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

TEST_F(StyleFileTest, ForeignHeadersAreRefusedAndChangeNothing) {
    const std::string body = created.substr(16);
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"upper case", "<QUIBREL v1.0>\r\n" + body},
        {"blank after", "<quibrel v1.0> \r\n" + body},
        {"blank before", " <quibrel v1.0>\r\n" + body},
        {"other version", "<quibrel v1.1>\r\n" + body},
        {"empty first line", "\r\n" + body},
        {"header ended by a lone LF", "<quibrel v1.0>\n" + body},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"byte-order mark before the header", "\xEF\xBB\xBF" + created},
        {"UTF-16 header", std::string("\xFF\xFE<\0q\0u\0", 8) + "\r\n"},
        {"NUL inside the header", std::string("<quibrel\0v1.0>\r\n", 16) + body},
        {"ten-megabyte header", std::string(kTenMiB, '<') + "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BreadcrumbStyle style = oddStyle();
        const BreadcrumbStyle before = style;
        StyleReadResult result = read(c.bytes, style);
        EXPECT_EQ(result.outcome, Outcome::WrongHeader);
        EXPECT_EQ(result.description, kWrongHeaderMessage);
        expectSameValues(style, before, c.name);
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

// One line of the created file replaced: the read either loads (then check runs) or stops at
// that line with the description, keeping what the lines before it gave.
TEST_F(StyleFileTest, ValueLinesLoadOrStopTheRead) {
    const struct {
        const char* name;
        int line;
        std::string bytes;
        const char* failure = nullptr;
        Check check = nullptr;
        bool modified = false;
    } cases[] = {
        // Texts are kept as they stand.
        {"blanks kept in a text", 11, " > ", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[1].text, " > "); }},
        {"lone LF in a text", 2, "a\nb", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].text, "a\nb"); }},
        {"CP932 text", 2, cp932Bytes("現在地：ソ表"), nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].text, "現在地：ソ表"); }},
        {"row 7 text kept", 65, cp932Bytes("見えない"), nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[7].text, "見えない"); }},
        {"NUL inside a text", 2, std::string("a\0b", 3), nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].text, std::string("a\0b", 3)); }},
        // Bytes that are no CP932 become replacement characters.
        {"lead byte at the end of the line", 2, "[\x83", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].text, "[" + kFffd); }},
        {"lead byte before a blank", 2, "\x82 x", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].text, kFffd + " x"); }},
        {"bytes CP932 never uses", 11, "\xFD\xFE\xFF", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[1].text, kFffd + kFffd + kFffd); }},
        {"valid text around a bad byte", 2, "\x83\x5C\xA0\x95\x5C", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].text, "ソ" + kFffd + "表"); }},
        // Numbers: the field takes its type's value, the slot the number as read.
        {"underline rounds, slot keeps 0.5", 6, "0.5", nullptr,
         [](const auto& s) {
             EXPECT_EQ(s.rows[0].underline, 0);
             EXPECT_EQ(s.snapshot[4], SnapshotValue(0.5));
         },
         true},
        {"underline -32768.5 rounds to even", 6, "-32768.5", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].underline, -32768); }, true},
        {"image height 100.5", 10, "100.5", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].imageHeight, 100); }, true},
        {"image height 101.5", 10, "101.5", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].imageHeight, 102); }, true},
        {"image height at the limit", 19, "-32768", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[1].imageHeight, -32768); }},
        {"image width unrounded", 9, " 100.5 ", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].imageWidth, 100.5); }},
        {"width beyond 16 bits is kept unrounded", 9, "1e300", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].imageWidth, 1e300); }},
        {"tiny width reads as zero", 9, "1e-400", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].imageWidth, 0); }},
        {"bold as read", 4, "2", nullptr,
         [](const auto& s) {
             EXPECT_EQ(s.rows[0].bold, 2);
             EXPECT_FALSE(s.rows[0].isBold());
         }},
        {"number with blanks", 13, " 1 ", nullptr,
         [](const auto& s) { EXPECT_TRUE(s.rows[1].isBold()); }},
        {"hexadecimal is no number", 6, "0x10", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].underline, 0); }},
        {"nan is no number", 6, "nan", nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].underline, 0); }},
        // The alignment lines select one option button of either group.
        {"table line selects the table group", 76, "2", nullptr,
         [](const auto& s) { EXPECT_EQ(s.tableAlign, 2); }},
        {"table line rounds halves to even", 76, "2.5", nullptr,
         [](const auto& s) { EXPECT_EQ(s.tableAlign, 2); }, true},
        {"table line holding 4 selects vertical middle", 76, "4", nullptr,
         [](const auto& s) {
             EXPECT_EQ(s.tableAlign, 1); // as it was before the read
             EXPECT_EQ(s.cellVAlign, 4);
             EXPECT_EQ(s.snapshot[74], SnapshotValue(4.0));
         },
         true},
        {"vertical line holding 1 selects table centre", 78, "1", nullptr,
         [](const auto& s) {
             EXPECT_EQ(s.tableAlign, 1);
             EXPECT_EQ(s.cellVAlign, 5); // as it was before the read
         },
         true},
        {"vertical line rounds -0.5 to 0", 78, "-0.5", nullptr,
         [](const auto& s) { EXPECT_EQ(s.tableAlign, 0); }, true},
        // Lines of ten megabytes load or fail without hanging.
        {"ten-megabyte row text", 2, std::string(kTenMiB, 'x')},
        {"ten megabytes of CP932 lead bytes", 2, std::string(kTenMiB, '\x83')},
        {"ten megabytes of blanks before a bold 1", 4, std::string(kTenMiB, ' ') + "1", nullptr,
         [](const auto& s) { EXPECT_TRUE(s.rows[0].isBold()); }},
        {"ten million zeros of height", 10, std::string(kTenMiB, '0'), nullptr,
         [](const auto& s) { EXPECT_EQ(s.rows[0].imageHeight, 0); }},
        {"alignment digits after a point", 76, "1." + std::string(kTenMiB, '4'), nullptr,
         [](const auto& s) { EXPECT_EQ(s.tableAlign, 1); }, true},
        // Failures.
        {"underline beyond 16 bits", 42, "32768", kOverflowDescription},
        {"underline rounding beyond 16 bits", 42, "32767.5", kOverflowDescription},
        {"underline 65536", 6, "65536", kOverflowDescription},
        {"image height below 16 bits", 46, "-32769", kOverflowDescription},
        {"image height with digits past any double", 10, "9" + std::string(400, '9'),
         kOverflowDescription},
        {"bold 1e309", 4, "1e309", kOverflowDescription},
        {"italic -1e309", 5, "-1e309", kOverflowDescription},
        {"number too large for any field", 40, "1e999", kOverflowDescription},
        {"width too large", 45, "-1e400", kOverflowDescription},
        {"ten million digits of underline", 6, std::string(kTenMiB, '7'), kOverflowDescription},
        {"exponent of ten million digits", 9, "1e" + std::string(kTenMiB, '9'),
         kOverflowDescription},
        {"option index 6", 76, "6", kBadIndex},
        {"option index -1", 78, "-1", kBadIndex},
        {"option index -0.6", 76, "-0.6", kBadIndex},
        {"option index rounding to 6", 78, "5.5", kBadIndex},
        {"option index beyond 16 bits", 76, "40000", kOverflowDescription},
        {"option index 65541 wraps to nothing", 78, "65541", kOverflowDescription},
        {"option index 1e10", 76, "1e10", kOverflowDescription},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BreadcrumbStyle style = oddStyle();
        StyleReadResult result = read(createdWith(c.line, c.bytes), style);
        if (!c.failure) {
            ASSERT_TRUE(result.ok()) << result.description;
            if (c.check)
                c.check(style);
            EXPECT_EQ(style.isModified(), c.modified);
            continue;
        }
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_EQ(result.description, c.failure);
        // The lines before the failing one were read; the failing one and those after were not.
        EXPECT_EQ(style.rows[0].text, "[Navi:");
        EXPECT_EQ(style.snapshot[c.line - 2], SnapshotValue(std::string()));
        if (c.line < 74)
            EXPECT_EQ(style.rows[7].color, "111111");
        EXPECT_EQ(style.cellVAlign, 5);
    }
}

TEST_F(StyleFileTest, FileOfSeventySevenLinesFailsAtTheMissingLine) {
    BreadcrumbStyle style = oddStyle();
    StyleReadResult result = read(joinLines(lines.begin(), lines.end() - 1), style);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.description, "ファイルの終わりを越えて読み込もうとしました。");
    EXPECT_EQ(style.height, "");
    EXPECT_EQ(style.tableAlign, 0);
    EXPECT_EQ(style.cellVAlign, 5);
    EXPECT_EQ(style.snapshot[76], SnapshotValue(std::string()));
}

// Every cut of the file fails with a description, except cuts that lose only the last line end.
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
            if (length <= 16)
                EXPECT_EQ(style.rows[0].text, "old");
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
