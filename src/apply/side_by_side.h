// Running the same work for many items on several threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace solvina {

// Runs work(i) for every i below count, on the calling thread and on `helpers` threads more;
// returns when all are done. work must be safe to run side by side.
template <typename Work> void forEachSideBySide(std::size_t count, std::size_t helpers, Work work) {
    std::atomic<std::size_t> next = 0;
    const auto loop = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> threads;
    // A thread the system refuses (a process limit) leaves its share to the others.
    try {
        for (std::size_t i = 0; i < helpers && i + 1 < count; ++i)
            threads.emplace_back(loop);
    } catch (const std::system_error&) {
    }
    loop();
    for (std::thread& thread : threads)
        thread.join();
}

} // namespace solvina
