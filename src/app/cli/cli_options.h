// A small parser of command options: "--name VALUE" and "--flag" in any order, among
// positional arguments.
#pragma once

#include "platform/result.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace solvina {

// What one command accepts.
struct AcceptedOptions {
    std::set<std::string> valued; // "--library", "--style", ...
    std::set<std::string> flags;  // "--erase", ...
};

struct ParsedOptions {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positional;

    std::optional<std::string> value(const std::string& name) const;
    bool has(const std::string& flag) const { return flags.count(flag) != 0; }
};

// Fails with the usage error to show: an unknown option, an option without its value, or an
// option given twice. "--" ends the options; everything after it is positional.
Result<ParsedOptions> parseOptions(const std::vector<std::string>& arguments,
                                   const AcceptedOptions& accepted);

} // namespace solvina
