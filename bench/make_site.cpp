// Generator of benchmark sites: a nested site of linked pages (or one large page) in CP932 and
// UTF-8, CR LF and LF, some carrying an old block, plus a style library with one style; or a
// small random site for comparing two builds.
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "style/breadcrumb_style.h"
#include "style/style_file.h"
#include "style/style_library_paths.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

using namespace solvina;
namespace fsys = std::filesystem;

namespace {

constexpr int kBranching = 6; // 1 + 6 + 36 + 216 + 1296 pages fit in levels 0..4
constexpr std::uint64_t kSeed = 0x5017B1A2024ULL;
constexpr const char* kStartMarker = "<!--ソルビナ(https://solvina.example/)-->";
constexpr const char* kEndMarker = "<!--ソルビナここまで-->";

struct Options {
    std::string outDir;
    int pages = 1001;
    int kib = 20;
    int singlePageMib = 0; // 0: a site of `pages` pages
    bool oneLine = false;  // the single page as one line
    int randomSeed = 0;    // not 0: a small random site (writeRandomSite)
};

// splitmix64: the same numbers on every platform and compiler.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& items) {
        return items[below(static_cast<int>(N))];
    }

private:
    std::uint64_t m_state;
};

const std::array<std::string_view, 16> kJapanesePhrases = {
    "当社の製品は、長年の研究と開発の成果です。",
    "ご不明な点がございましたら、お気軽にお問い合わせください。",
    "表示価格はすべて税込みです。",
    "新しい機能を追加しました。",
    "ソフトウェアの更新情報をお知らせします。",
    "この能力表は毎月更新しています。",
    "詳しくは下の表をご覧ください。",
    "会社案内と沿革を掲載しています。",
    "春の新商品が入荷しました。",
    "営業時間は午前九時から午後六時までです。",
    "予告なく仕様を変更することがあります。",
    "ダウンロードは無料です。",
    "お支払いは銀行振込またはクレジットカードでお願いします。",
    "送料は全国一律五百円です。",
    "サポート窓口は土日祝日を除く平日のみ受け付けております。",
    "各種資料の請求はこちらから承ります。",
};

const std::array<std::string_view, 12> kEnglishPhrases = {
    "This page describes the product line in detail.",
    "All prices include tax and shipping within Japan.",
    "Please read the notes below before you order.",
    "The table lists the current models and their ratings.",
    "Updated every month with the latest releases.",
    "Contact our support desk for questions about installation.",
    "Older versions remain available in the archive.",
    "Specifications may change without notice.",
    "Downloads are free for registered users.",
    "See the history page for earlier announcements.",
    "Our office is open on weekdays from nine to six.",
    "Thank you for visiting our site.",
};

const std::array<std::string_view, 8> kTitleWords = {
    "製品案内", "会社概要",     "サポート情報", "ダウンロード",
    "新着情報", "よくある質問", "価格表",       "ソフト紹介",
};

const std::array<std::string_view, 6> kCellWords = {
    "標準モデル", "上位モデル", "在庫あり", "受注生産", "販売終了", "近日発売",
};

struct SitePage {
    int index = 0;
    int parent = -1;
    int depth = 0;
    std::string folder; // relative to the site folder, "" or ending in "/"
    std::string name;
    std::vector<int> children;
    std::string path() const { return folder + name; }
};

// Pages numbered breadth first: page i > 0 has parent (i - 1) / kBranching; the children of a
// page live in a folder of their own below the parent's folder.
std::vector<SitePage> planSite(int count) {
    std::vector<SitePage> pages(count);
    for (int i = 0; i < count; ++i) {
        SitePage& page = pages[i];
        page.index = i;
        if (i == 0) {
            page.name = "index.htm";
            continue;
        }
        page.parent = (i - 1) / kBranching;
        const SitePage& parent = pages[page.parent];
        page.depth = parent.depth + 1;
        page.folder = parent.folder + "s" + std::to_string(parent.index) + "/";
        page.name = "page" + std::to_string(i) + (i % 5 == 0 ? ".html" : ".htm");
        pages[page.parent].children.push_back(i);
    }
    return pages;
}

