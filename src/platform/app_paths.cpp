// The application directory from /proc/self/exe, and the paths built on it.
#include "platform/app_paths.h"

#include <filesystem>
#include <system_error>

namespace solvina {

std::string withTrailingSlash(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/')
        return folder;
    return folder + "/";
}

std::string applicationDirectory() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return withTrailingSlash(std::filesystem::current_path(error).string());
    return withTrailingSlash(exe.parent_path().string());
}

std::string absolutePath(const std::string& typed) {
    if (typed.empty() || typed.front() == '/')
        return typed;
    std::error_code error;
    return withTrailingSlash(std::filesystem::current_path(error).string()) + typed;
}

std::string defaultLibraryFolder() {
    return applicationDirectory() + "styledata/";
}

std::string styleFolder(const std::string& libraryFolder, const std::string& styleName) {
    return withTrailingSlash(libraryFolder) + styleName + "/";
}

} // namespace solvina
