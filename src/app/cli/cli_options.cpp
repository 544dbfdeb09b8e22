// Parsing command options into values, flags and positional arguments.
#include "cli/cli_options.h"

namespace solvina {

std::optional<std::string> ParsedOptions::value(const std::string& name) const {
    auto found = values.find(name);
    if (found == values.end())
        return std::nullopt;
    return found->second;
}

Result<ParsedOptions> parseOptions(const std::vector<std::string>& arguments,
                                   const AcceptedOptions& accepted) {
    ParsedOptions parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // A lone "-" is a positional argument too (a file named so).
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (accepted.flags.count(argument)) {
            if (!parsed.flags.insert(argument).second)
                return fail("オプション " + argument + " が二度指定されています。");
            continue;
        }
        if (!accepted.valued.count(argument))
            return fail("不明なオプションです: " + argument);
        if (i + 1 >= arguments.size())
            return fail("オプション " + argument + " に値がありません。");
        if (parsed.values.count(argument))
            return fail("オプション " + argument + " が二度指定されています。");
        parsed.values[argument] = arguments[++i];
    }
    return parsed;
}

} // namespace solvina
