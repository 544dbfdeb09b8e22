// The preview page: its 16 lines for the sample style, and the bytes written to disk.
#include "render/preview_page.h"

#include "platform/text_codec.h"
#include "support/sample_style.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace solvina {
namespace {

TEST(PreviewPage, SampleStyleGivesTheSixteenLines) {
    const std::string folder = "/opt/solvina/styledata/Std/";
    EXPECT_EQ(previewPageLines(test::sampleStyle(), folder), test::samplePreviewLines(folder));
}

TEST(PreviewPage, EmptyStyleStillHasEveryCellAndNoLink) {
    const auto lines = previewPageLines(programStartStyle(), "/lib/x/");
    ASSERT_EQ(lines.size(), 16u);
    int emptyFonts = 0;
    for (const auto& line : lines) {
        EXPECT_EQ(line.find("<A "), std::string::npos) << line;
        if (line.find("<FONT COLOR=\"#000000\"></FONT>") != std::string::npos)
            ++emptyFonts;
    }
    EXPECT_EQ(emptyFonts, 7);
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

TEST(PreviewPage, WrittenAsCp932ReplacingEarlierContent) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("solvina_preview_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string out = (folder / "pre.html").string();
    FileSystem& fs = nativeFileSystem();
    ASSERT_TRUE(fs.writeWholeFile(out, std::string(5000, 'x')).ok());

    BreadcrumbStyle style = test::sampleStyle();
    style.rows[6].text = "😀"; // not in CP932: written as a character reference
    ASSERT_TRUE(writePreviewPage(fs, out, style, "/lib/Std/").ok());
    auto lines = test::samplePreviewLines("/lib/Std/");
    lines[14] = R"(<TD NOWRAP VALIGN="MIDDLE"><FONT COLOR="#000000">&#128512;</FONT></TD>)";
    auto bytes = fs.readWholeFile(out);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(cp932().decode(*bytes), test::withCrLf(lines));

    EXPECT_FALSE(writePreviewPage(fs, (folder / "missing/pre.html").string(), style, "").ok());
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace solvina
