// Reading the style named on the command line.
#include "cli/command_style.h"

#include "cli/cli_commands.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "style/style_file.h"

namespace solvina {

const AppFolders& preparedAppFolders(std::ostream& err) {
    static bool prepared = false;
    if (!prepared) {
        prepared = true;
        if (const Status made = prepareAppFolders(appFolders()); !made)
            writeFailure(err, made.error());
    }
    return appFolders();
}

std::string libraryOption(const ParsedOptions& options, std::ostream& err) {
    // Absolute, as the window's: the preview page names its images by full path.
    if (std::optional<std::string> library = options.value("--library"))
        return absolutePath(*library);
    return preparedAppFolders(err).library;
}

std::optional<CommandStyle> readCommandStyle(const ParsedOptions& options, std::ostream& err) {
    const std::optional<std::string> name = options.value("--style");
    if (!name || name->empty()) {
        usageError(err, "--style でスタイル名を指定してください。");
        return std::nullopt;
    }
    // The name becomes one folder of the library, never a path leading out of it.
    if (*name == "." || *name == ".." || name->find('/') != std::string::npos) {
        usageError(err, "スタイル名にフォルダーは指定できません: " + *name);
        return std::nullopt;
    }
    CommandStyle loaded{libraryOption(options, err), programStartStyle()};
    loaded.style.styleName = *name;
    const StyleReadResult read =
        readStyleFile(nativeFileSystem(), styleFilePath(loaded.library, *name), loaded.style);
    switch (read.outcome) {
    case StyleReadResult::Outcome::Loaded:
        return loaded;
    case StyleReadResult::Outcome::WrongHeader:
        err << kWrongHeaderMessage << '\n';
        return std::nullopt;
    case StyleReadResult::Outcome::Failed:
        writeFailure(err, read.description);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace solvina
