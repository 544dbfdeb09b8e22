// The breadcrumb fragments: the worked example call by call, then the attributes case by case.
#include "render/fragments.h"

#include "support/sample_style.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace solvina {
namespace {

const std::string kFolder = "/opt/solvina/styledata/Std/";

TEST(Fragments, WorkedExampleOfAPageAtLevelThree) {
    const BreadcrumbStyle style = test::sampleStyle();
    const std::string psp = "../../";
    const std::string arrow =
        R"(<TD NOWRAP VALIGN="MIDDLE"><IMG SRC="../../quibrel\arrow.gif" WIDTH="12" HEIGHT="12"></TD>)";
    const std::string lines[] = {
        QUIBREL_DATA1(style, kFolder, true, psp),
        QUIBREL_DATA2(style, kFolder, 0, true, psp, ""),
        QUIBREL_DATA3(style, "Mトップ", "../../index.html"),
        QUIBREL_DATA2(style, kFolder, 1, true, psp, ""),
        QUIBREL_DATA3(style, "M製品", "../../products/index.html"),
        QUIBREL_DATA2(style, kFolder, 2, true, psp, ""),
        QUIBREL_DATA3(style, "Mソフト", "../../products/soft/index.html"),
        QUIBREL_DATA2(style, kFolder, 3, true, psp, ""),
        QUIBREL_DATA3(style, "Mツール", ""),
        QUIBREL_DATA2(style, kFolder, 6, true, psp, ""),
        kClosingText,
    };
    const std::string expected[] = {
        R"(<DIV ALIGN="CENTER"><TABLE BORDER="0"><TR><TD><TABLE BGCOLOR="#FFFFCC" BACKGROUND="" HEIGHT="24" CELLSPACING="0" CELLPADDING="0"><TR>)",
        R"(<TD NOWRAP VALIGN="MIDDLE"><B><FONT COLOR="#000000">現在地：</FONT></B></TD>)",
        R"(<TD NOWRAP VALIGN="MIDDLE"><A HREF="../../index.html"><U><FONT COLOR="#0000FF" SIZE="-1">トップ</FONT></U></A></TD>)",
        arrow,
        R"(<TD NOWRAP VALIGN="MIDDLE"><A HREF="../../products/index.html"><U><FONT COLOR="#0000FF" SIZE="-1">製品</FONT></U></A></TD>)",
        arrow,
        R"(<TD NOWRAP VALIGN="MIDDLE"><A HREF="../../products/soft/index.html"><U><FONT COLOR="#0000FF" SIZE="-1">ソフト</FONT></U></A></TD>)",
        arrow,
        R"(<TD NOWRAP VALIGN="MIDDLE"><U><FONT COLOR="#0000FF" SIZE="-1">ツール</FONT></U></TD>)",
        R"(<TD NOWRAP VALIGN="MIDDLE"><FONT COLOR="#000000"></FONT></TD>)",
        "</TR></TABLE></TD></TR></TABLE></DIV>",
    };
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "call " << i + 1;
}

// One case: a change to the plain style, the fragment built from it, and the text expected
// in it (or absent from it).
struct FragmentCase {
    const char* name;
    std::function<void(BreadcrumbStyle&)> change;
    std::function<std::string(const BreadcrumbStyle&)> build;
    std::string expected;
    bool present = true;
};

void runCases(const std::vector<FragmentCase>& cases) {
    for (const auto& c : cases) {
        BreadcrumbStyle style;
        style.styleName = "Std";
        if (c.change)
            c.change(style);
        const std::string fragment = c.build(style);
        EXPECT_EQ(fragment.find(c.expected) != std::string::npos, c.present)
            << c.name << "\n  fragment: " << fragment << "\n  text: " << c.expected;
    }
}

TEST(Fragments, OpeningAttributes) {
    const auto opening = [](const auto& s) { return QUIBREL_DATA1(s, kFolder, false, ""); };
    const auto siteOpening = [](const auto& s) { return QUIBREL_DATA1(s, kFolder, true, "../"); };
    runCases({
        {"empty colour, no BGCOLOR", nullptr, opening, "BGCOLOR", false},
        {"height with a unit", [](auto& s) { s.height = "30px"; }, opening, R"(HEIGHT="30")"},
        {"fractional height", [](auto& s) { s.height = " 1.50"; }, opening, R"(HEIGHT="1.5")"},
        {"empty border", [](auto& s) { s.borderWidth = ""; }, opening, R"(<TABLE BORDER="">)"},
        {"border as typed", [](auto& s) { s.borderWidth = "2px"; }, opening, R"(BORDER="2px")"},
        {"left", [](auto& s) { s.tableAlign = 0; }, opening, R"(<DIV ALIGN="LEFT">)"},
        {"right", [](auto& s) { s.tableAlign = 2; }, opening, R"(<DIV ALIGN="RIGHT">)"},
        {"odd alignment is right", [](auto& s) { s.tableAlign = 7; }, opening,
         R"(<DIV ALIGN="RIGHT">)"},
        {"preview background from the style folder",
         [](auto& s) { s.rows[7].imageFile = "bg.gif"; }, opening,
         R"(BACKGROUND="/opt/solvina/styledata/Std/bg.gif")"},
        {"preview background picked, not saved",
         [](auto& s) { s.rows[7].imageFile = "/home/u/bg.gif"; }, opening,
         R"(BACKGROUND="/home/u/bg.gif")"},
        {"site background with a forward slash", [](auto& s) { s.rows[7].imageFile = "bg.gif"; },
         siteOpening, R"(BACKGROUND="../quibrel/bg.gif")"},
    });
}

void arrowImage(BreadcrumbStyle& s) {
    s.rows[1].imageFile = "arrow.gif";
    s.rows[1].imageWidth = 100.5;
    s.rows[1].imageHeight = 12;
}

TEST(Fragments, ConnectorCells) {
    const auto connector = [](const auto& s) {
        return QUIBREL_DATA2(s, kFolder, 1, false, "", "");
    };
    const auto linkedConnector = [](const auto& s) {
        return QUIBREL_DATA2(s, kFolder, 1, false, "", "a/b.html");
    };
    const auto linkedSiteConnector = [](const auto& s) {
        return QUIBREL_DATA2(s, kFolder, 1, true, "../", "a/b.html");
    };
    runCases({
        {"size +2", [](auto& s) { s.rows[1].fontSize = "+2"; }, connector, R"(SIZE="+2">)"},
        {"empty size", [](auto& s) { s.rows[1].fontSize = ""; }, connector,
         R"(<FONT COLOR="#000000" SIZE="">)"},
        {"grayed bold is not bold", [](auto& s) { s.rows[1].bold = 2; }, connector, "<B>", false},
        {"half bold is not bold", [](auto& s) { s.rows[1].bold = 0.5; }, connector, "<B>", false},
        {"all three tags, opening order kept",
         [](auto& s) {
             s.rows[1].bold = 1;
             s.rows[1].italic = 1;
             s.rows[1].underline = 1;
             s.rows[1].text = "&gt;";
         },
         connector, R"(<B><I><U><FONT COLOR="#000000">&gt;</FONT></B></I></U></TD>)"},
        {"colour converted", [](auto& s) { s.rows[1].color = "FF0000"; }, connector,
         R"(COLOR="#0000FF")"},
        {"top", [](auto& s) { s.cellVAlign = 3; }, connector, R"(<TD NOWRAP VALIGN="TOP">)"},
        {"bottom", [](auto& s) { s.cellVAlign = 5; }, connector, R"(<TD NOWRAP VALIGN="BOTTOM">)"},
        {"odd valign is bottom", [](auto& s) { s.cellVAlign = 0; }, connector,
         R"(VALIGN="BOTTOM")"},
        {"linked text, empty PSP", nullptr, linkedConnector,
         R"(<A HREF="a/b.html"><FONT COLOR="#000000"></FONT></A></TD>)"},
        {"linked text, PSP in front", nullptr, linkedSiteConnector, R"(<A HREF="../a/b.html">)"},
        {"preview image from the style folder", arrowImage, connector,
         R"(<TD NOWRAP VALIGN="MIDDLE"><IMG SRC="/opt/solvina/styledata/Std/arrow.gif" WIDTH="100.5" HEIGHT="12"></TD>)"},
        {"preview image picked, not saved",
         [](auto& s) { s.rows[1].imageFile = "/home/u/pics/a.gif"; }, connector,
         R"(<IMG SRC="/home/u/pics/a.gif" WIDTH="0" HEIGHT="0"></TD>)"},
        {"image without link has no BORDER", arrowImage, connector, "BORDER", false},
        {"linked image", arrowImage, linkedSiteConnector,
         R"(<A HREF="../a/b.html"><IMG SRC="../quibrel\arrow.gif" WIDTH="100.5" HEIGHT="12" BORDER=0></A></TD>)"},
        {"image row ignores its text settings",
         [](auto& s) {
             arrowImage(s);
             s.rows[1].text = "x";
             s.rows[1].bold = 1;
         },
         connector, "FONT", false},
    });
}

TEST(Fragments, ConnectorRowOutsideTheStyleGivesNothing) {
    BreadcrumbStyle style;
    EXPECT_EQ(QUIBREL_DATA2(style, kFolder, -1, false, "", ""), "");
    EXPECT_EQ(QUIBREL_DATA2(style, kFolder, 8, false, "", ""), "");
    EXPECT_NE(QUIBREL_DATA2(style, kFolder, 7, false, "", ""), "");
}

TEST(Fragments, TitleCells) {
    const struct {
        const char* name;
        std::string stt;
        std::string link;
        std::string expected;
    } cases[] = {
        {"text title", "Mトップ", "",
         R"(<TD NOWRAP VALIGN="MIDDLE"><FONT COLOR="#000000">トップ</FONT></TD>)"},
        {"just M", "M", "", R"(<TD NOWRAP VALIGN="MIDDLE"><FONT COLOR="#000000"></FONT></TD>)"},
        {"linked text, nothing put in front", "Ma", "x/y.html",
         R"(<TD NOWRAP VALIGN="MIDDLE"><A HREF="x/y.html"><FONT COLOR="#000000">a</FONT></A></TD>)"},
        {"image title", "Iimg/t.gif", "",
         R"(<TD NOWRAP VALIGN="MIDDLE"><IMG SRC="img/t.gif" BORDER=0></TD>)"},
        {"linked image title", "I../t.gif", "../i.html",
         R"(<TD NOWRAP VALIGN="MIDDLE"><A HREF="../i.html"><IMG SRC="../t.gif" BORDER=0></A></TD>)"},
        {"empty title is an image", "", "",
         R"(<TD NOWRAP VALIGN="MIDDLE"><IMG SRC="" BORDER=0></TD>)"},
        {"lower-case m is an image", "mtitle", "",
         R"(<TD NOWRAP VALIGN="MIDDLE"><IMG SRC="title" BORDER=0></TD>)"},
        {"a non-ASCII kind character is taken off whole", "画a.gif", "",
         R"(<TD NOWRAP VALIGN="MIDDLE"><IMG SRC="a.gif" BORDER=0></TD>)"},
    };
    BreadcrumbStyle style;
    for (const auto& c : cases)
        EXPECT_EQ(QUIBREL_DATA3(style, c.stt, c.link), c.expected) << c.name;
}

TEST(Fragments, TitleCellsUseRowSevenOnly) {
    BreadcrumbStyle style;
    style.rows[0].bold = 1;
    style.rows[7].italic = 1;
    style.rows[7].color = "FF0000";
    style.rows[7].fontSize = "+1";
    style.rows[7].imageFile = "bg.gif"; // the background, never the title's image
    EXPECT_EQ(QUIBREL_DATA3(style, "Mt", ""),
              R"(<TD NOWRAP VALIGN="MIDDLE"><I><FONT COLOR="#0000FF" SIZE="+1">t</FONT></I></TD>)");
}

} // namespace
} // namespace solvina
