// The preview page: its 16 lines for the sample style, and the bytes written to disk.
#include "render/preview_page.h"

#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace solvina {
namespace {

// Centre, border 0, background CCFFFF, height 24, middle; a bold text header, arrow images for
// levels 1..5, an empty footer, titles underlined at size -1 in FF0000.
BreadcrumbStyle sampleStyle() {
    BreadcrumbStyle style = programStartStyle();
    style.styleName = "Std";
    style.tableAlign = 1;
    style.backgroundColor = "CCFFFF";
    style.height = "24";
    style.rows[0].text = "現在地：";
    style.rows[0].bold = 1;
    for (int i = 1; i <= 5; ++i) {
        style.rows[i].imageFile = "arrow.gif";
        style.rows[i].imageWidth = 12;
        style.rows[i].imageHeight = 12;
    }
    style.rows[7].fontSize = "-1";
    style.rows[7].underline = 1;
    style.rows[7].color = "FF0000";
    return style;
}

std::vector<std::string> expectedSampleLines(const std::string& folder) {
    const std::string image = R"(<TD NOWRAP VALIGN="MIDDLE"><IMG SRC=")" + folder +
                              R"(arrow.gif" WIDTH="12" HEIGHT="12"></TD>)";
    auto title = [](int level) {
        return R"(<TD NOWRAP VALIGN="MIDDLE"><U><FONT COLOR="#0000FF" SIZE="-1">第)" +
               std::to_string(level) + "階層</FONT></U></TD>";
    };
    std::vector<std::string> lines = {
        R"(<HTML><HEAD><TITLE>ソルビナプレビュー</TITLE></HEAD><BODY BGCOLOR="#FFFFFF" TEXT="#000000">)",
        R"(<DIV ALIGN="CENTER"><TABLE BORDER="0"><TR><TD><TABLE BGCOLOR="#FFFFCC" BACKGROUND="" HEIGHT="24" CELLSPACING="0" CELLPADDING="0"><TR>)",
        R"(<TD NOWRAP VALIGN="MIDDLE"><B><FONT COLOR="#000000">現在地：</FONT></B></TD>)",
    };
    for (int level = 1; level <= 5; ++level) {
        lines.push_back(title(level));
        lines.push_back(image);
    }
    lines.push_back(title(6));
    lines.push_back(R"(<TD NOWRAP VALIGN="MIDDLE"><FONT COLOR="#000000"></FONT></TD>)");
    lines.push_back("</TR></TABLE></TD></TR></TABLE></DIV></BODY></HTML>");
    return lines;
}

TEST(PreviewPage, SampleStyleGivesTheSixteenLines) {
    const std::string folder = "/opt/solvina/styledata/Std/";
    EXPECT_EQ(previewPageLines(sampleStyle(), folder), expectedSampleLines(folder));
}

TEST(PreviewPage, EmptyStyleStillHasEveryCellAndNoLink) {
    BreadcrumbStyle style = programStartStyle();
    const auto lines = previewPageLines(style, "/lib/x/");
    ASSERT_EQ(lines.size(), 16u);
    int emptyFonts = 0;
    for (const auto& line : lines) {
        EXPECT_EQ(line.find("<A "), std::string::npos) << line;
        if (line.find("<FONT COLOR=\"#000000\"></FONT>") != std::string::npos)
            ++emptyFonts;
    }
    EXPECT_EQ(emptyFonts, 7);
    EXPECT_NE(lines[3].find(">第1階層<"), std::string::npos);
    EXPECT_NE(lines[13].find(">第6階層<"), std::string::npos);
}

TEST(PreviewPage, ImagesFromTheStyleFolderOrFromThePickedPath) {
    BreadcrumbStyle style = programStartStyle();
    style.rows[2].imageFile = "/home/u/pics/new.gif"; // picked, not saved yet
    style.rows[3].imageFile = "saved.gif";
    style.rows[7].imageFile = "bg.jpg";
    const auto lines = previewPageLines(style, "/lib/Std/");
    EXPECT_NE(lines[1].find(R"(BACKGROUND="/lib/Std/bg.jpg")"), std::string::npos);
    EXPECT_NE(lines[6].find(R"(SRC="/home/u/pics/new.gif")"), std::string::npos);
    EXPECT_NE(lines[8].find(R"(SRC="/lib/Std/saved.gif")"), std::string::npos);
}

class PreviewPageFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("solvina_preview_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string path(const char* name) const { return (m_folder / name).string(); }
    std::filesystem::path m_folder;
};

TEST_F(PreviewPageFile, WrittenAsCp932WithCrLfReplacingEarlierContent) {
    FileSystem& fs = nativeFileSystem();
    const std::string out = path("pre.html");
    ASSERT_TRUE(fs.writeWholeFile(out, std::string(5000, 'x')).ok());
    BreadcrumbStyle style = sampleStyle();
    style.rows[6].text = "😀"; // not in CP932: written as a character reference
    ASSERT_TRUE(writePreviewPage(fs, out, style, "/lib/Std/").ok());

    auto lines = expectedSampleLines("/lib/Std/");
    lines[14] = R"(<TD NOWRAP VALIGN="MIDDLE"><FONT COLOR="#000000">&#128512;</FONT></TD>)";
    std::string expected;
    for (const auto& line : lines)
        expected += line + "\r\n";
    auto bytes = fs.readWholeFile(out);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(cp932().decode(*bytes), expected);
    // ソ in CP932, the first character of the title.
    EXPECT_NE(bytes->find("\x83\x5C"), std::string::npos);
}

TEST_F(PreviewPageFile, WriteFailureIsReported) {
    const Status written =
        writePreviewPage(nativeFileSystem(), path("missing/pre.html"), sampleStyle(), "/lib/Std/");
    EXPECT_FALSE(written.ok());
    EXPECT_FALSE(written.error().empty());
}

} // namespace
} // namespace solvina
