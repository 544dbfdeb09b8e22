// The nav form of the breadcrumb: the table's look written as inline CSS, so a page needs no
// stylesheet and looks as it did with the table.
#include "render/nav_breadcrumb.h"

#include "render/fragments.h"
#include "style/numeric_text.h"
#include "text/ascii.h"
#include "text/utf8.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace solvina {

namespace {

// A quotation mark would end the attribute, a "<" is not allowed in one by strict checkers.
std::string attributeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '"')
            out += "&quot;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

// A url() that no character of the address can end early.
std::string cssUrl(std::string_view address) {
    std::string out = "url('";
    for (char c : address) {
        if (c == '\'' || c == '"' || c == '(' || c == ')' || c == ' ' || c == '\\')
            appendPercentEncoded(out, c);
        else
            out += c;
    }
    out += "')";
    return out;
}

const char* flexAlignment(int cellVAlign) {
    if (cellVAlign == 3)
        return "flex-start";
    if (cellVAlign == 4)
        return "center";
    return "flex-end";
}

// The CSS of a row's FONT element and its B, I and U tags.
std::string textStyle(const StyleRow& row) {
    std::string css = "color:#" + htmlColor(row.color);
    if (row.isBold())
        css += ";font-weight:bold";
    if (row.isItalic())
        css += ";font-style:italic";
    if (row.isUnderlined())
        css += ";text-decoration:underline";
    if (const std::string size = cssFontSize(row.fontSize); !size.empty())
        css += ";font-size:" + size;
    return css;
}

// The box the table drew: its alignment on the page, background, height and border.
std::string boxStyle(const BreadcrumbStyle& style, const std::string& styleFolder, bool PPP,
                     const std::string& PSP) {
    std::string css = "display:flex;width:fit-content;white-space:nowrap;align-items:";
    css += flexAlignment(style.cellVAlign);
    if (style.tableAlign == 1)
        css += ";margin-left:auto;margin-right:auto";
    else if (style.tableAlign != 0)
        css += ";margin-left:auto";
    if (!style.backgroundColor.empty())
        css += ";background-color:#" + htmlColor(style.backgroundColor);
    const std::string& backgroundImage = style.rows[kTitleRow].imageFile;
    if (!backgroundImage.empty()) {
        std::string address;
        appendImageReference(address, styleFolder, PPP, PSP, "quibrel/", backgroundImage);
        css += ";background-image:" + cssUrl(address);
    }
    if (const double height = numericValue(style.height); height > 0)
        css += ";min-height:" + shortestDecimal(height) + "px";
    if (const double border = numericValue(style.borderWidth); border > 0)
        css += ";border:" + shortestDecimal(border) + "px outset";
    return css;
}

void appendLinkOpening(std::string& out, const std::string& link, const std::string& css) {
    out += "<a href=\"";
    out += attributeText(link);
    out += '"';
    if (!css.empty()) {
        out += " style=\"";
        out += css;
        out += '"';
    }
    out += '>';
}

// A connector hidden from screen readers: they announce the list's structure themselves.
void appendConnector(std::string& out, const BreadcrumbStyle& style, const std::string& styleFolder,
                     int rowNumber, bool PPP, const std::string& PSP, const std::string& link) {
    const StyleRow& row = style.rows[static_cast<std::size_t>(rowNumber)];
    if (row.imageFile.empty() && row.text.empty())
        return; // nothing to see; an empty element only troubles checkers
    if (!link.empty())
        appendLinkOpening(out, link, "");
    if (!row.imageFile.empty()) {
        out += "<img alt=\"\" src=\"";
        std::string address;
        appendImageReference(address, styleFolder, PPP, PSP, "quibrel/", row.imageFile);
        out += attributeText(address);
        out += '"';
        // HTML wants whole pixels; a width beyond any screen is left to the image itself.
        if (row.imageWidth >= 0 && row.imageWidth < 1e6)
            out += " width=\"" + std::to_string(std::lround(row.imageWidth)) + '"';
        if (row.imageHeight >= 0)
            out += " height=\"" + std::to_string(row.imageHeight) + '"';
        out += '>';
    } else {
        out += "<span aria-hidden=\"true\" style=\"";
        out += textStyle(row);
        out += "\">";
        out += row.text;
        out += "</span>";
    }
    if (!link.empty())
        out += "</a>";
}

