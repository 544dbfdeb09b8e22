// The preview page: its 16 lines for the sample style, and the bytes written to disk. Where its
// images come from is pinned by the fragment tests.
#include "render/preview_page.h"

#include "platform/text_codec.h"
#include "support/sample_style.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

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

// The nav form shows the same six sample levels, unlinked, with the style folder's images.
TEST(PreviewPage, NavFormShowsTheSampleAsANav) {
    const auto lines = previewPageLines(test::sampleStyle(), "/lib/Std/", Markup::Nav);
    ASSERT_EQ(lines.size(), 9u); // head, nav opening, six items, closing with the tail
    EXPECT_EQ(lines.front(), test::samplePreviewLines("").front());
    EXPECT_EQ(lines[1].rfind("<nav class=\"solvina-breadcrumb\"", 0), 0u);
    for (int level = 1; level <= 6; ++level) {
        const std::string& item = lines[static_cast<std::size_t>(level) + 1];
        EXPECT_NE(item.find(">第" + std::to_string(level) + "階層</span></li>"), std::string::npos)
            << item;
        EXPECT_EQ(item.find("<a "), std::string::npos) << item;
        if (level > 1) {
            EXPECT_NE(item.find("src=\"/lib/Std/arrow.gif\""), std::string::npos) << item;
        }
    }
    EXPECT_EQ(lines.back(), "</ol></nav></BODY></HTML>");
}

TEST(PreviewPage, WrittenAsCp932ReplacingEarlierContent) {
    test_support::TempDir folder;
    const std::string out = folder.write("pre.html", std::string(5000, 'x'));
    FileSystem& fs = nativeFileSystem();

    BreadcrumbStyle style = test::sampleStyle();
    style.rows[6].text = "😀¥"; // not in CP932 (¥ reads back as a backslash): references
    ASSERT_TRUE(writePreviewPage(fs, out, style, "/lib/Std/").ok());
    auto lines = test::samplePreviewLines("/lib/Std/");
    lines[14] = R"(<TD NOWRAP VALIGN="MIDDLE"><FONT COLOR="#000000">&#128512;&#165;</FONT></TD>)";
    auto bytes = fs.readWholeFile(out);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(cp932().decode(*bytes), test::withCrLf(lines));

    EXPECT_FALSE(writePreviewPage(fs, folder / "missing/pre.html", style, "").ok());
}

} // namespace
} // namespace solvina
