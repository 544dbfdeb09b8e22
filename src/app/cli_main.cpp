// solvina-cli: the engine of ソルビナ without a window.
#include "cli/cli.h"
#include "platform/memory_advice.h"

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
    // Past the file-size limit a write fails with its message, instead of the signal ending
    // the run without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    // A reader of the progress lines that goes away (`| head`) does not end a run halfway: the
    // lines are lost, the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
    solvina::keepLargeBlocksOutOfTheHeap();
    return solvina::runCli(argc, argv, std::cout, std::cerr);
}
