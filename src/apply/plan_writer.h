// The writing phase of a run: every planned page's new content into its temporary file, all of
// them onto the disk at once, then the renames, then the folders that got them.
#pragma once

#include "apply/apply_types.h"
#include "apply/site_plan.h"

#include <memory>
#include <optional>
#include <string>

namespace solvina {

class RunKeeper;
class PlanWriter;

// The writing phase of one plan, made before the planning: a page whose new content is settled
// when its pass ends may be written into its temporary file while the planning goes on (on
// another processor; the site's pages are replaced only in the writing phase).
class PlanWriting {
public:
    PlanWriting(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
                RunKeeper* keeper = nullptr);
    ~PlanWriting(); // without write(): the temporary files written early are removed
    PlanWriting(const PlanWriting&) = delete;
    PlanWriting& operator=(const PlanWriting&) = delete;

    // Whether pages are written beside the planning: only then does pagePlanned want to be
    // called.
    bool writesBeside() const;
    // The planning has put page `index` in the plan's steps at the end of its pass; bytes: the
    // page as the planning read it, when it kept them.
    void pagePlanned(int index, std::optional<std::string> bytes);
    // Once the plan is whole: reports the plan's failures and those of the writing in the
    // order the run met them, adding the writing's to summary; with a keeper, the old pages
    // are kept before the first rename.
    void write(ApplyRunSummary& summary);

private:
    std::unique_ptr<PlanWriter> m_writer;
};

} // namespace solvina
