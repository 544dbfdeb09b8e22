// The sample style used across the renderer, preview and command-line tests, and the preview
// page it gives.
#pragma once

#include "style/breadcrumb_style.h"

#include <string>
#include <vector>

namespace solvina::test {

// Centre, border 0, background CCFFFF, height 24, middle; a bold text header "現在地：", arrow
// images (12 x 12) for levels 1..5, an empty footer, titles underlined at size -1 in FF0000.
inline BreadcrumbStyle sampleStyle() {
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

// The 16 lines of the sample style's preview page, its images in styleFolder.
inline std::vector<std::string> samplePreviewLines(const std::string& styleFolder) {
    const std::string image = R"(<TD NOWRAP VALIGN="MIDDLE"><IMG SRC=")" + styleFolder +
                              R"(arrow.gif" WIDTH="12" HEIGHT="12"></TD>)";
    std::vector<std::string> lines = {
        R"(<HTML><HEAD><TITLE>ソルビナプレビュー</TITLE></HEAD><BODY BGCOLOR="#FFFFFF" TEXT="#000000">)",
        R"(<DIV ALIGN="CENTER"><TABLE BORDER="0"><TR><TD><TABLE BGCOLOR="#FFFFCC" BACKGROUND="" HEIGHT="24" CELLSPACING="0" CELLPADDING="0"><TR>)",
        R"(<TD NOWRAP VALIGN="MIDDLE"><B><FONT COLOR="#000000">現在地：</FONT></B></TD>)",
    };
    for (int level = 1; level <= 6; ++level) {
        lines.push_back(R"(<TD NOWRAP VALIGN="MIDDLE"><U><FONT COLOR="#0000FF" SIZE="-1">第)" +
                        std::to_string(level) + "階層</FONT></U></TD>");
        if (level < 6)
            lines.push_back(image);
    }
    lines.push_back(R"(<TD NOWRAP VALIGN="MIDDLE"><FONT COLOR="#000000"></FONT></TD>)");
    lines.push_back("</TR></TABLE></TD></TR></TABLE></DIV></BODY></HTML>");
    return lines;
}

// The lines joined, each ended by CR LF.
inline std::string withCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace solvina::test
