// Style files that no save wrote: garbage headers, cut-off files, numbers out of range, bytes
// that are no CP932, and lines of ten megabytes. Each loads or fails with its message.
#include "style/style_file.h"

#include "platform/text_codec.h"
#include "style/numeric_text.h"
#include "support/memory_file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace solvina {
namespace {

using Outcome = StyleReadResult::Outcome;

constexpr std::size_t kTenMiB = 10 * 1024 * 1024;

class StyleFileHostileTest : public ::testing::Test {
protected:
    testing::MemoryFileSystem fs;

    void SetUp() override {
        ASSERT_TRUE(writeDefaultStyleFile(fs, "/lib/New/New.sty").ok());
        created = fs.files["/lib/New/New.sty"];
        std::size_t start = 0;
        for (std::size_t end; (end = created.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            lines.push_back(created.substr(start, end - start));
        ASSERT_EQ(lines.size(), 78u);
    }

    // The created file with line n (1-based) replaced by raw bytes.
    std::string createdWith(int n, const std::string& bytes) const {
        std::string file;
        for (int i = 1; i <= 78; ++i)
            file += (i == n ? bytes : lines[i - 1]) + "\r\n";
        return file;
    }

    StyleReadResult read(const std::string& bytes, BreadcrumbStyle& style) {
        fs.files["/in.sty"] = bytes;
        return readStyleFile(fs, "/in.sty", style);
    }

    std::string created;
    std::vector<std::string> lines;
};

TEST_F(StyleFileHostileTest, ForeignFilesAreRefusedByTheirHeader) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"byte-order mark before the header", "\xEF\xBB\xBF" + created},
        {"UTF-16 header", std::string("\xFF\xFE<\0q\0u\0", 8) + "\r\n"},
        {"NUL inside the header", std::string("<quibrel\0v1.0>\r\n", 16) + created.substr(16)},
        {"header ended by a lone LF", "<quibrel v1.0>\n" + created.substr(16)},
        {"ten-megabyte header", std::string(kTenMiB, '<') + "\r\n"},
    };
    for (const auto& c : cases) {
        BreadcrumbStyle style = programStartStyle();
        style.rows[0].text = "before";
        StyleReadResult result = read(c.bytes, style);
        if (c.bytes.empty()) {
            // Nothing to read at all: the file ends before its first line.
            EXPECT_EQ(result.outcome, Outcome::Failed) << c.name;
        } else {
            EXPECT_EQ(result.outcome, Outcome::WrongHeader) << c.name;
            EXPECT_EQ(result.description, kWrongHeaderMessage) << c.name;
        }
        EXPECT_EQ(style.rows[0].text, "before") << c.name;
    }
}

// Every cut of the file fails with a description, except cuts that lose only the last line end.
TEST_F(StyleFileHostileTest, EveryCutOffFileFailsCleanly) {
    for (std::size_t length = 1; length < created.size(); ++length) {
        BreadcrumbStyle style = programStartStyle();
        StyleReadResult result = read(created.substr(0, length), style);
        const bool onlyLineEndLost = length >= created.size() - 2;
        if (onlyLineEndLost) {
            EXPECT_TRUE(result.ok()) << "cut at " << length << ": " << result.description;
        } else if (length < 14) {
            EXPECT_EQ(result.outcome, Outcome::WrongHeader) << "cut at " << length;
        } else {
            EXPECT_EQ(result.outcome, Outcome::Failed) << "cut at " << length;
            EXPECT_FALSE(result.description.empty()) << "cut at " << length;
        }
    }
}

