// The nav form and the JSON-LD of a block: the style's settings in both forms, the structure
// of the nav read back by a tag scanner, the JSON read back by a small reader.
#include "apply/breadcrumb_block.h"
#include "render/json_ld.h"
#include "render/nav_breadcrumb.h"
#include "support/sample_style.h"
#include "support/temp_dir.h"
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>

namespace solvina {
namespace {

struct Tag {
    bool closing = false;
    std::string name;
    std::map<std::string, std::string> attributes;
};

// Start and end tags of well-formed markup (attribute values in double quotes); text between
// them is left out. Fails the test on anything else.
std::vector<Tag> scanTags(const std::string& html) {
    std::vector<Tag> tags;
    for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at)) {
        if (html.compare(at, 4, "<!--") == 0) {
            at = html.find("-->", at) + 3;
            continue;
        }
        Tag tag;
        tag.closing = html[at + 1] == '/';
        std::size_t i = at + (tag.closing ? 2 : 1);
        while (std::isalnum(static_cast<unsigned char>(html[i])))
            tag.name += html[i++];
        for (;;) {
            while (html[i] == ' ')
                ++i;
            if (html[i] == '>')
                break;
            const std::size_t equals = html.find('=', i);
            const std::size_t end = html.find('"', equals + 2);
            EXPECT_EQ(html[equals + 1], '"') << html.substr(at, 60);
            tag.attributes[html.substr(i, equals - i)] = html.substr(equals + 2, end - equals - 2);
            i = end + 1;
        }
        at = i + 1;
        tags.push_back(std::move(tag));
        if (tags.back().name == "script")
            at = html.find("</script>", at); // its text is JSON, not markup
    }
    return tags;
}

// Checks the nav of a page at `level`: nav > ol > li only, one li per level, the last marked
// as the page and never linked, the others linked when titlesLinked, connectors hidden.
void expectNavStructure(const std::string& html, int level, bool titlesLinked) {
    const std::vector<Tag> tags = scanTags(html);
    std::vector<std::string> open;
    int items = 0;
    bool listClosed = false;
    for (std::size_t t = 0; t < tags.size(); ++t) {
        const Tag& tag = tags[t];
        if (tag.closing) {
            ASSERT_FALSE(open.empty()) << "</" << tag.name << "> closes nothing";
            ASSERT_EQ(open.back(), tag.name);
            open.pop_back();
            listClosed = listClosed || tag.name == "ol";
            continue;
        }
        const std::string parent = open.empty() ? "" : open.back();
        if (tag.name == "nav") {
            EXPECT_EQ(tag.attributes.at("class"), "solvina-breadcrumb");
            EXPECT_EQ(tag.attributes.at("aria-label"), "パンくずリスト");
        } else if (tag.name == "ol") {
            EXPECT_EQ(parent, "nav");
        } else if (tag.name == "li") {
            EXPECT_EQ(parent, "ol");
            const bool own = items++ == level;
            EXPECT_EQ(tag.attributes.count("aria-current") == 1, own) << "li " << items;
        } else if (tag.name == "a" && t + 1 < tags.size()) {
            // A link around a hidden connector is the header or footer link.
            const Tag& inner = tags[t + 1];
            const bool connector = inner.attributes.count("aria-hidden") ||
                                   (inner.name == "img" && inner.attributes.at("alt").empty());
            EXPECT_TRUE(connector || (titlesLinked && items <= level)) << "a link in li " << items;
        } else if (tag.name == "span" && !tag.attributes.count("aria-hidden")) {
            EXPECT_EQ(parent, "li") << "a title outside its li";
        } else if (tag.name == "img" && tag.attributes.at("alt").empty()) {
            EXPECT_TRUE(parent == "li" || listClosed) << "a connector outside its li";
        }
        if (tag.name != "img" && tag.name != "hr")
            open.push_back(tag.name);
    }
    EXPECT_TRUE(open.empty());
    EXPECT_EQ(items, level + 1);
}