void appendTitle(std::string& out, const StyleRow& titleRow, const std::string& entry,
                 const std::string& link) {
    const std::string rest = entry.substr(advanceCharacters(entry, 0, 1));
    const bool text = !entry.empty() && entry[0] == 'M';
    if (text && link.empty()) {
        out += "<span style=\"" + textStyle(titleRow) + "\">" + rest + "</span>";
        return;
    }
    if (!link.empty())
        appendLinkOpening(out, link, text ? textStyle(titleRow) : "");
    if (text)
        out += rest;
    else
        out += "<img src=\"" + attributeText(rest) + "\" alt=\"" +
               attributeText(addressFileName(rest)) + "\">";
    if (!link.empty())
        out += "</a>";
}

} // namespace

std::optional<Markup> markupFromName(std::string_view name) {
    if (name == "table")
        return Markup::Table;
    if (name == "nav")
        return Markup::Nav;
    return std::nullopt;
}

std::string cssFontSize(const std::string& fontSize) {
    // The sizes 1..7 of FONT, relative ones counted from 3, as browsers map them.
    static constexpr std::array<const char*, 7> kSizes = {
        "x-small", "small", "medium", "large", "x-large", "xx-large", "xxx-large"};
    std::string_view text = fontSize;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    int sign = 0;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        sign = text.front() == '+' ? 1 : -1;
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return {};
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min(value * 10 + (c - '0'), 100);
    }
    const int size = std::clamp(sign == 0 ? value : 3 + sign * value, 1, 7);
    return kSizes[static_cast<std::size_t>(size - 1)];
}

std::string pathHref(std::string_view path) {
    constexpr std::string_view kEncoded = " \"%#?<>\\^`{|}";
    std::string href;
    href.reserve(path.size());
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || kEncoded.find(c) != std::string_view::npos)
            appendPercentEncoded(href, c);
        else
            href += c;
    }
    return href;
}

std::string addressFileName(const std::string& address) {
    const std::string_view path =
        std::string_view(address).substr(0, std::min(address.find('?'), address.find('#')));
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::vector<std::string> navBreadcrumbLines(const BreadcrumbStyle& style,
                                            const std::string& styleFolder, bool PPP,
                                            const std::string& PSP,
                                            const std::vector<NavLevel>& levels,
                                            const std::string& footerLink) {
    const std::string itemStyle =
        std::string("display:flex;align-items:") + flexAlignment(style.cellVAlign);
    std::vector<std::string> lines;
    lines.reserve(levels.size() + 2);
    lines.push_back("<nav class=\"solvina-breadcrumb\" aria-label=\"" + std::string(kNavLabel) +
                    "\" style=\"" + boxStyle(style, styleFolder, PPP, PSP) + "\"><ol style=\"" +
                    itemStyle + ";list-style:none;margin:0;padding:0\">");
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const bool own = k + 1 == levels.size();
        std::string line = "<li style=\"" + itemStyle + '"';
        if (own)
            line += " aria-current=\"page\"";
        line += '>';
        appendConnector(line, style, styleFolder,
                        static_cast<int>(std::min<std::size_t>(k, kDeepestLevelRow)), PPP, PSP,
                        levels[k].connectorLink);
        appendTitle(line, style.rows[kTitleRow], levels[k].titleEntry,
                    own ? std::string() : levels[k].titleLink);
        line += "</li>";
        lines.push_back(std::move(line));
    }
    std::string closing = "</ol>";
    appendConnector(closing, style, styleFolder, kFooterRow, PPP, PSP, footerLink);
    closing += "</nav>";
    lines.push_back(std::move(closing));
    return lines;
}

} // namespace solvina
