// solvina-cli undo: the kept runs of a site, and taking one back.
#include "apply/run_undo.h"
#include "apply/top_page_path.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/stop_signals.h"

namespace solvina {

namespace {

const AcceptedOptions kAcceptedUndoOptions{{"--run"}, {"--list", "--force"}};

std::string spaceText(std::uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " B";
    constexpr std::uint64_t kKiB = 1024;
    constexpr std::uint64_t kMiB = kKiB * kKiB;
    if (bytes < kMiB)
        return std::to_string((bytes + kKiB - 1) / kKiB) + " KiB";
    return std::to_string((bytes + kMiB - 1) / kMiB) + " MiB";
}

} // namespace

int runUndoCommand(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    Result<ParsedOptions> parsed = parseOptions(arguments, kAcceptedUndoOptions);
    if (!parsed)
        return usageError(err, parsed.error());
    if (parsed->positional.size() != 1)
        return usageError(err, parsed->positional.empty()
                                   ? "トップページを指定してください。"
                                   : "余分な引数があります: " + parsed->positional[1]);
    if (parsed->has("--list") && (parsed->has("--force") || parsed->value("--run")))
        return usageError(err, "--list は --run、--force と共には使えません。");
    FileSystem& fs = nativeFileSystem();
    const std::string topPage = absoluteTopPage(parsed->positional[0]);
    const std::string undoFolder = runningUndoFolder();
    if (parsed->has("--list")) {
        for (const KeptRun& run : keptRuns(fs, undoFolder, topPage)) {
            out << run.id << "  " << run.time << "  " << run.kind << "  " << run.pages.size()
                << " ページ  " << spaceText(keptRunSpace(undoFolder, run));
            if (!run.options.empty())
                out << "  " << run.options;
            out << '\n';
        }
        out.flush();
        return kExitDone;
    }
    const StopSignals stopSignals;
    auto outcome = undoRun(
        fs, undoFolder, topPage, parsed->value("--run").value_or(""), parsed->has("--force"),
        [&](const std::string& path) { out << kRestoringPrefix << path << '\n'; },
        [&](const std::string& description) { writeFailure(err, description); },
        &stopSignals.stopRequested());
    if (!outcome) {
        writeFailure(err, outcome.error());
        return kExitFailed;
    }
    if (outcome->stopped) {
        out.flush();
        err << kUndoStoppedMessage << '\n';
        err.flush();
        stopSignals.endAsSignalled();
    }
    const bool whole = outcome->refused == 0 && outcome->failures == 0;
    out << (whole ? kUndoDoneMessage : kUndoIncompleteMessage) << '\n';
    out.flush();
    return whole ? kExitDone : kExitFailed;
}

} // namespace solvina