// "../" once for each folder of `from`, then `to`: a link from a page in folder `from`.
std::string relativeLink(const std::string& fromFolder, const std::string& toPath) {
    std::string link;
    for (char c : fromFolder)
        if (c == '/')
            link += "../";
    return link + toPath;
}

// The page's lines as UTF-8 text, without line ends.
class PageWriter {
public:
    PageWriter(Random& random, bool japaneseMeta) : m_random(random), m_cp932(japaneseMeta) {}

    std::vector<std::string> lines;

    void add(std::string line) { lines.push_back(std::move(line)); }

    // A paragraph line of 80 to 200 bytes, sometimes with a link.
    void paragraph(const std::string& link, const std::string& linkText) {
        const std::size_t target = 80 + static_cast<std::size_t>(m_random.below(121));
        std::string line = "<p>";
        while (true) {
            const std::string_view phrase = m_random.below(3) == 0
                                                ? m_random.pick(kEnglishPhrases)
                                                : m_random.pick(kJapanesePhrases);
            if (line.size() > 3 && line.size() + phrase.size() > target)
                break;
            line += phrase;
            line += ' ';
        }
        if (!link.empty()) {
            const bool upper = m_random.below(2) == 0;
            line += upper ? "<A HREF=\"" : "<a href=\"";
            line += link + "\">" + linkText + (upper ? "</A>" : "</a>");
        }
        add(line + "</p>");
    }

