// Dispatch of the command-line commands.
#include "cli/cli.h"

#include <string>

namespace solvina {

namespace {

constexpr const char* kUsage =
    "使い方: solvina-cli list [--library DIR]\n"
    "        solvina-cli preview [--library DIR] --style NAME [--out FILE]\n";

} // namespace

int runCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    (void)out;
    (void)argv;
    if (argc < 2) {
        err << kUsage;
        return 2;
    }
    err << kUsage;
    return 2;
}

} // namespace solvina
