// solvina-cli list: the names of the styles in the library; with --verbose first the folders
// the program uses.
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/command_style.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "render/preview_page.h"
#include "style/breadcrumb_style.h"

#include <algorithm>

namespace solvina {

int runListCommand(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    Result<ParsedOptions> options = parseOptions(arguments, {{"--library"}, {"--verbose"}});
    if (!options)
        return usageError(err, options.error());
    if (!options->positional.empty())
        return usageError(err, "余分な引数があります: " + options->positional.front());
    const std::string library = libraryOption(*options, err);
    if (options->has("--verbose")) {
        const AppFolders& folders = appFolders();
        out << "スタイルライブラリ: " << library << '\n'
            << "プレビュー: " << folders.cache << kPreviewFileName << '\n'
            << "ヘルプ: " << folders.data << kHelpFileName << '\n';
    }

    Result<std::vector<std::string>> folders = nativeFileSystem().listSubfolders(library);
    if (!folders) {
        writeFailure(err, folders.error());
        return kExitFailed;
    }
    // A style is listed when its folder exists, whatever the folder holds.
    std::vector<std::string> names;
    names.reserve(folders->size());
    for (const std::string& folder : *folders)
        names.push_back(fileNamePart(folder));
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        out << name << '\n';
    return kExitDone;
}

} // namespace solvina
