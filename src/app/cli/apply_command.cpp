// The apply and erase commands: options, the checks before a run, progress on stdout and
// failures on stderr.
#include "cli/apply_command.h"

#include "apply/apply_run.h"
#include "apply/link_paths.h"
#include "platform/app_paths.h"
#include "platform/messages.h"
#include "style/style_file.h"

#include <filesystem>

namespace solvina {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitPageFailed = 1;
constexpr int kExitRefused = 2;

class PrintingReporter : public ApplyReporter {
public:
    PrintingReporter(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}
    void pageEntered(const std::string& path) override {
        m_out << kProgressPrefix << path << '\n';
    }
    void pageFailed(const std::string& description) override {
        m_err << kFailureText << '\n' << description << '\n';
    }

private:
    std::ostream& m_out;
    std::ostream& m_err;
};

struct ApplyArguments {
    std::string library;
    std::string styleName;
    bool hasStyle = false;
    ApplyOptions options;
    std::vector<std::string> positional;
};

// Fills arguments; returns a usage error description, or empty when the arguments are good.
std::string parse(const std::vector<std::string>& args, ApplyArguments& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        ApplyOptions& o = parsed.options;
        bool ok = true;
        if (arg == "--library")
            ok = value(parsed.library);
        else if (arg == "--style")
            ok = parsed.hasStyle = value(parsed.styleName);
        else if (arg == "--no-top")
            o.insertAtTop = false;
        else if (arg == "--bottom")
            o.insertAtBottom = true;
        else if (arg == "--rule")
            o.addRule = true;
        else if (arg == "--no-title-links")
            o.linkTitles = false;
        else if (arg == "--skip-top-page")
            o.skipTopPage = true;
        else if (arg == "--top-title")
            ok = o.useTopPageTitle = value(o.topPageTitle);
        else if (arg == "--header-link")
            ok = o.linkHeader = value(o.headerLink);
        else if (arg == "--footer-link")
            ok = o.linkFooter = value(o.footerLink);
        else if (arg.size() > 1 && arg.rfind("--", 0) == 0)
            return "不明なオプションです: " + arg;
        else
            parsed.positional.push_back(arg);
        if (!ok)
            return "オプションに値がありません: " + arg;
    }
    if (!parsed.hasStyle)
        return "--style NAME を指定してください。";
    if (parsed.positional.size() > 1)
        return "トップページは一つだけ指定してください。";
    return {};
}

// The top page made absolute against the current folder, its path normalised.
std::string absoluteTopPage(const std::string& typed) {
    if (typed.empty())
        return typed;
    std::string path = typed;
    if (path.front() != '/') {
        std::error_code error;
        path = withTrailingSlash(std::filesystem::current_path(error).string()) + path;
    }
    return normalizePath(path);
}

} // namespace

int runApplyCommand(const std::vector<std::string>& args, bool eraseAll, std::ostream& out,
                    std::ostream& err) {
    ApplyArguments parsed;
    if (std::string usage = parse(args, parsed); !usage.empty()) {
        err << usage << '\n';
        return kExitRefused;
    }
    FileSystem& fs = nativeFileSystem();
    std::string library = parsed.library.empty() ? defaultLibraryFolder() : parsed.library;
    BreadcrumbStyle style = programStartStyle();
    style.styleName = parsed.styleName;
    auto read = readStyleFile(fs, styleFilePath(library, parsed.styleName), style);
    if (read.outcome == StyleReadResult::Outcome::WrongHeader) {
        err << kWrongHeaderMessage << '\n';
        return kExitRefused;
    }
    if (!read.ok()) {
        err << kFailureText << '\n' << read.description << '\n';
        return kExitRefused;
    }
    if (firstUnsavedImageRow(style)) {
        std::string message = kUnsavedImageMessage;
        message.replace(message.find("\r\n"), 2, "\n");
        err << message << '\n';
        return kExitRefused;
    }
    ApplyOptions options = parsed.options;
    options.eraseAll = eraseAll;
    options.topPagePath =
        absoluteTopPage(parsed.positional.empty() ? std::string() : parsed.positional[0]);
    if (auto refusal = topPageCheckMessage(fs, options.topPagePath)) {
        err << *refusal << '\n';
        return kExitRefused;
    }
    PrintingReporter reporter(out, err);
    ApplyEnvironment env{fs, style, styleFolder(library, parsed.styleName), reporter};
    ApplyRunState state;
    state.reset();
    ApplyRunSummary summary = runApply(options, state, env);
    out << kApplyDoneMessage << '\n';
    out.flush();
    return summary.failures > 0 ? kExitPageFailed : kExitOk;
}

} // namespace solvina