// A chain of three levels below the top page, the second a title image.
ApplyRunState deepChain() {
    ApplyRunState state;
    state.levelTitles[0] = "Mトップ";
    state.levelLinks[0] = "index.html";
    state.levelTitles[1] = "Iproducts/logo.gif";
    state.levelLinks[1] = "products/index.html";
    state.levelTitles[2] = "MA &amp; B &lt;/script&gt;";
    state.levelLinks[2] = "products/soft/index.html";
    state.levelTitles[3] = "M𠮷 ツール";
    state.levelLinks[3] = "products/soft/my tool#1.html";
    return state;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST(NavMarkup, StyleSettingsReachBothForms) {
    const struct {
        const char* name;
        std::function<void(BreadcrumbStyle&)> change;
        const char* inTable;
        const char* inNav;
    } cases[] = {
        {"bold italic underlined title",
         [](BreadcrumbStyle& s) { s.rows[7].bold = s.rows[7].italic = s.rows[7].underline = 1; },
         "<B><I><U><FONT", "font-weight:bold;font-style:italic;text-decoration:underline"},
        {"grayed bold is off", [](BreadcrumbStyle& s) { s.rows[7].bold = 2; }, "<FONT",
         "\"color:#0000FF;text-decoration:underline;font-size:small\""},
        {"connector colour and size",
         [](BreadcrumbStyle& s) {
             s.rows[0].color = "0000FF";
             s.rows[0].fontSize = "+2";
         },
         "COLOR=\"#FF0000\" SIZE=\"+2\"", "color:#FF0000;font-weight:bold;font-size:x-large"},
        {"centred, background colour, height", [](BreadcrumbStyle&) {}, "<DIV ALIGN=\"CENTER\">",
         "margin-left:auto;margin-right:auto;background-color:#FFFFCC;min-height:24px"},
        {"right, border, top",
         [](BreadcrumbStyle& s) {
             s.tableAlign = 2;
             s.borderWidth = "2";
             s.cellVAlign = 3;
         },
         "VALIGN=\"TOP\"", "align-items:flex-start;margin-left:auto;background-color"},
        {"background image", [](BreadcrumbStyle& s) { s.rows[7].imageFile = "bg it.gif"; },
         "BACKGROUND=\"../../quibrel/bg it.gif\"",
         "background-image:url('../../quibrel/bg%20it.gif')"},
        {"text connectors",
         [](BreadcrumbStyle& s) {
             s.rows[1].imageFile.clear();
             s.rows[1].text = "＞";
         },
         ">＞</FONT>", "<span aria-hidden=\"true\" style=\"color:#000000\">＞</span>"},
        {"footer connector after the list", [](BreadcrumbStyle& s) { s.rows[6].text = "】"; },
         ">】</FONT>", "</ol><span aria-hidden=\"true\" style=\"color:#000000\">】</span></nav>"},
        {"image connectors", [](BreadcrumbStyle&) {}, "SRC=\"../../quibrel/arrow.gif\"",
         "<img alt=\"\" src=\"../../quibrel/arrow.gif\" width=\"12\" height=\"12\">"},
        {"fractional image width", [](BreadcrumbStyle& s) { s.rows[1].imageWidth = 12.6; },
         "WIDTH=\"12.6\"", "arrow.gif\" width=\"13\" height=\"12\">"},
        {"title image", [](BreadcrumbStyle&) {}, "<IMG SRC=\"../../products/logo.gif\" BORDER=0>",
         "<a href=\"../../products/index.html\"><img src=\"../../products/logo.gif\" "
         "alt=\"logo.gif\"></a>"},
    };
    const ApplyRunState state = deepChain();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BreadcrumbStyle style = test::sampleStyle();
        c.change(style);
        for (Markup markup : {Markup::Table, Markup::Nav}) {
            ApplyOptions options;
            options.markup = markup;
            options.addRule = true;
            const std::string block =
                joined(breadcrumbBlock(style, "/lib/Std/", options, state, 3));
            EXPECT_NE(block.find(markup == Markup::Nav ? c.inNav : c.inTable), std::string::npos)
                << block;
            if (markup == Markup::Nav)
                expectNavStructure(block, 3, true);
        }
    }
}

// A run's renderer keeps the lines of each folder depth: pages of other depths, in any order,
// get their own, as a renderer made for the page alone gives them.
TEST(BlockRenderer, EveryPageGetsTheLinesOfItsOwnDepth) {
    const BreadcrumbStyle style = test::sampleStyle();
    ApplyOptions options;
    options.linkHeader = options.linkFooter = true;
    options.headerLink = "index.html";
    options.footerLink = "map.html";
    for (Markup markup : {Markup::Table, Markup::Nav}) {
        options.markup = markup;
        const BlockRenderer renderer(style, "/lib/Std/", options);
        for (int level : {3, 0, 1, 3, 2, 0, 7}) {
            ApplyRunState state = deepChain();
            for (int deeper = 4; deeper <= level; ++deeper) {
                state.levelTitles[deeper] = "M" + std::to_string(deeper);
                state.levelLinks[deeper] = "a/b/c/d/" + std::to_string(deeper) + ".html";
            }
            EXPECT_EQ(renderer.block(state, level),
                      breadcrumbBlock(style, "/lib/Std/", options, state, level))
                << level;
        }
    }
}

