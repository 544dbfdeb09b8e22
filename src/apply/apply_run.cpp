// The start procedure of a run, the erase-all run and the checks before them.
#include "apply/apply_run.h"

#include "apply/plan_writer.h"
#include "apply/run_undo.h"
#include "apply/site_plan.h"
#include "apply/site_traversal.h"
#include "platform/messages.h"

#include <optional>

namespace solvina {

void ApplyRunState::reset() {
    visitedCount = 0;
    levelTitles.clear();
}

std::optional<int> firstUnsavedImageRow(const BreadcrumbStyle& style) {
    for (int i = 0; i < kRowCount; ++i)
        if (!FLH(style.rows[i].imageFile))
            return i;
    return std::nullopt;
}

std::optional<std::string> topPageCheckMessage(FileSystem& fs, const std::string& topPagePath) {
    if (topPagePath.empty())
        return kNoTopPageMessage;
    if (!fs.isRegularFile(topPagePath))
        return kTopPageMissingMessage;
    return std::nullopt;
}

ApplyRunSummary
planApply(const ApplyOptions& options, ApplyRunState& state, ApplyEnvironment& env, SitePlan& plan,
          bool writesNothing,
          std::function<void(int page, std::optional<std::string> bytes)> pagePlanned) {
    SiteTraversal traversal(options, state, env, plan, writesNothing);
    traversal.onPagePlanned(std::move(pagePlanned));
    traversal.run();
    return traversal.summary();
}

ApplyRunSummary runApply(const ApplyOptions& options, ApplyRunState& state, ApplyEnvironment& env) {
    RunKeeper keeper(env.fs, env.undo, options);
    if (auto begun = keeper.begin(env.styleFolder, env.style.styleName); !begun) {
        // Without a place to keep what it replaces, the run would be one that cannot be
        // taken back: it writes nothing.
        env.reporter.pageFailed(begun.error());
        keeper.finish();
        return {0, 1};
    }
    SitePlan plan;
    std::optional<PlanWriting> writing(std::in_place, plan, options, env, &keeper);
    // The planning keeps the pages it reads only for a run that writes beside it.
    SiteTraversal::PagePlanned pagePlanned;
    if (writing->writesBeside())
        pagePlanned = [&writing](int page, std::optional<std::string> bytes) {
            writing->pagePlanned(page, std::move(bytes));
        };
    ApplyRunSummary summary = planApply(options, state, env, plan, false, std::move(pagePlanned));
    if (summary.stopped)
        writing.reset(); // what was written beside the planning goes before the record ends
    else
        writing->write(summary);
    keeper.finish();
    return summary;
}

std::optional<ApplyRunSummary> startApply(Dialogs& dialogs, const ApplyOptions& options,
                                          ApplyRunState& state, ApplyEnvironment& env) {
    if (auto refusal = topPageCheckMessage(env.fs, options.topPagePath)) {
        dialogs.messageBox(*refusal, kRefusedTitle, MessageButtons::Ok);
        return std::nullopt;
    }
    if (dialogs.messageBox(kConfirmStartMessage, kQuestionTitle, MessageButtons::YesNo) !=
        Answer::Yes)
        return std::nullopt;
    state.reset();
    ApplyRunSummary summary = runApply(options, state, env);
    // Stopped by a signal (the session ending): nobody waits for a word.
    if (!summary.stopped)
        dialogs.messageBox(kApplyDoneMessage, kDoneTitle, MessageButtons::Ok);
    return summary;
}

std::optional<ApplyRunSummary> startEraseAll(Dialogs& dialogs, ApplyOptions options,
                                             ApplyRunState& state, ApplyEnvironment& env) {
    if (dialogs.messageBox(kEraseConfirmMessage, kQuestionTitle, MessageButtons::YesNo) !=
        Answer::Yes)
        return std::nullopt;
    options.eraseAll = true;
    return startApply(dialogs, options, state, env);
}

} // namespace solvina
