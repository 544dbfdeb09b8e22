// What `apply --dry-run` and `erase --dry-run` print: the plan as an indented tree, the
// failures, the counts; or all of it as one JSON document.
#pragma once

#include "apply/site_plan.h"

#include <ostream>

namespace solvina {

void printPlanText(const SitePlan& plan, std::ostream& out);
void printPlanJson(const SitePlan& plan, const ApplyOptions& options, std::ostream& out);

} // namespace solvina
