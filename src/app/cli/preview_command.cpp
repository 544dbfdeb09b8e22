// solvina-cli preview: reads a style of the library and writes its preview page.
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/command_style.h"
#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "render/preview_page.h"
#include "style/style_library_paths.h"

namespace solvina {

int runPreviewCommand(const std::vector<std::string>& arguments, std::ostream& /*out*/,
                      std::ostream& err) {
    Result<ParsedOptions> options =
        parseOptions(arguments, {{"--library", "--style", "--out", "--markup"}, {}});
    if (!options)
        return usageError(err, options.error());
    if (!options->positional.empty())
        return usageError(err, "余分な引数があります: " + options->positional.front());
    const std::optional<Markup> markup =
        markupFromName(options->value("--markup").value_or("table"));
    if (!markup)
        return usageError(err, "--markup は table か nav です: " + *options->value("--markup"));
    std::optional<CommandStyle> loaded = readCommandStyle(*options, err);
    if (!loaded)
        return kExitUsage;
    const std::optional<std::string> out = options->value("--out");
    const std::string outPath = out ? *out : preparedAppFolders(err).cache + kPreviewFileName;
    const std::string folder = styleFolder(loaded->library, loaded->style.styleName);
    const Status written =
        writePreviewPage(nativeFileSystem(), outPath, loaded->style, folder, *markup);
    if (!written) {
        writeFailure(err, written.error());
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace solvina
