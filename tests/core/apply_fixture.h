// A site in a temporary folder, a plain style, and the expected lines of its blocks.
#pragma once

#include "apply/apply_run.h"
#include "apply/page_codec.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace solvina::test_support {

class RecordingReporter : public ApplyReporter {
public:
    std::vector<std::string> entered;
    std::vector<std::string> failures;
    void pageEntered(const std::string& path) override { entered.push_back(path); }
    void pageFailed(const std::string& description) override { failures.push_back(description); }
};

// A title cell of the plain style: entry "M" + text, or "I" + image address.
struct Crumb {
    std::string entry;
    std::string link; // empty: no link
};

inline std::string plainCell(const std::string& content) {
    return "<TD NOWRAP VALIGN=\"MIDDLE\"><FONT COLOR=\"#000000\">" + content + "</FONT></TD>";
}

inline std::string titleCell(const Crumb& crumb) {
    std::string open = crumb.link.empty() ? "" : "<A HREF=\"" + crumb.link + "\">";
    std::string close = crumb.link.empty() ? "" : "</A>";
    std::string inner = crumb.entry.rfind('M', 0) == 0
                            ? "<FONT COLOR=\"#000000\">" + crumb.entry.substr(1) + "</FONT>"
                            : "<IMG SRC=\"" +
                                  crumb.entry.substr(std::min<std::size_t>(1, crumb.entry.size())) +
                                  "\" BORDER=0>";
    return "<TD NOWRAP VALIGN=\"MIDDLE\">" + open + inner + close + "</TD>";
}

// The block of the plain style (texts "[Navi:", ">", ..., "]", every other field at its
// default) for a chain of crumbs from the top page down to the page itself.
inline std::vector<std::string> plainBlock(const std::vector<Crumb>& chain, bool rule = false) {
    std::vector<std::string> lines{
        kStartMarker, "<DIV ALIGN=\"LEFT\"><TABLE BORDER=\"0\"><TR><TD><TABLE BACKGROUND=\"\" "
                      "HEIGHT=\"0\" CELLSPACING=\"0\" CELLPADDING=\"0\"><TR>"};
    for (std::size_t k = 0; k < chain.size(); ++k) {
        lines.push_back(plainCell(k == 0 ? "[Navi:" : ">"));
        lines.push_back(titleCell(chain[k]));
    }
    lines.push_back(plainCell("]"));
    lines.push_back("</TR></TABLE></TD></TR></TABLE></DIV>");
    if (rule)
        lines.push_back("<HR>");
    lines.push_back(kEndMarker);
    return lines;
}

inline std::string joinLines(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const auto& line : lines)
        text += line + end;
    return text;
}

class ApplyFixture : public testing::Test {
protected:
    ApplyFixture();

    // Runs on the site with top page site/<topPage>, through fileSystem.
    ApplyRunSummary apply(const std::string& topPage = "index.htm");
    // The temporary files (".tmp") anywhere in the site.
    std::vector<std::string> leftoverTemporaryFiles() const;
    std::string site(const std::string& relative) const { return dir / ("site/" + relative); }
    std::string writePage(const std::string& relative, const std::string& bytes) const {
        return dir.write("site/" + relative, bytes);
    }
    std::string readPage(const std::string& relative) const { return dir.read("site/" + relative); }
    // The page as characters: pages without a declaration that are not UTF-8 are CP932, and
    // so are the blocks written into them.
    std::string pageText(const std::string& relative) const;

    TempDir dir;
    FileSystem* fileSystem = &nativeFileSystem();
    BreadcrumbStyle style;
    std::string styleFolder;
    ApplyOptions options;
    ApplyRunState state;
    RecordingReporter reporter;
    UndoSettings undo; // keeps nothing unless a test names a folder
    std::atomic<bool> stopAsked{false};
};

} // namespace solvina::test_support