TEST(NavMarkup, OwnItemNeverLinkedAndLinksFollowTheOptions) {
    const ApplyRunState state = deepChain();
    for (bool linkTitles : {true, false}) {
        ApplyOptions options;
        options.markup = Markup::Nav;
        options.linkTitles = linkTitles;
        options.linkHeader = options.linkFooter = true;
        options.headerLink = "map.html";
        options.footerLink = "help me.html";
        BreadcrumbStyle style = test::sampleStyle();
        style.rows[6].text = "】";
        const std::string block = joined(breadcrumbBlock(style, "", options, state, 3));
        expectNavStructure(block, 3, linkTitles);
        EXPECT_NE(block.find("<a href=\"../../map.html\"><span aria-hidden"), std::string::npos);
        EXPECT_NE(block.find("<a href=\"../../help me.html\">"), std::string::npos);
        // A file name with characters a URL cannot hold is percent-encoded in the title link.
        EXPECT_EQ(block.find("my tool"), std::string::npos);
        const std::string top = joined(breadcrumbBlock(style, "", options, state, 0));
        expectNavStructure(top, 0, linkTitles);
    }
}

// A JSON reader for the tests: the document flattened to "path=value" lines, strings decoded.
class FlatJson {
public:
    explicit FlatJson(std::string_view text) : m_text(text) {
        value("");
        skipBlanks();
        if (m_at != m_text.size())
            fail("text after the document");
    }
    std::map<std::string, std::string> values;
    std::string error;

private:
    void fail(const std::string& why) {
        if (error.empty())
            error = why + " at " + std::to_string(m_at);
        m_at = m_text.size();
    }
    void skipBlanks() {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
    }
    bool take(char c) {
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == c)
            return ++m_at, true;
        return false;
    }
    unsigned hex4() {
        const std::string digits(m_text.substr(m_at, 4));
        m_at += 4;
        return digits.size() == 4 ? std::stoul(digits, nullptr, 16) : 0;
    }
    std::string string() {
        if (!take('"'))
            return fail("a string expected"), "";
        std::string out;
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            char c = m_text[m_at++];
            if (static_cast<unsigned char>(c) < 0x20)
                return fail("a control character in a string"), "";
            if (c != '\\') {
                out += c;
                continue;
            }
            c = m_text[m_at++];
            if (c == 'u') {
                char32_t code = hex4();
                if (code >= 0xD800 && code < 0xDC00 && m_text.substr(m_at, 2) == "\\u") {
                    m_at += 2;
                    code = 0x10000 + ((code - 0xD800) << 10) + (hex4() - 0xDC00);
                }
                appendUtf8(out, code);
            } else if (std::string_view("\"\\/").find(c) != std::string_view::npos) {
                out += c;
            } else {
                return fail("an unknown escape"), "";
            }
        }
        if (!take('"'))
            fail("an unterminated string");
        return out;
    }
    void value(const std::string& path) {
        skipBlanks();
        if (take('{')) {
            do {
                const std::string key = string();
                if (!take(':'))
                    return fail("a colon expected");
                value(path + "." + key);
            } while (take(','));
            if (!take('}'))
                fail("a closing brace expected");
        } else if (take('[')) {
            int index = 0;
            do
                value(path + "[" + std::to_string(index++) + "]");
            while (take(','));
            if (!take(']'))
                fail("a closing bracket expected");
        } else if (m_at < m_text.size() && m_text[m_at] == '"') {
            values[path] = string();
        } else {
            const std::size_t start = m_at;
            while (m_at < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_at])))
                ++m_at;
            if (start == m_at)
                return fail("a value expected");
            values[path] = "#" + std::string(m_text.substr(start, m_at - start));
        }
    }
    std::string_view m_text;
    std::size_t m_at = 0;
};

