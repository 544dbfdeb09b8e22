// solvina-cli preview: reads a style of the library and writes its preview page.
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "render/preview_page.h"
#include "style/style_file.h"

namespace solvina {

int runPreviewCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err) {
    (void)out;
    Result<ParsedOptions> options =
        parseOptions(arguments, {{"--library", "--style", "--out"}, {}});
    if (!options)
        return usageError(err, options.error());
    if (!options->positional.empty())
        return usageError(err, "余分な引数があります: " + options->positional.front());
    const std::optional<std::string> name = options->value("--style");
    if (!name || name->empty())
        return usageError(err, "--style でスタイル名を指定してください。");
    // The name becomes one folder of the library, never a path leading out of it.
    if (*name == "." || *name == ".." || name->find('/') != std::string::npos)
        return usageError(err, "スタイル名にフォルダーは指定できません: " + *name);
    const std::string library = options->value("--library").value_or(defaultLibraryFolder());
    const std::string outPath = options->value("--out").value_or(defaultPreviewPath());

    FileSystem& fs = nativeFileSystem();
    BreadcrumbStyle style = programStartStyle();
    style.styleName = *name;
    const StyleReadResult read = readStyleFile(fs, styleFilePath(library, *name), style);
    switch (read.outcome) {
    case StyleReadResult::Outcome::Loaded:
        break;
    case StyleReadResult::Outcome::WrongHeader:
        err << kWrongHeaderMessage << '\n';
        return kExitUsage;
    case StyleReadResult::Outcome::Failed:
        writeFailure(err, read.description);
        return kExitUsage;
    }

    const Status written = writePreviewPage(fs, outPath, style, styleFolder(library, *name));
    if (!written) {
        writeFailure(err, written.error());
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace solvina