    void table(int rows) {
        add("<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">");
        add("<tr><th>品番</th><th>名称</th><th>価格</th><th>備考</th></tr>");
        for (int r = 0; r < rows; ++r) {
            char number[32];
            std::snprintf(number, sizeof number, "%c-%04d", 'A' + m_random.below(26),
                          m_random.below(10000));
            const int price = 1000 + m_random.below(99) * 100;
            add("<tr><td>" + std::string(number) + "</td><td>" +
                std::string(m_random.pick(kCellWords)) + "</td><td align=\"right\">" +
                std::to_string(price) + "円</td><td>" +
                std::string(m_random.pick(kJapanesePhrases)) + "</td></tr>");
        }
        add("</table>");
    }

    bool isCp932() const { return m_cp932; }

private:
    Random& m_random;
    bool m_cp932;
};

void addOldBlock(PageWriter& page) {
    page.add(kStartMarker);
    page.add("<DIV align=\"left\"><TABLE border=\"0\" cellspacing=\"0\" cellpadding=\"0\"><TR><TD>"
             "<TABLE border=\"0\" cellspacing=\"0\" cellpadding=\"2\"><TR>");
    page.add("<TD nowrap><FONT color=\"#000000\">[古いナビ:</FONT></TD>");
    page.add("<TD nowrap><FONT color=\"#000000\">以前のトップページ</FONT></TD>");
    page.add("<TD nowrap><FONT color=\"#000000\">]</FONT></TD>");
    page.add("</TR></TABLE></TD></TR></TABLE></DIV>");
    page.add(kEndMarker);
}

void addHead(PageWriter& page, const std::string& title, const std::string& topLink) {
    page.add("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
    page.add("<html lang=\"ja\">");
    page.add("<head>");
    if (page.isCp932())
        page.add("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">");
    else
        page.add("<meta charset=\"utf-8\">");
    page.add("<title>" + title + "</title>");
    page.add("<link rel=\"stylesheet\" href=\"" + topLink + "style.css\" type=\"text/css\">");
    page.add("</head>");
    page.add("<body bgcolor=\"#FFFFF0\" text=\"#333333\" link=\"#003399\">");
}

void addFoot(PageWriter& page) {
    page.add("<hr>");
    page.add("<address>Copyright (C) 2004 株式会社サンプル商会. All rights reserved.</address>");
    page.add("</body>");
    page.add("</html>");
}

// Encodes the lines and joins them with the chosen line end.
std::string pageBytes(const PageWriter& page, bool crlf) {
    std::string bytes;
    for (const std::string& line : page.lines) {
        if (page.isCp932()) {
            Result<std::string> encoded = cp932().encode(line, Unencodable::Fail);
            if (!encoded) {
                std::fprintf(stderr, "make_site: %s\n", encoded.error().c_str());
                std::exit(1);
            }
            bytes += *encoded;
        } else {
            bytes += line;
        }
        bytes += crlf ? "\r\n" : "\n";
    }
    return bytes;
}

std::size_t encodedSize(const PageWriter& page) {
    std::size_t size = 0;
    for (const std::string& line : page.lines)
        size += line.size() + 2;
    // Japanese takes two bytes a character in CP932 and three in UTF-8.
    return page.isCp932() ? size * 4 / 5 : size;
}

void writeFile(const fsys::path& path, const std::string& bytes) {
    fsys::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "make_site: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// Builds the body of one page of the site until it holds about targetBytes.
std::string sitePageBytes(const std::vector<SitePage>& pages, const SitePage& page,
                          std::size_t targetBytes) {
    Random random(kSeed + static_cast<std::uint64_t>(page.index) * 7919);
    const bool cp932Page = page.index % 2 == 0;
    const bool crlf = (page.index / 2 + page.index / 8) % 2 == 0;
    const bool oldBlock = page.index % 8 == 1 || page.index % 8 == 2; // a quarter, both codes
    PageWriter writer(random, cp932Page);
    const std::string topLink = relativeLink(page.folder, "");
    const std::string title =
        std::string(random.pick(kTitleWords)) + " 第" + std::to_string(page.index) + "ページ";

    addHead(writer, title, topLink);
    if (oldBlock)
        addOldBlock(writer);
    writer.add("<h1>" + title + "</h1>");

    // Links back: the top page and the parent are still open when this page is entered, the
    // previous sibling is finished already.
    std::string nav = "<p class=\"nav\"><A HREF=\"" + topLink + "index.htm\">トップ</A>";
    if (page.parent > 0)
        nav += " | <A HREF=\"../" + pages[page.parent].name + "\">戻る</A>";
    if (page.index > 1 && pages[page.index - 1].parent == page.parent)
        nav += " | <A HREF=\"" + pages[page.index - 1].name + "\">前へ</A>";
    writer.add(nav + "</p>");

    writer.paragraph("", "");
    if (!page.children.empty()) {
        writer.add("<ul class=\"menu\">");
        for (int child : page.children) {
            const SitePage& target = pages[child];
            writer.add("<li><A HREF=\"s" + std::to_string(page.index) + "/" + target.name + "\">" +
                       std::string(kTitleWords[child % kTitleWords.size()]) + " " +
                       std::to_string(child) + "</A></li>");
        }
        writer.add("</ul>");
    }

    const std::size_t footBytes = 200;
    while (encodedSize(writer) + footBytes < targetBytes) {
        switch (random.below(6)) {
        case 0:
            writer.table(3 + random.below(6));
            break;
        case 1:
            writer.paragraph("http://www.example.com/catalog/item" +
                                 std::to_string(random.below(500)) + ".htm",
                             "外部カタログ");
            break;
        case 2:
            writer.paragraph(topLink + "index.htm#top", "ページの先頭へ");
            break;
        case 3:
            writer.paragraph(topLink + "index.htm", "トップページ");
            break;
        default:
            writer.paragraph("", "");
            break;
        }
    }
    addFoot(writer);
    return pageBytes(writer, crlf);
}

// One page of about `mib` MiB: UTF-8 with Japanese text, LF line ends, an old block.
void writeSinglePage(const fsys::path& siteFolder, int mib, bool oneLine) {
    Random random(kSeed);
    const std::size_t target = static_cast<std::size_t>(mib) * 1024 * 1024;
    fsys::create_directories(siteFolder);
    std::ofstream out(siteFolder / "index.htm", std::ios::binary | std::ios::trunc);
    std::size_t written = 0;
    const auto flush = [&](PageWriter& writer) {
        std::string bytes = pageBytes(writer, false);
        if (oneLine)
            std::replace(bytes.begin(), bytes.end(), '\n', ' ');
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        written += bytes.size();
        writer.lines.clear();
    };

    PageWriter writer(random, false);
    addHead(writer, "大きなページ", "");
    addOldBlock(writer);
    writer.add("<h1>大きなページ</h1>");
    flush(writer);
    while (written + 200 < target) {
        for (int i = 0; i < 64; ++i) {
            if (random.below(8) == 0)
                writer.table(3 + random.below(6));
            else if (random.below(4) == 0)
                writer.paragraph("index.htm", "このページの先頭");
            else
                writer.paragraph("", "");
        }
        flush(writer);
    }
    addFoot(writer);
    flush(writer);
    if (oneLine)
        out << '\n';
    if (!out) {
        std::fprintf(stderr, "make_site: cannot write the page\n");
        std::exit(1);
    }
}

// A minimal GIF of one pixel, enough for any browser to draw.
std::string tinyGif(unsigned char red, unsigned char green, unsigned char blue) {
    const unsigned char bytes[] = {'G', 'I', 'F',   '8',  '9', 'a', 1, 0,    1, 0, 0x80, 0,
                                   0,   red, green, blue, 0,   0,   0, 0x2C, 0, 0, 0,    0,
                                   1,   0,   1,     0,    0,   2,   2, 0x44, 1, 0, 0x3B};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// lib/Bench: the style file and its images; connectors mix text and images.
void writeStyle(const fsys::path& libraryFolder) {
    const std::string folder = styleFolder(libraryFolder.string(), "Bench");
    fsys::create_directories(folder);
    writeFile(fsys::path(folder) / "arrow.gif", tinyGif(0x00, 0x33, 0x99));
    writeFile(fsys::path(folder) / "home.gif", tinyGif(0x99, 0x33, 0x00));
    writeFile(fsys::path(folder) / "back.gif", tinyGif(0xFF, 0xFF, 0xE0));

    BreadcrumbStyle style = programStartStyle();
    style.styleName = "Bench";
    const std::array<const char*, kRowCount> texts = {"[ナビ:", ">", "≫", ">", "»", ">", "]", ""};
    for (int row = 0; row < kRowCount; ++row)
        style.rows[row].text = texts[row];
    style.rows[0].imageFile = "home.gif";
    style.rows[0].imageWidth = 16;
    style.rows[0].imageHeight = 16;
    style.rows[2].imageFile = "arrow.gif";
    style.rows[2].imageWidth = 12;
    style.rows[2].imageHeight = 12;
    style.rows[4].imageFile = "arrow.gif";
    style.rows[4].imageWidth = 12;
    style.rows[4].imageHeight = 12;
    style.rows[1].bold = 1;
    style.rows[1].color = "993300";
    style.rows[6].fontSize = "-1";
    style.rows[7].fontSize = "-1";
    style.rows[7].color = "663300";
    style.rows[7].underline = 1;
    style.rows[7].imageFile = "back.gif";
    style.backgroundColor = "E0FFFF";
    style.borderWidth = "1";
    style.height = "24";

    Status written =
        writeStyleFile(nativeFileSystem(), styleFilePath(libraryFolder.string(), "Bench"), style);
    if (!written) {
        std::fprintf(stderr, "make_site: %s\n", written.error().c_str());
        std::exit(1);
    }
}

// A small site of six pages whose lines mix, at random, the marker comments, titles, links,
// body tags, old blocks and comments a page's pass acts on, with CR, LF or CR LF line ends: for
// comparing two builds (bench/compare-builds), not for timing.
void writeRandomSite(const fsys::path& siteFolder, int seed) {
    static const std::array<std::string_view, 23> kTokens = {"<!--NOTQUIBREL-->",
                                                             "<!--notquibrellink-->",
                                                             "<!--NOTQUIBRELLINK-->",
                                                             "<!--NOTBUBUNLINK-->",
                                                             "<!--TITLEIMG=\"img/x.gif\"-->",
                                                             "<!--titleimg=\"b.gif\"-->",
                                                             "<title>T@n</title>",
                                                             "<TITLE>タイトル@n",
                                                             "<a href=\"p@k.htm\">",
                                                             "<A HREF=\"p@k.htm\">x</A>",
                                                             "<body>",
                                                             "<BODY bgcolor=\"#fff\">",
                                                             "</body>",
                                                             kStartMarker,
                                                             "old<td>x</td>",
                                                             kEndMarker,
                                                             "text",
                                                             " ",
                                                             "<!-- c -->",
                                                             "<!--",
                                                             "-->",
                                                             "<p>",
                                                             "あいう"};
    static const std::array<std::string_view, 3> kLineEnds = {"\n", "\r\n", "\r"};
    Random random(kSeed ^ static_cast<std::uint64_t>(seed));
    for (int n = 0; n < 6; ++n) {
        const std::string_view end = random.pick(kLineEnds);
        std::string bytes;
        for (int line = 0, lines = 1 + random.below(8); line < lines; ++line) {
            if (line > 0)
                bytes += end;
            for (int token = 0, tokens = 1 + random.below(7); token < tokens; ++token)
                for (char c : random.pick(kTokens)) {
                    // "@n": the page's number; "@k": a page of the site, or one that is not there.
                    if (c == 'n' && !bytes.empty() && bytes.back() == '@')
                        bytes.back() = static_cast<char>('0' + n);
                    else if (c == 'k' && !bytes.empty() && bytes.back() == '@')
                        bytes.back() = static_cast<char>('0' + random.below(7));
                    else
                        bytes += c;
                }
        }
        if (random.below(10) < 7)
            bytes += end;
        std::string name = "index.htm";
        if (n > 0)
            name = std::string("p").append(std::to_string(n)).append(".htm");
        writeFile(siteFolder / name, bytes);
    }
}

bool parseNumber(const char* text, int& value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number <= 0 || number > 1000000)
        return false;
    value = static_cast<int>(number);
    return true;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: make_site OUT_DIR [--pages N] [--kib S] [--single-page-mib M [--one-line]]\n"
        "       make_site OUT_DIR --random SEED\n"
        "  writes OUT_DIR/site/ (top page index.htm) and OUT_DIR/lib/Bench/Bench.sty\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--pages" && hasValue) {
            if (!parseNumber(argv[++i], options.pages))
                return usage();
        } else if (argument == "--kib" && hasValue) {
            if (!parseNumber(argv[++i], options.kib))
                return usage();
        } else if (argument == "--single-page-mib" && hasValue) {
            if (!parseNumber(argv[++i], options.singlePageMib))
                return usage();
        } else if (argument == "--random" && hasValue) {
            if (!parseNumber(argv[++i], options.randomSeed))
                return usage();
        } else if (argument == "--one-line") {
            options.oneLine = true;
        } else if (argument.starts_with("--") || !options.outDir.empty()) {
            return usage();
        } else {
            options.outDir = argument;
        }
    }
    if (options.outDir.empty())
        return usage();

    const fsys::path out(options.outDir);
    const fsys::path siteFolder = out / "site";
    std::error_code error;
    fsys::remove_all(siteFolder, error);
    writeStyle(out / "lib");

    if (options.randomSeed > 0) {
        writeRandomSite(siteFolder, options.randomSeed);
        return 0;
    }
    if (options.singlePageMib > 0) {
        writeSinglePage(siteFolder, options.singlePageMib, options.oneLine);
        std::printf("%s: one page of %d MiB\n", siteFolder.c_str(), options.singlePageMib);
        return 0;
    }

    const std::vector<SitePage> pages = planSite(options.pages);
    std::uintmax_t total = 0;
    for (const SitePage& page : pages) {
        const std::string bytes =
            sitePageBytes(pages, page, static_cast<std::size_t>(options.kib) * 1024);
        writeFile(siteFolder / page.path(), bytes);
        total += bytes.size();
    }
    writeFile(siteFolder / "style.css", "body { font-family: sans-serif; }\n");
    std::printf("%s: %d pages, %.1f MiB\n", siteFolder.c_str(), options.pages,
                static_cast<double>(total) / (1024.0 * 1024.0));
    return 0;
}
