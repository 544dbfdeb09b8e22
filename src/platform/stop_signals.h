// Stopping a run from outside: Ctrl-C (SIGINT), SIGTERM and a closed terminal (SIGHUP) ask the
// run to stop at a safe place instead of ending the program wherever it stands.
#pragma once

#include <atomic>

namespace solvina {

// One at a time (a run makes one): the signals' earlier handlers are kept for one.
class StopSignals {
public:
    StopSignals(); // the three signals set stopRequested() until this is gone
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Set by the first of the signals; a second one ends the program at once.
    const std::atomic<bool>& stopRequested() const;
    // Ends the program as the signal caught would have (the shell sees it so), once the run
    // has cleaned up after itself.
    [[noreturn]] void endAsSignalled() const;
};

} // namespace solvina
