// The style a command works with: --library and --style read into a style, with the refusal
// the command prints when that fails.
#pragma once

#include "cli/cli_options.h"
#include "platform/app_paths.h"
#include "style/breadcrumb_style.h"

#include <optional>
#include <ostream>
#include <string>

namespace solvina {

struct CommandStyle {
    std::string library;
    BreadcrumbStyle style;
};

// The program's folders (the default library, the folder of pre.html), made on first use: a
// failure to make them is written to err, and the command goes on to report what then fails.
const AppFolders& preparedAppFolders(std::ostream& err);
// The library of --library, else the default library.
std::string libraryOption(const ParsedOptions& options, std::ostream& err);

// Reads the style named by --style from the library of --library (or the default library).
// On failure writes the message to err and returns nullopt; the command exits with kExitUsage.
std::optional<CommandStyle> readCommandStyle(const ParsedOptions& options, std::ostream& err);

} // namespace solvina
