// solvina-cli apply and erase: the options of a run, the checks before it, progress on stdout
// and failures on stderr.
#include "apply/apply_run.h"
#include "apply/site_plan.h"
#include "apply/top_page_path.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/command_style.h"
#include "cli/dry_run_output.h"
#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/stop_signals.h"
#include "render/json_ld.h"
#include "style/style_library_paths.h"

#include <charconv>

namespace solvina {

namespace {

class PrintingReporter : public ApplyReporter {
public:
    PrintingReporter(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}
    void pageEntered(const std::string& path) override { m_out << kProgressPrefix << path << '\n'; }
    void pageFailed(const std::string& description) override { writeFailure(m_err, description); }

private:
    std::ostream& m_out;
    std::ostream& m_err;
};

class QuietReporter : public ApplyReporter {
public:
    void pageEntered(const std::string&) override {}
    void pageFailed(const std::string&) override {}
};

const AcceptedOptions kAcceptedApplyOptions{
    {"--library", "--style", "--top-title", "--header-link", "--footer-link", "--hierarchy",
     "--format", "--markup", "--json-ld", "--keep", "--max-pages", "--max-level"},
    {"--no-top", "--bottom", "--rule", "--no-title-links", "--skip-top-page", "--dry-run"}};

std::optional<int> keptRunCount(const std::string& text) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(text);
}

// A bound of a run: a whole number from 0 (no bound) up to the largest int.
std::optional<int> runBound(const std::string& text) {
    int bound = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, bound);
    if (text.empty() || text.front() == '-' || error != std::errc() || stop != end)
        return std::nullopt;
    return bound;
}

// The checks of the options a run has no field for; nullopt when they are sound.
std::optional<std::string> runModeError(const ParsedOptions& parsed) {
    for (const char* bound : {"--max-pages", "--max-level"})
        if (auto value = parsed.value(bound); value && !runBound(*value))
            return std::string(bound) + " は 0（上限なし）以上の整数です: " + *value;
    if (auto hierarchy = parsed.value("--hierarchy");
        hierarchy && *hierarchy != "order" && *hierarchy != "shortest")
        return "--hierarchy は order か shortest です: " + *hierarchy;
    if (auto markup = parsed.value("--markup"); markup && !markupFromName(*markup))
        return "--markup は table か nav です: " + *markup;
    if (auto base = parsed.value("--json-ld"))
        if (auto wrong = jsonLdBaseError(*base))
            return *wrong + ": " + *base;
    if (auto keep = parsed.value("--keep"); keep && !keptRunCount(*keep))
        return "--keep は 0 以上の整数です: " + *keep;
    if (auto format = parsed.value("--format")) {
        if (*format != "text" && *format != "json")
            return "--format は text か json です: " + *format;
        if (!parsed.has("--dry-run"))
            return "--format は --dry-run と共に使います。";
    }
    return std::nullopt;
}

ApplyOptions applyOptions(const ParsedOptions& parsed) {
    ApplyOptions options;
    options.insertAtTop = !parsed.has("--no-top");
    options.insertAtBottom = parsed.has("--bottom");
    options.addRule = parsed.has("--rule");
    options.linkTitles = !parsed.has("--no-title-links");
    options.skipTopPage = parsed.has("--skip-top-page");
    if (auto title = parsed.value("--top-title")) {
        options.useTopPageTitle = true;
        options.topPageTitle = *title;
    }
    if (auto header = parsed.value("--header-link")) {
        options.linkHeader = true;
        options.headerLink = *header;
    }
    if (auto footer = parsed.value("--footer-link")) {
        options.linkFooter = true;
        options.footerLink = *footer;
    }
    if (parsed.value("--hierarchy") == "shortest")
        options.hierarchy = Hierarchy::Shortest;
    options.markup = markupFromName(parsed.value("--markup").value_or("table")).value();
    options.jsonLdBase = parsed.value("--json-ld").value_or("");
    if (auto pages = parsed.value("--max-pages"))
        options.maxPages = *runBound(*pages);
    if (auto level = parsed.value("--max-level"))
        options.maxLevel = *runBound(*level);
    return options;
}

// Terminal lines end in LF alone.
std::string withLineFeeds(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

int runApplyOrErase(const std::vector<std::string>& arguments, bool eraseAll, std::ostream& out,
                    std::ostream& err) {
    Result<ParsedOptions> parsed = parseOptions(arguments, kAcceptedApplyOptions);
    if (!parsed)
        return usageError(err, parsed.error());
    if (parsed->positional.size() > 1)
        return usageError(err, "余分な引数があります: " + parsed->positional[1]);
    if (auto wrong = runModeError(*parsed))
        return usageError(err, *wrong);
    std::optional<CommandStyle> loaded = readCommandStyle(*parsed, err);
    if (!loaded)
        return kExitUsage;
    if (firstUnsavedImageRow(loaded->style)) {
        err << withLineFeeds(kUnsavedImageMessage) << '\n';
        return kExitUsage;
    }
    ApplyOptions options = applyOptions(*parsed);
    options.eraseAll = eraseAll;
    options.topPagePath =
        absoluteTopPage(parsed->positional.empty() ? std::string() : parsed->positional[0]);
    FileSystem& fs = nativeFileSystem();
    if (auto refusal = topPageCheckMessage(fs, options.topPagePath)) {
        err << *refusal << '\n';
        return kExitUsage;
    }
    const std::string folder = styleFolder(loaded->library, loaded->style.styleName);
    ApplyRunState state;
    state.reset();
    if (parsed->has("--dry-run")) {
        QuietReporter quiet;
        ApplyEnvironment env{fs, loaded->style, folder, quiet};
        SitePlan plan;
        planApply(options, state, env, plan, true);
        if (parsed->value("--format") == "json")
            printPlanJson(plan, options, out);
        else
            printPlanText(plan, out);
        out.flush();
        return plan.failures.empty() ? kExitDone : kExitFailed;
    }
    PrintingReporter reporter(out, err);
    ApplyEnvironment env{fs, loaded->style, folder, reporter};
    env.undo.folder = runningUndoFolder();
    if (auto keep = parsed->value("--keep"))
        env.undo.keep = *keptRunCount(*keep);
    const StopSignals stopSignals;
    env.stop = &stopSignals.stopRequested();
    ApplyRunSummary summary = runApply(options, state, env);
    if (summary.stopped) {
        out.flush();
        err << kRunStoppedMessage << '\n';
        err.flush();
        stopSignals.endAsSignalled();
    }
    out << kApplyDoneMessage << '\n';
    out.flush();
    return summary.failures > 0 ? kExitFailed : kExitDone;
}

} // namespace

int runApplyCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    return runApplyOrErase(arguments, false, out, err);
}

int runEraseCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    return runApplyOrErase(arguments, true, out, err);
}

} // namespace solvina