TEST_F(StyleFileHostileTest, NumbersOutOfRangeFailWithOverflow) {
    const struct {
        const char* name;
        int line;
        std::string value;
        const char* description; // nullptr: loads
    } cases[] = {
        {"underline 65536", 6, "65536", kOverflowDescription},
        {"underline -32768.5 rounds to even", 6, "-32768.5", nullptr},
        {"image height -32769", 10, "-32769", kOverflowDescription},
        {"image height with digits past any double", 10, "9" + std::string(400, '9'),
         kOverflowDescription},
        {"bold 1e309", 4, "1e309", kOverflowDescription},
        {"italic -1e309", 5, "-1e309", kOverflowDescription},
        {"width beyond 16 bits is kept unrounded", 9, "1e300", nullptr},
        {"tiny width reads as zero", 9, "1e-400", nullptr},
        {"table alignment 1e10", 76, "1e10", kOverflowDescription},
        {"table alignment -0.6", 76, "-0.6", "インデックスが有効範囲にありません。"},
        {"vertical alignment 6", 78, "6", "インデックスが有効範囲にありません。"},
        {"vertical alignment 65541 wraps to nothing", 78, "65541", kOverflowDescription},
        {"hexadecimal is no number", 6, "0x10", nullptr},
        {"nan is no number", 6, "nan", nullptr},
    };
    for (const auto& c : cases) {
        BreadcrumbStyle style = programStartStyle();
        StyleReadResult result = read(createdWith(c.line, c.value), style);
        if (c.description == nullptr) {
            EXPECT_TRUE(result.ok()) << c.name << ": " << result.description;
        } else {
            EXPECT_EQ(result.outcome, Outcome::Failed) << c.name;
            EXPECT_EQ(result.description, c.description) << c.name;
        }
    }
}

TEST_F(StyleFileHostileTest, BytesThatAreNoCp932BecomeReplacementCharacters) {
    const struct {
        const char* name;
        int line;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"lead byte at the end of the line", 2, "[\x83", "[\xEF\xBF\xBD"},
        {"lead byte before a blank", 2, "\x82 x", "\xEF\xBF\xBD x"},
        {"bytes CP932 never uses", 11, "\xFD\xFE\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"NUL inside a text", 2, std::string("a\0b", 3), std::string("a\0b", 3)},
        {"valid text around a bad byte", 2, "\x83\x5C\xA0\x95\x5C", "ソ\xEF\xBF\xBD表"},
    };
    for (const auto& c : cases) {
        BreadcrumbStyle style = programStartStyle();
        StyleReadResult result = read(createdWith(c.line, c.bytes), style);
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.description;
        EXPECT_EQ(style.rows[(c.line - 2) / 9].text, c.text) << c.name;
    }

    // Such a text is saved with the replacement character as a reference, and loads again.
    BreadcrumbStyle style = programStartStyle();
    ASSERT_TRUE(read(createdWith(2, "[\x83"), style).ok());
    ASSERT_TRUE(writeStyleFile(fs, "/lib/New/saved.sty", style).ok());
    BreadcrumbStyle again = programStartStyle();
    ASSERT_TRUE(readStyleFile(fs, "/lib/New/saved.sty", again).ok());
    EXPECT_EQ(again.rows[0].text, "[&#65533;");

    // A colour with a bad byte cannot be saved: the save refuses before writing anything.
    BreadcrumbStyle badColour = programStartStyle();
    ASSERT_TRUE(read(createdWith(7, "00\xFF"), badColour).ok());
    fs.files.erase("/lib/New/saved2.sty");
    EXPECT_FALSE(writeStyleFile(fs, "/lib/New/saved2.sty", badColour).ok());
    EXPECT_EQ(fs.files.count("/lib/New/saved2.sty"), 0u);
}

TEST_F(StyleFileHostileTest, TenMegabyteLinesLoadOrFailWithoutHanging) {
    const std::string blanks(kTenMiB, ' ');
    const struct {
        const char* name;
        int line;
        std::string bytes;
        const char* description; // nullptr: loads
    } cases[] = {
        {"row text", 2, std::string(kTenMiB, 'x'), nullptr},
        {"CP932 row text", 2, std::string(kTenMiB, '\x83'), nullptr},
        {"blanks before a bold 1", 4, blanks + "1", nullptr},
        {"ten million digits of underline", 6, std::string(kTenMiB, '7'), kOverflowDescription},
        {"ten million zeros of height", 10, std::string(kTenMiB, '0'), nullptr},
        {"alignment digits after a point", 76, "1." + std::string(kTenMiB, '4'), nullptr},
        {"exponent of ten million digits", 9, "1e" + std::string(kTenMiB, '9'),
         kOverflowDescription},
    };
    for (const auto& c : cases) {
        BreadcrumbStyle style = programStartStyle();
        StyleReadResult result = read(createdWith(c.line, c.bytes), style);
        if (c.description == nullptr) {
            EXPECT_TRUE(result.ok()) << c.name << ": " << result.description;
        } else {
            EXPECT_EQ(result.outcome, Outcome::Failed) << c.name;
            EXPECT_EQ(result.description, c.description) << c.name;
        }
    }
}

} // namespace
} // namespace solvina
