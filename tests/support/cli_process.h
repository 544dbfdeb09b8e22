// Starting the real solvina-cli from a test: its standard output to /dev/null or through a
// pipe, its standard error to /dev/null; waiting for it with its resource usage.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace solvina::test_support {

// Starts SOLVINA_CLI_PATH with args; with output, its standard output comes through the pipe
// whose read end is stored there. -1 when it could not be started.
inline pid_t startCli(std::vector<std::string> args, int* output = nullptr) {
    args.insert(args.begin(), SOLVINA_CLI_PATH);
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int pipeEnds[2] = {-1, -1};
    if (output != nullptr && ::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output != nullptr)
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
        ::close(pipeEnds[1]);
        *output = pipeEnds[0];
    }
    return spawned == 0 ? child : -1;
}

// The wait status of the child once it has ended; usage receives what it used.
inline int waitForCli(pid_t child, struct rusage* usage = nullptr) {
    int status = 0;
    while (::wait4(child, &status, 0, usage) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace solvina::test_support
