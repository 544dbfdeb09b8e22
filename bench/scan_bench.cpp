// Benchmark of the markup scan a page's pass makes: every "<" that may open a tag the pass acts
// on, found one after the other over every file of a folder (a site made by make_site), against
// finding every "<" with memchr over the same bytes.
#include "apply/text_search.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace solvina;

namespace {

std::vector<std::string> filesOf(const std::filesystem::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    return files;
}

// The fastest of `rounds` walks, in seconds; found counts what one walk found.
template <typename Walk>
double fastest(int rounds, const std::vector<std::string>& files, std::size_t& found, Walk walk) {
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        found = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& file : files)
            found += walk(std::string_view(file));
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_bench FOLDER [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    const std::vector<std::string> files = filesOf(argv[1]);
    double mib = 0;
    for (const std::string& file : files)
        mib += static_cast<double>(file.size()) / (1024 * 1024);

    std::size_t openings = 0;
    const double markup = fastest(rounds, files, openings, [](std::string_view bytes) {
        std::size_t count = 0;
        for (std::size_t at = findMarkupOpening(bytes, 0); at < bytes.size();
             at = findMarkupOpening(bytes, at + 1))
            ++count;
        return count;
    });
    std::size_t lessThans = 0;
    const double everyLessThan = fastest(rounds, files, lessThans, [](std::string_view bytes) {
        std::size_t count = 0;
        for (const char *at = bytes.data(), *end = at + bytes.size();
             (at = static_cast<const char*>(std::memchr(at, '<', end - at))) != nullptr; ++at)
            ++count;
        return count;
    });
    std::printf("%zu files, %.1f MiB, fastest of %d rounds\n", files.size(), mib, rounds);
    std::printf("  markup scan      %8.2f ms  %7.0f MiB/s  (%zu candidates)\n", markup * 1e3,
                mib / markup, openings);
    std::printf("  memchr of \"<\"    %8.2f ms  %7.0f MiB/s  (%zu)\n", everyLessThan * 1e3,
                mib / everyLessThan, lessThans);
    std::printf("  markup scan / memchr  %.2fx\n", markup / everyLessThan);
    return 0;
}
