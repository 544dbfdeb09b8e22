// Runs a command and writes the processor time it took, user and system, in microseconds, and
// its peak resident memory in KiB, to a file: GNU time gives the times in hundredths of a
// second, too coarse for a run of a few tens of milliseconds.
//
// usage: run_timed OUTPUT COMMAND [ARGUMENT...]; exits with the command's exit code.
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long microseconds(const timeval& time) {
    return time.tv_sec * 1000000L + time.tv_usec;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_timed OUTPUT COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        std::perror("wait4");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 2;
    }
    std::fprintf(out, "user_us %ld\nsystem_us %ld\nmaxrss_kib %ld\n", microseconds(usage.ru_utime),
                 microseconds(usage.ru_stime), usage.ru_maxrss);
    std::fclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
