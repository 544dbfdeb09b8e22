// The fragment builders of the breadcrumb table, appended piece by piece into one line each.
#include "render/fragments.h"

#include "style/numeric_text.h"
#include "text/utf8.h"

#include <string_view>

namespace solvina {

namespace {

void appendCellOpening(std::string& out, int cellVAlign) {
    out += "<TD NOWRAP ";
    if (cellVAlign == 3)
        out += "VALIGN=\"TOP\"";
    else if (cellVAlign == 4)
        out += "VALIGN=\"MIDDLE\"";
    else
        out += "VALIGN=\"BOTTOM\"";
}

// The closing tags keep the order of the opening ones (B, I, U), not the nesting order: the
// bytes of the block are fixed.
void appendFontStyleTags(std::string& out, const StyleRow& row, bool closing) {
    if (row.isBold())
        out += closing ? "</B>" : "<B>";
    if (row.isItalic())
        out += closing ? "</I>" : "<I>";
    if (row.isUnderlined())
        out += closing ? "</U>" : "<U>";
}

// {open}<FONT COLOR="#RRGGBB"{size}>{text}</FONT>{close}
void appendFontElement(std::string& out, const StyleRow& row, std::string_view text) {
    appendFontStyleTags(out, row, false);
    out += "<FONT COLOR=\"#";
    out += htmlColor(row.color);
    out += '"';
    if (row.fontSize != kStandardFontSize) {
        out += " SIZE=\"";
        out += row.fontSize;
        out += '"';
    }
    out += '>';
    out += text;
    out += "</FONT>";
    appendFontStyleTags(out, row, true);
}

} // namespace

void appendImageReference(std::string& out, const std::string& styleFolder, bool PPP,
                          const std::string& PSP, std::string_view folderWord,
                          const std::string& imageFile) {
    if (PPP) {
        out += PSP;
        out += folderWord;
    } else if (FLH(imageFile)) {
        out += styleFolder;
    }
    out += imageFile;
}

std::string QUIBREL_DATA1(const BreadcrumbStyle& style, const std::string& styleFolder, bool PPP,
                          const std::string& PSP) {
    std::string out;
    out.reserve(160 + style.borderWidth.size() + style.rows[kTitleRow].imageFile.size() +
                PSP.size() + styleFolder.size());
    if (style.tableAlign == 0)
        out += "<DIV ALIGN=\"LEFT\">";
    else if (style.tableAlign == 1)
        out += "<DIV ALIGN=\"CENTER\">";
    else
        out += "<DIV ALIGN=\"RIGHT\">";
    out += "<TABLE BORDER=\"";
    out += style.borderWidth;
    out += "\"><TR><TD><TABLE";
    if (!style.backgroundColor.empty()) {
        out += " BGCOLOR=\"#";
        out += htmlColor(style.backgroundColor);
        out += '"';
    }
    out += " BACKGROUND=\"";
    const std::string& backgroundImage = style.rows[kTitleRow].imageFile;
    if (!backgroundImage.empty())
        appendImageReference(out, styleFolder, PPP, PSP, "quibrel/", backgroundImage);
    out += "\" HEIGHT=\"";
    out += shortestDecimal(numericValue(style.height));
    out += "\" CELLSPACING=\"0\" CELLPADDING=\"0\"><TR>";
    return out;
}

std::string QUIBREL_DATA2(const BreadcrumbStyle& style, const std::string& styleFolder, int STT,
                          bool PPP, const std::string& PSP, const std::string& STE) {
    // A row number outside the style is a caller's fault; an empty line harms no page.
    if (STT < 0 || STT >= kRowCount)
        return {};
    const StyleRow& row = style.rows[static_cast<std::size_t>(STT)];
    const bool linked = !STE.empty();

    std::string out;
    out.reserve(120 + row.text.size() + row.imageFile.size() + PSP.size() + STE.size() +
                styleFolder.size());
    appendCellOpening(out, style.cellVAlign);
    out += '>';
    if (linked) {
        out += "<A HREF=\"";
        out += PSP;
        out += STE;
        out += "\">";
    }
    if (!row.imageFile.empty()) {
        // The connectors' folder word keeps its backslash; the apply run turns it into "/".
        out += "<IMG SRC=\"";
        appendImageReference(out, styleFolder, PPP, PSP, "quibrel\\", row.imageFile);
        out += "\" WIDTH=\"";
        out += shortestDecimal(row.imageWidth);
        out += "\" HEIGHT=\"";
        out += std::to_string(row.imageHeight);
        out += linked ? "\" BORDER=0></A></TD>" : "\"></TD>";
        return out;
    }
    appendFontElement(out, row, row.text);
    out += linked ? "</A></TD>" : "</TD>";
    return out;
}

std::string QUIBREL_DATA3(const BreadcrumbStyle& style, const std::string& STT,
                          const std::string& LinkSTR) {
    const StyleRow& titleRow = style.rows[kTitleRow];
    const bool linked = !LinkSTR.empty();
    // The kind prefix is taken off whole, even when it is not ASCII.
    const std::string_view rest = std::string_view(STT).substr(advanceCharacters(STT, 0, 1));

    std::string out;
    out.reserve(120 + STT.size() + LinkSTR.size());
    appendCellOpening(out, style.cellVAlign);
    out += '>';
    if (linked) {
        out += "<A HREF=\"";
        out += LinkSTR;
        out += "\">";
    }
    if (!STT.empty() && STT[0] == 'M') {
        appendFontElement(out, titleRow, rest);
    } else {
        out += "<IMG SRC=\"";
        out += rest;
        out += "\" BORDER=0>";
    }
    if (linked)
        out += "</A>";
    out += "</TD>";
    return out;
}

} // namespace solvina
