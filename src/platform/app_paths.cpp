// The rule that places the program's files, the facts it is decided on, and the first-start
// copy of the sample styles.
#include "platform/app_paths.h"

#include "platform/file_failure.h"
#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace solvina {

namespace {

namespace fs = std::filesystem;

// An XDG base folder: the variable when it holds an absolute path, else the default under home.
std::string xdgFolder(const std::string& variable, const std::string& home,
                      const char* defaultUnderHome) {
    if (!variable.empty() && variable.front() == '/')
        return withTrailingSlash(variable);
    return withTrailingSlash(home) + defaultUnderHome;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string homeFolder() {
    std::string home = environment("HOME");
    if (!home.empty())
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

Error failure(const std::error_code& error, const std::string& path) {
    return fileFailure(error.value(), path);
}

// Copies the sample library into a work folder beside the library and renames it into place,
// so that an interrupted first start leaves either no library or a whole one.
Status seedLibrary(const std::string& library, const std::string& sample) {
    const fs::path target = withoutTrailingSlash(library);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (error)
        return failure(error, target.parent_path().string());
    if (!fs::is_directory(sample, error)) {
        fs::create_directory(target, error);
        return error ? Status(failure(error, target.string())) : Status();
    }
    const fs::path work = target.string() + ".new";
    fs::remove_all(work, error);
    fs::copy(sample, work, fs::copy_options::recursive, error);
    if (!error)
        fs::rename(work, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove_all(work, ignored);
        // Another start of the program may have made the library meanwhile.
        if (fs::is_directory(target, ignored))
            return {};
        return failure(error, target.string());
    }
    return {};
}

} // namespace

AppFolders AppFolders::beside(const std::string& folder) {
    const std::string withSlash = withTrailingSlash(folder);
    return {withSlash + "styledata/", withSlash, withSlash};
}

AppFolders appFoldersFor(const AppPathFacts& facts) {
    const std::string executable = withTrailingSlash(facts.executableFolder);
    const bool installed =
        !facts.executableFolderWritable || executable == "/usr/bin/" || facts.shareFolderExists;
    if (!installed)
        return AppFolders::beside(executable);
    const std::string share =
        fs::path(executable + "../share/solvina/").lexically_normal().string();
    return {xdgFolder(facts.xdgDataHome, facts.home, ".local/share/") + "solvina/styledata/",
            xdgFolder(facts.xdgCacheHome, facts.home, ".cache/") + "solvina/",
            facts.shareFolderExists ? share : executable};
}

AppPathFacts runningAppPathFacts() {
    AppPathFacts facts;
    facts.executableFolder = applicationDirectory();
    facts.executableFolderWritable = access(facts.executableFolder.c_str(), W_OK) == 0;
    std::error_code error;
    facts.shareFolderExists = fs::is_directory(facts.executableFolder + "../share/solvina/", error);
    facts.home = homeFolder();
    facts.xdgDataHome = environment("XDG_DATA_HOME");
    facts.xdgCacheHome = environment("XDG_CACHE_HOME");
    return facts;
}

const AppFolders& appFolders() {
    static const AppFolders folders = appFoldersFor(runningAppPathFacts());
    return folders;
}

Status prepareAppFolders(const AppFolders& folders) {
    const std::string shipped = folders.data + "styledata/";
    if (folders.library == shipped)
        return {}; // the build folder: its library is the one shipped, nothing to copy
    std::error_code error;
    fs::create_directories(folders.cache, error);
    if (error)
        return failure(error, folders.cache);
    if (fs::exists(withoutTrailingSlash(folders.library), error))
        return {};
    return seedLibrary(folders.library, shipped);
}

std::string undoFolderFor(const std::string& xdgStateHome, const std::string& home) {
    return xdgFolder(xdgStateHome, home, ".local/state/") + "solvina/undo/";
}

std::string runningUndoFolder() {
    return undoFolderFor(environment("XDG_STATE_HOME"), homeFolder());
}

std::string applicationDirectory() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return withTrailingSlash(fs::current_path(error).string());
    return withTrailingSlash(exe.parent_path().string());
}

} // namespace solvina
