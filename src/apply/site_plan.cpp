// The chain of a planned page's block.
#include "apply/site_plan.h"

namespace solvina {

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
