// The signal handlers only set two lock-free atomics: nothing else is safe inside a handler.
#include "platform/stop_signals.h"

#include <array>
#include <csignal>
#include <cstdlib>

namespace solvina {

namespace {

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> g_stopRequested{false};
std::atomic<int> g_caught{0};
std::array<struct sigaction, kStopSignals.size()> g_before{};

extern "C" void askToStop(int signal) {
    g_caught.store(signal);
    g_stopRequested.store(true);
}

} // namespace

StopSignals::StopSignals() {
    g_stopRequested.store(false);
    g_caught.store(0);
    struct sigaction action {};
    action.sa_handler = askToStop;
    sigemptyset(&action.sa_mask);
    // The handler goes with the first signal: a second one ends the program the usual way. Calls
    // it interrupts go on.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        sigaction(kStopSignals[i], &action, &g_before[i]);
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
        sigaction(kStopSignals[i], &g_before[i], nullptr);
}

const std::atomic<bool>& StopSignals::stopRequested() const {
    return g_stopRequested;
}

void StopSignals::endAsSignalled() const {
    const int signal = g_caught.load();
    if (signal != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    std::_Exit(EXIT_FAILURE); // not reached unless the signal was blocked
}

} // namespace solvina
