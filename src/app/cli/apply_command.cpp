// solvina-cli apply and erase: the options of a run, the checks before it, progress on stdout
// and failures on stderr.
#include "apply/apply_run.h"
#include "apply/top_page_path.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/command_style.h"
#include "platform/file_system.h"
#include "style/style_library_paths.h"

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

const AcceptedOptions kAcceptedApplyOptions{
    {"--library", "--style", "--top-title", "--header-link", "--footer-link"},
    {"--no-top", "--bottom", "--rule", "--no-title-links", "--skip-top-page"}};

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
    PrintingReporter reporter(out, err);
    ApplyEnvironment env{fs, loaded->style, styleFolder(loaded->library, loaded->style.styleName),
                         reporter};
    ApplyRunState state;
    state.reset();
    ApplyRunSummary summary = runApply(options, state, env);
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
