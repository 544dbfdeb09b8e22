// The command line: parses the arguments, runs one command, returns the exit code.
#pragma once

#include <ostream>

namespace solvina {

int runCli(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace solvina
