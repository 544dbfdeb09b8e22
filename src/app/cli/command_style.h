// The style a command works with: --library and --style read into a style, with the refusal
// the command prints when that fails.
#pragma once

#include "cli/cli_options.h"
#include "style/breadcrumb_style.h"

#include <optional>
#include <ostream>
#include <string>

namespace solvina {

struct CommandStyle {
    std::string library;
    BreadcrumbStyle style;
};

// Reads the style named by --style from the library of --library (or the default library).
// On failure writes the message to err and returns nullopt; the command exits with kExitUsage.
std::optional<CommandStyle> readCommandStyle(const ParsedOptions& options, std::ostream& err);

} // namespace solvina
