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
            ++(page.blockTitles.empty() ? counts.withoutBlock : counts.withBlock);
            break;
        }
    }
    return counts;
}

const std::string& shownTitleEntry(const PlannedPage& page) {
    return page.blockTitles.empty() ? page.titleEntry : page.blockTitles.front();
}

void fillChain(const SitePlan& plan, const PlannedPage& page, const std::string& ownTitle,
               ApplyRunState& chain) {
    chain.levelTitles[page.level] = ownTitle;
    chain.levelLinks[page.level] = page.link;
    int crumb = page.parentCrumb;
    for (int level = page.level - 1; level >= 0 && crumb >= 0; --level) {
        chain.levelTitles[level] = plan.crumbs[crumb].titleEntry;
        chain.levelLinks[level] = plan.crumbs[crumb].link;
        crumb = plan.crumbs[crumb].parent;
    }
}

} // namespace solvina
