// The chain of a planned page's block.
#include "apply/site_plan.h"

namespace solvina {

PlanCounts countPlan(const SitePlan& plan) {
    PlanCounts counts;
    counts.pages = static_cast<int>(plan.pages.size());
    counts.failures = static_cast<int>(plan.failures.size());
    for (const PlannedPage& page : plan.pages) {
        switch (page.outcome) {
        case PageOutcome::Unread:
            ++counts.unread;
            break;
        case PageOutcome::Failed:
            ++counts.failed;
            break;
        case PageOutcome::Rewritten:
            ++(page.blocks() == 0 ? counts.withoutBlock : counts.withBlock);
            break;
        }
    }
    return counts;
}

const std::string& crumbTitle(const SitePlan& plan, const PlannedCrumb& crumb) {
    return crumb.titleEntry.empty() ? plan.pages[crumb.page].titleEntry : crumb.titleEntry;
}

const std::string& shownTitleEntry(const PlannedPage& page) {
    return page.blockTitle(0);
}

std::string shownTitle(const PlannedPage& page) {
    const std::string& entry = shownTitleEntry(page);
    if (entry.empty())
        return {};
    return entry.front() == 'I' ? "［画像］" + entry.substr(1) : entry.substr(1);
}

std::string pathFromTop(const SitePlan&, const PlannedPage& page) {
    return page.fromTop;
}

const char* pageMark(const PlannedPage& page) {
    switch (page.outcome) {
    case PageOutcome::Unread:
        return "［読めません］";
    case PageOutcome::Failed:
        return "［失敗］";
    case PageOutcome::Rewritten:
        return page.blocks() == 0 ? "［リストなし］" : "";
    }
    return "";
}

std::string countsText(const PlanCounts& counts) {
    return "ページ " + std::to_string(counts.pages) + "（リストを書く " +
           std::to_string(counts.withBlock) + "、リストなし " +
           std::to_string(counts.withoutBlock) + "、失敗 " + std::to_string(counts.failed) +
           "、読めない " + std::to_string(counts.unread) + "）、エラー " +
           std::to_string(counts.failures);
}

void fillChain(const SitePlan& plan, const PlannedPage& page, const std::string& ownTitle,
               ApplyRunState& chain) {
    chain.levelTitles[page.level] = ownTitle;
    chain.levelLinks[page.level] = page.link();
    int crumb = page.parentCrumb;
    for (int level = page.level - 1; level >= 0 && crumb >= 0; --level) {
        const PlannedCrumb& above = plan.crumbs[crumb];
        chain.levelTitles[level] = crumbTitle(plan, above);
        chain.levelLinks[level] = plan.pages[above.page].link();
        crumb = above.parent;
    }
}

} // namespace solvina
