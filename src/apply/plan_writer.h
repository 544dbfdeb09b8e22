// The writing phase of a run: every planned page's new content into its temporary file, all of
// them onto the disk at once, then the renames, then the folders that got them.
#pragma once

#include "apply/apply_types.h"
#include "apply/site_plan.h"

namespace solvina {

class RunKeeper;

// Reports the plan's failures and those of the writing in the order the run met them; adds
// the failures of the writing to summary.
// With a keeper, the old pages are kept before the first rename.
void writePlan(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
               ApplyRunSummary& summary, RunKeeper* keeper = nullptr);

} // namespace solvina