TEST(JsonLd, APageThreeLevelsDownWithATitleImageAncestor) {
    ApplyOptions options;
    options.jsonLdBase = "https://example.com/サイト";
    const std::vector<std::string> block =
        breadcrumbBlock(test::sampleStyle(), "", options, deepChain(), 3);
    ASSERT_EQ(block.size(), 14U); // the table's lines, then the script before the end marker
    const std::string& script = block[block.size() - 2];
    const std::string open = "<script type=\"application/ld+json\">";
    ASSERT_EQ(script.rfind(open, 0), 0U);
    ASSERT_EQ(script.substr(script.size() - 9), "</script>");
    const std::string json = script.substr(open.size(), script.size() - open.size() - 9);
    EXPECT_EQ(json.find("</"), std::string::npos);
    EXPECT_EQ(json.find("<!--"), std::string::npos);

    const FlatJson read(json);
    ASSERT_EQ(read.error, "");
    const std::string base = "https://example.com/%E3%82%B5%E3%82%A4%E3%83%88/";
    const std::map<std::string, std::string> expected = {
        {".@context", "https://schema.org"},
        {".@type", "BreadcrumbList"},
        {".itemListElement[0].@type", "ListItem"},
        {".itemListElement[0].position", "#1"},
        {".itemListElement[0].name", "トップ"},
        {".itemListElement[0].item", base + "index.html"},
        {".itemListElement[1].@type", "ListItem"},
        {".itemListElement[1].position", "#2"},
        {".itemListElement[1].name", "logo.gif"},
        {".itemListElement[1].item", base + "products/index.html"},
        {".itemListElement[2].@type", "ListItem"},
        {".itemListElement[2].position", "#3"},
        {".itemListElement[2].name", "A & B </script>"},
        {".itemListElement[2].item", base + "products/soft/index.html"},
        {".itemListElement[3].@type", "ListItem"},
        {".itemListElement[3].position", "#4"},
        {".itemListElement[3].name", "𠮷 ツール"},
        {".itemListElement[3].item", base + "products/soft/my%20tool%231.html"},
    };
    EXPECT_EQ(read.values, expected);
}

TEST(JsonLd, NamesUrlsAndBaseChecks) {
    const struct {
        std::string title;
        std::string name;
    } names[] = {{"  &#x41;&#66;&nbsp;", "AB\u00A0"},
                 {"&bogus; &#xD800; &", "&bogus; &#xD800; &"},
                 {"\t\r", ""}};
    for (const auto& n : names)
        EXPECT_EQ(titleTextName(n.title), n.name) << n.title;
    // A page without a title is named after its file.
    ApplyRunState state;
    state.levelLinks[0] = "a/b.html";
    ApplyOptions options;
    options.jsonLdBase = "http://h/";
    const std::string script = breadcrumbBlock(test::sampleStyle(), "", options, state, 0)[6];
    EXPECT_NE(script.find("\"name\":\"b.html\",\"item\":\"http://h/a/b.html\""), std::string::npos)
        << script;

    for (const char* good : {"https://example.com", "HTTP://example.com/a/", "http://h:8080/x"})
        EXPECT_FALSE(jsonLdBaseError(good)) << good;
    for (const char* bad : {"", "example.com", "ftp://h/", "https://", "https:///x",
                            "https://h/a b", "https://h/?q=1", "https://h/#top", "https://h/\"x"})
        EXPECT_TRUE(jsonLdBaseError(bad)) << bad;
}

TEST(NavMarkup, FontSizesMapToCss) {
    const std::pair<const char*, const char*> sizes[] = {
        {"標準", ""},        {"", ""},          {"+1", "large"},   {"+5", "xxx-large"},
        {"+9", "xxx-large"}, {"-1", "small"},   {"-5", "x-small"}, {"1", "x-small"},
        {"7", "xxx-large"},  {"3px", "medium"}, {"big", ""}};
    for (const auto& [fontSize, css] : sizes)
        EXPECT_EQ(cssFontSize(fontSize), css) << fontSize;
}

// The HTML checker of the Debian package tidy, when it is installed. tidy 5.6 does not know
// aria-current yet (ARIA 1.1); that one warning is expected.
TEST(NavMarkup, PagesPassTheHtmlChecker) {
    if (std::system("command -v tidy >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tidy is not installed";
    test_support::TempDir dir;
    BreadcrumbStyle style = test::sampleStyle();
    style.rows[6].text = "】";
    style.rows[7].imageFile = "bg.gif";
    style.borderWidth = "1";
    ApplyOptions options;
    options.markup = Markup::Nav;
    options.addRule = true;
    options.jsonLdBase = "https://example.com/";
    options.linkHeader = true;
    options.headerLink = "map.html";
    const std::string page =
        dir.write("page.html", "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">"
                               "<title>t</title></head><body>\n" +
                                   joined(breadcrumbBlock(style, "", options, deepChain(), 3)) +
                                   "</body></html>\n");
    const std::string command = "tidy -q -e '" + page + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::string report;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe.get()))
        if (std::string_view(buffer).find("proprietary attribute \"aria-current\"") ==
            std::string_view::npos)
            report += buffer;
    EXPECT_EQ(report, "");
}

} // namespace
} // namespace solvina
