// The least any run that keeps every page whole through a crash must do: each page of a folder
// tree read, written to a new file beside it and renamed over it, with nothing parsed. Timing it
// beside the apply run separates the engine's own cost from the file system's. With --read-first
// each page is also read through once before it is rewritten: the least a run that decides
// everything before it writes, and holds no large page whole, must do.
//
// usage: replace_floor [--read-first] FOLDER
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::array<char, std::size_t{64} * 1024> chunk; // the bytes of one read

bool isPage(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    return extension == ".htm" || extension == ".html";
}

// The page copied into the new file a chunk at a time, as the apply run does: no page is held
// whole.
bool copyAll(int input, int output) {
    for (;;) {
        ssize_t count = ::read(input, chunk.data(), chunk.size());
        if (count <= 0)
            return count == 0;
        for (ssize_t done = 0; done < count;) {
            ssize_t written =
                ::write(output, chunk.data() + done, static_cast<std::size_t>(count - done));
            if (written <= 0)
                return false;
            done += written;
        }
    }
}

// The page read through to its end, as planning does before anything is written.
bool readThrough(const std::string& page) {
    int input = ::open(page.c_str(), O_RDONLY | O_CLOEXEC);
    if (input < 0)
        return false;
    ssize_t count = 0;
    while ((count = ::read(input, chunk.data(), chunk.size())) > 0) {
    }
    ::close(input);
    return count == 0;
}

bool replace(const std::string& page, bool readFirst) {
    if (readFirst && !readThrough(page))
        return false;
    int input = ::open(page.c_str(), O_RDONLY | O_CLOEXEC);
    if (input < 0)
        return false;
    const std::string temporary = page + ".tmp";
    int output = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (output < 0) {
        ::close(input);
        return false;
    }
    bool copied = copyAll(input, output);
    ::close(input);
    return ::close(output) == 0 && copied && ::rename(temporary.c_str(), page.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool readFirst = argc == 3 && std::strcmp(argv[1], "--read-first") == 0;
    if (argc != (readFirst ? 3 : 2)) {
        std::fprintf(stderr, "usage: replace_floor [--read-first] FOLDER\n");
        return 2;
    }
    const char* folder = argv[argc - 1];
    std::vector<std::string> pages;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        if (it->is_regular_file() && isPage(it->path()))
            pages.push_back(it->path().string());
    if (error) {
        std::fprintf(stderr, "%s: %s\n", folder, error.message().c_str());
        return 1;
    }
    for (const std::string& page : pages) {
        if (!replace(page, readFirst)) {
            std::fprintf(stderr, "%s: %s\n", page.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::printf("%zu pages replaced\n", pages.size());
    return 0;
}
