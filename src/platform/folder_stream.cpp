// The one readdir loop of the program.
#include "platform/folder_stream.h"

#include "platform/file_failure.h"

#include <cerrno>
#include <dirent.h>
#include <memory>

namespace solvina {

namespace {

struct FolderStreamCloser {
    void operator()(DIR* stream) const { ::closedir(stream); }
};
using FolderStream = std::unique_ptr<DIR, FolderStreamCloser>;

} // namespace

Result<std::vector<std::string>> folderEntryNames(const std::string& folder) {
    const FolderStream stream(::opendir(folder.c_str()));
    if (!stream) {
        if (errno == ENOENT || errno == ENOTDIR)
            return fail(describeWithPath(kPathNotFoundText, folder));
        return readFailure(errno, folder);
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(stream.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
        errno = 0;
    }
    if (errno != 0)
        return readFailure(errno, folder);
    return names;
}

} // namespace solvina
