// The style preview page: the sample breadcrumb between a fixed head and tail.
#include "render/preview_page.h"

#include "platform/text_codec.h"
#include "render/fragments.h"

namespace solvina {

namespace {

constexpr const char* kPreviewHead = "<HTML><HEAD><TITLE>ソルビナプレビュー</TITLE></HEAD>"
                                     "<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\">";
constexpr const char* kPreviewTail = "</BODY></HTML>";

std::string sampleTitle(int level) {
    return "M第" + std::to_string(level) + "階層";
}

std::vector<std::string> navPreviewLines(const BreadcrumbStyle& style,
                                         const std::string& styleFolder) {
    std::vector<NavLevel> levels;
    for (int level = 1; level <= kFooterRow; ++level)
        levels.push_back({sampleTitle(level), "", ""});
    std::vector<std::string> lines = navBreadcrumbLines(style, styleFolder, false, "", levels, "");
    lines.insert(lines.begin(), kPreviewHead);
    lines.back() += kPreviewTail;
    return lines;
}

} // namespace

std::vector<std::string> previewPageLines(const BreadcrumbStyle& style,
                                          const std::string& styleFolder, Markup markup) {
    if (markup == Markup::Nav)
        return navPreviewLines(style, styleFolder);
    const std::string noPrefix;
    const std::string noLink;
    std::vector<std::string> lines;
    lines.reserve(kPreviewLineCount);
    lines.emplace_back(kPreviewHead);
    lines.push_back(QUIBREL_DATA1(style, styleFolder, false, noPrefix));
    for (int row = 0; row <= kFooterRow; ++row) {
        lines.push_back(QUIBREL_DATA2(style, styleFolder, row, false, noPrefix, noLink));
        if (row < kFooterRow) {
            lines.push_back(QUIBREL_DATA3(style, sampleTitle(row + 1), noLink));
        }
    }
    lines.push_back(std::string(kClosingText) + kPreviewTail);
    return lines;
}

Status writePreviewPage(FileSystem& fs, const std::string& path, const BreadcrumbStyle& style,
                        const std::string& styleFolder, Markup markup) {
    std::string text;
    for (const std::string& line : previewPageLines(style, styleFolder, markup)) {
        text += line;
        text += "\r\n";
    }
    Result<std::string> bytes = cp932().encode(text, Unencodable::NumericCharReference);
    if (!bytes)
        return std::move(bytes).takeError();
    return fs.writeWholeFile(path, *bytes);
}

} // namespace solvina
