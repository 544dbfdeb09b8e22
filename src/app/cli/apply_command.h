// solvina-cli apply / erase: the apply run without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace solvina {

// args: the arguments after the command name. eraseAll: the erase command.
int runApplyCommand(const std::vector<std::string>& args, bool eraseAll, std::ostream& out,
                    std::ostream& err);

} // namespace solvina
