// solvina-cli: the engine of ソルビナ without a window.
#include "cli/cli.h"

#include <iostream>

int main(int argc, char** argv) {
    return solvina::runCli(argc, argv, std::cout, std::cerr);
}
