// The least any run that keeps every page whole through a crash must do: each page of a folder
// tree read, written to a new file beside it and renamed over it, with nothing parsed. Timing it
// beside the apply run separates the engine's own cost from the file system's.
//
// usage: replace_floor FOLDER
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

bool isPage(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    return extension == ".htm" || extension == ".html";
}

bool readAll(int descriptor, std::string& bytes) {
    bytes.clear();
    char chunk[64 * 1024];
    for (;;) {
        ssize_t count = ::read(descriptor, chunk, sizeof chunk);
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        bytes.append(chunk, static_cast<std::size_t>(count));
    }
}

bool writeAll(int descriptor, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t count = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (count <= 0)
            return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

bool replace(const std::string& page, std::string& bytes) {
    int input = ::open(page.c_str(), O_RDONLY | O_CLOEXEC);
    if (input < 0)
        return false;
    bool read = readAll(input, bytes);
    ::close(input);
    const std::string temporary = page + ".tmp";
    int output = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (!read || output < 0)
        return false;
    bool written = writeAll(output, bytes);
    return ::close(output) == 0 && written && ::rename(temporary.c_str(), page.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: replace_floor FOLDER\n");
        return 2;
    }
    std::vector<std::string> pages;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(argv[1], error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        if (it->is_regular_file() && isPage(it->path()))
            pages.push_back(it->path().string());
    if (error) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    std::string bytes;
    for (const std::string& page : pages) {
        if (!replace(page, bytes)) {
            std::fprintf(stderr, "%s: %s\n", page.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::printf("%zu pages replaced\n", pages.size());
    return 0;
}
