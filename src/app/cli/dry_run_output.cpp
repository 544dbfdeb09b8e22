// The plan of a dry run as text and as JSON.
#include "cli/dry_run_output.h"

#include "text/utf8.h"

#include <string_view>

namespace solvina {

namespace {

// The pages below each page, in the order they were entered; the top page's list is index -1.
std::vector<std::vector<int>> childrenOf(const SitePlan& plan) {
    std::vector<std::vector<int>> children(plan.pages.size() + 1);
    for (std::size_t i = 0; i < plan.pages.size(); ++i)
        children[plan.pages[i].parent + 1].push_back(static_cast<int>(i));
    return children;
}

// Depth first with a stack of its own: a chain of pages as deep as a site goes (no level bound)
// must not run the program's stack out.
void printTree(const SitePlan& plan, const std::vector<std::vector<int>>& children,
               std::ostream& out) {
    struct Next {
        const std::vector<int>* pages; // the children being printed
        std::size_t at;                // the next of them
    };
    std::vector<Next> stack{{&children[0], 0}};
    while (!stack.empty()) {
        Next& next = stack.back();
        if (next.at == next.pages->size()) {
            stack.pop_back();
            continue;
        }
        const int index = (*next.pages)[next.at++];
        const PlannedPage& page = plan.pages[index];
        const std::string mark = pageMark(page);
        out << std::string(2 * (stack.size() - 1), ' ') << shownTitle(page) << "  "
            << pathFromTop(plan, page) << (mark.empty() ? "" : "  " + mark) << '\n';
        stack.push_back({&children[index + 1], 0});
    }
}

// A file name need not be UTF-8; JSON text must be: bytes that are not become U+FFFD.
std::string jsonText(std::string_view bytes) {
    const std::string text = sanitizedUtf8(bytes);
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                constexpr std::string_view kHex = "0123456789abcdef";
                quoted += "\\u00";
                quoted += kHex[static_cast<unsigned char>(c) >> 4];
                quoted += kHex[static_cast<unsigned char>(c) & 0xF];
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

const char* outcomeName(const PlannedPage& page) {
    switch (page.outcome) {
    case PageOutcome::Unread:
        return "unread";
    case PageOutcome::Failed:
        return "failed";
    case PageOutcome::Rewritten:
        return page.blocks() == 0 ? "noBlock" : "block";
    }
    return "";
}

} // namespace

void printPlanText(const SitePlan& plan, std::ostream& out) {
    printTree(plan, childrenOf(plan), out);
    for (const std::string& failure : plan.failures)
        out << "エラー：" << failure << '\n';
    out << countsText(countPlan(plan)) << '\n';
}

void printPlanJson(const SitePlan& plan, const ApplyOptions& options, std::ostream& out) {
    out << "{\n  \"topFolder\": " << jsonText(plan.topFolder)
        << ",\n  \"erase\": " << (options.eraseAll ? "true" : "false") << ",\n  \"hierarchy\": "
        << (options.hierarchy == Hierarchy::Shortest ? "\"shortest\"" : "\"order\"")
        << ",\n  \"pages\": [";
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        const PlannedPage& page = plan.pages[i];
        const std::string& entry = shownTitleEntry(page);
        out << (i == 0 ? "\n" : ",\n") << "    {\"path\": " << jsonText(pathFromTop(plan, page))
            << ", \"title\": " << jsonText(entry.empty() ? entry : entry.substr(1))
            << ", \"titleIsImage\": " << (!entry.empty() && entry.front() == 'I' ? "true" : "false")
            << ", \"level\": " << page.level << ", \"parent\": " << page.parent
            << ", \"blocks\": " << page.blocks() << ", \"outcome\": \"" << outcomeName(page)
            << "\", \"failure\": " << page.failure << "}";
    }
    out << "\n  ],\n  \"failures\": [";
    for (std::size_t i = 0; i < plan.failures.size(); ++i)
        out << (i == 0 ? "\n    " : ",\n    ") << jsonText(plan.failures[i]);
    const PlanCounts counts = countPlan(plan);
    out << "\n  ],\n  \"counts\": {\"pages\": " << counts.pages
        << ", \"withBlock\": " << counts.withBlock << ", \"withoutBlock\": " << counts.withoutBlock
        << ", \"failed\": " << counts.failed << ", \"unread\": " << counts.unread
        << ", \"failures\": " << counts.failures << "}\n}\n";
}

} // namespace solvina
