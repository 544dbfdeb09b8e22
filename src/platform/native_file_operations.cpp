// Copying and deleting files and folders, with "folder/*.*" standing for a folder's files.
#include "platform/native_file_operations.h"

#include "platform/file_failure.h"
#include "platform/folder_stream.h"
#include "platform/native_file_streams.h"
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace solvina {
namespace {

constexpr std::string_view kAllFilesPattern = "*.*";
constexpr std::size_t kCopyChunkSize = std::size_t{64} * 1024;

struct FolderEntry {
    std::string name;
    std::string path;
};

// A source or target that is either one file or the files of a folder ("folder/*.*").
struct FileSelection {
    bool isPattern = false;
    std::string path; // the file, or the folder of the pattern
};

FileSelection selectFiles(const std::string& text) {
    FileSelection selection;
    if (text == kAllFilesPattern) {
        selection.isPattern = true;
        selection.path = ".";
    } else if (text.size() > kAllFilesPattern.size() && text.ends_with(kAllFilesPattern) &&
               text[text.size() - kAllFilesPattern.size() - 1] == '/') {
        selection.isPattern = true;
        selection.path = text.substr(0, text.size() - kAllFilesPattern.size() - 1);
        if (selection.path.empty())
            selection.path = "/";
    } else {
        selection.path = text;
    }
    return selection;
}

bool statFollowing(const std::string& path, struct stat& info) {
    return ::stat(path.c_str(), &info) == 0;
}

bool isFolder(const std::string& path) {
    struct stat info;
    return statFollowing(path, info) && S_ISDIR(info.st_mode);
}

bool isFileFollowing(const std::string& path) {
    struct stat info;
    return statFollowing(path, info) && S_ISREG(info.st_mode);
}

// The entries of a folder except "." and "..", in the order the system gives them.
Result<std::vector<FolderEntry>> readFolder(const std::string& folder) {
    auto names = folderEntryNames(folder);
    if (!names)
        return std::move(names).takeError();
    std::vector<FolderEntry> entries;
    entries.reserve(names->size());
    for (std::string& name : *names) {
        std::string path = joinPath(folder, name);
        entries.push_back({std::move(name), std::move(path)});
    }
    return entries;
}

// The regular files (after following links) directly in a folder; sub-folders are left out.
Result<std::vector<FolderEntry>> filesOfFolder(const std::string& folder) {
    auto entries = readFolder(folder);
    if (!entries)
        return std::move(entries).takeError();
    std::vector<FolderEntry> files;
    for (auto& entry : *entries)
        if (isFileFollowing(entry.path))
            files.push_back(std::move(entry));
    if (files.empty())
        return fail(describeWithPath(kFileNotFoundText, joinPath(folder, "*.*")));
    return files;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Copies the bytes of one regular file; an existing destination is emptied and rewritten.
Status copyOneFile(const std::string& source, const std::string& destination) {
    struct stat sourceInfo;
    struct stat destinationInfo;
    if (!statFollowing(source, sourceInfo))
        return fileFailure(errno, source);
    // Copying a file onto itself would empty it before reading; the copy already stands.
    if (statFollowing(destination, destinationInfo) && sameFile(sourceInfo, destinationInfo))
        return {};

    auto input = openNativeInput(source);
    if (!input)
        return std::move(input).takeError();
    // A link at the destination is replaced, so no copy ever changes a file elsewhere.
    auto output = openRegularForWriting(destination, LinkHandling::Replace);
    if (!output)
        return std::move(output).takeError();

    std::vector<char> chunk(kCopyChunkSize);
    for (;;) {
        auto count = (*input)->read(chunk.data(), chunk.size());
        if (!count)
            return std::move(count).takeError();
        if (*count == 0)
            break;
        Status written =
            writeAllBytes(output->get(), std::string_view(chunk.data(), *count), destination);
        if (!written)
            return written;
    }
    return output->close(destination);
}

Status copyFolderEntries(const std::string& source, const std::string& destination,
                         std::vector<std::pair<dev_t, ino_t>>& chain);

// The folders from the top of a copy down to the one being copied, by device and inode.
using FolderChain = std::vector<std::pair<dev_t, ino_t>>;

Status copyFolderContents(const std::string& source, const std::string& destination,
                          FolderChain& chain) {
    // A link back to a folder above would repeat the copy without end.
    struct stat sourceInfo;
    if (!statFollowing(source, sourceInfo))
        return fileFailure(errno, source);
    std::pair<dev_t, ino_t> self{sourceInfo.st_dev, sourceInfo.st_ino};
    if (std::find(chain.begin(), chain.end(), self) != chain.end())
        return fileFailure(ELOOP, source);
    chain.push_back(self);
    Status copied = copyFolderEntries(source, destination, chain);
    chain.pop_back();
    return copied;
}

Status copyFolderEntries(const std::string& source, const std::string& destination,
                         FolderChain& chain) {
    if (::mkdir(destination.c_str(), 0777) != 0 && !(errno == EEXIST && isFolder(destination)))
        return fileFailure(errno, destination);
    auto entries = readFolder(source);
    if (!entries)
        return std::move(entries).takeError();
    for (const auto& entry : *entries) {
        struct stat info;
        if (!statFollowing(entry.path, info))
            continue; // a dangling link holds nothing to copy
        std::string target = joinPath(destination, entry.name);
        Status copied;
        if (S_ISDIR(info.st_mode))
            copied = copyFolderContents(entry.path, target, chain);
        else if (S_ISREG(info.st_mode))
            copied = copyOneFile(entry.path, target);
        // FIFOs, sockets and devices are not files to copy.
        if (!copied)
            return copied;
    }
    return {};
}

// Where a destination folder stands or would stand once made.
Result<std::string> realDestination(const std::string& folder) {
    if (isFolder(folder))
        return realPath(folder);
    auto parent = realPath(containingFolder(folder));
    if (!parent)
        return parent;
    return joinPath(*parent, fileNamePart(folder));
}

bool isInside(const std::string& path, const std::string& folder) {
    return path == folder ||
           (path.starts_with(folder) && (folder == "/" || path[folder.size()] == '/'));
}

bool ownerMayWrite(const struct stat& info) {
    return (info.st_mode & S_IWUSR) != 0;
}

// Read-only means the owner lacks write permission; checked on the bits themselves so the
// answer does not depend on who runs the program.
Status refuseReadOnly(const std::string& path) {
    struct stat info;
    if (!statFollowing(path, info))
        return fileFailure(errno, path);
    if (!ownerMayWrite(info))
        return fail(describeWithPath(kNotWritableText, path));
    return {};
}

Status unlinkFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        return fileFailure(errno, path);
    return {};
}

// Without force, a read-only file anywhere in the tree refuses the whole deletion up front.
Status findReadOnlyInTree(const std::string& folder) {
    auto entries = readFolder(folder);
    if (!entries)
        return std::move(entries).takeError();
    for (const auto& entry : *entries) {
        struct stat info;
        if (::lstat(entry.path.c_str(), &info) != 0)
            return fileFailure(errno, entry.path);
        if (S_ISDIR(info.st_mode)) {
            if (Status inner = findReadOnlyInTree(entry.path); !inner)
                return inner;
        } else if (S_ISREG(info.st_mode) && !ownerMayWrite(info)) {
            return fail(describeWithPath(kNotWritableText, entry.path));
        }
    }
    return {};
}

// Removes a folder tree without following links; folders are made writable and searchable
// first so that their entries can go.
Status removeTree(const std::string& folder) {
    struct stat info;
    if (::lstat(folder.c_str(), &info) != 0)
        return fileFailure(errno, folder);
    if ((info.st_mode & S_IRWXU) != S_IRWXU && ::chmod(folder.c_str(), info.st_mode | S_IRWXU) != 0)
        return fileFailure(errno, folder);
    auto entries = readFolder(folder);
    if (!entries)
        return std::move(entries).takeError();
    for (const auto& entry : *entries) {
        // Most entries are files: unlinked without a look first (a link goes, not what it
        // names); only a name that refuses is looked at, and taken for a folder if it is one.
        if (::unlink(entry.path.c_str()) == 0)
            continue;
        const int unlinkError = errno;
        struct stat entryInfo;
        if (::lstat(entry.path.c_str(), &entryInfo) != 0)
            return fileFailure(errno, entry.path);
        if (!S_ISDIR(entryInfo.st_mode))
            return fileFailure(unlinkError, entry.path);
        if (Status removed = removeTree(entry.path); !removed)
            return removed;
    }
    if (::rmdir(folder.c_str()) != 0)
        return fileFailure(errno, folder);
    return {};
}

} // namespace

Status nativeCopyFile(const std::string& source, const std::string& destination) {
    FileSelection selection = selectFiles(source);
    bool intoFolder = destination.ends_with('/') || isFolder(destination);
    // The files of a pattern keep their names, so they need a folder to go to.
    if ((intoFolder || selection.isPattern) && !isFolder(destination))
        return fail(describeWithPath(kPathNotFoundText, destination));

    if (!selection.isPattern) {
        if (!isFileFollowing(selection.path)) {
            struct stat info;
            if (!statFollowing(selection.path, info))
                return fileFailure(errno, selection.path);
            return fail(describeWithPath(kFileNotFoundText, selection.path));
        }
        const std::string target =
            intoFolder ? joinPath(destination, fileNamePart(selection.path)) : destination;
        return copyOneFile(selection.path, target);
    }

    auto files = filesOfFolder(selection.path);
    if (!files)
        return std::move(files).takeError();
    for (const auto& file : *files)
        if (Status copied = copyOneFile(file.path, joinPath(destination, file.name)); !copied)
            return copied;
    return {};
}

Status nativeCopyFolder(const std::string& source, const std::string& destination) {
    std::string from = withoutTrailingSlash(source);
    std::string to = withoutTrailingSlash(destination);
    if (!isFolder(from))
        return fail(describeWithPath(kPathNotFoundText, from));
    // A folder copied into itself would grow without end.
    auto realSource = realPath(from);
    if (!realSource)
        return std::move(realSource).takeError();
    if (auto realTarget = realDestination(to); realTarget && isInside(*realTarget, *realSource))
        return fail(describeWithPath(kNotWritableText, to));
    FolderChain chain;
    return copyFolderContents(from, to, chain);
}

Status nativeDeleteFile(const std::string& path, bool force) {
    FileSelection selection = selectFiles(path);
    if (!selection.isPattern) {
        struct stat info;
        if (::lstat(selection.path.c_str(), &info) != 0)
            return fileFailure(errno, selection.path);
        if (isFolder(selection.path))
            return fail(describeWithPath(kFileNotFoundText, selection.path));
        if (!force && S_ISREG(info.st_mode))
            if (Status writable = refuseReadOnly(selection.path); !writable)
                return writable;
        return unlinkFile(selection.path);
    }

    auto files = filesOfFolder(selection.path);
    if (!files)
        return std::move(files).takeError();
    if (!force)
        for (const auto& file : *files)
            if (Status writable = refuseReadOnly(file.path); !writable)
                return writable;
    for (const auto& file : *files)
        if (Status removed = unlinkFile(file.path); !removed)
            return removed;
    return {};
}

Status nativeDeleteFolder(const std::string& path, bool force) {
    std::string folder = withoutTrailingSlash(path);
    struct stat info;
    if (folder.empty() || ::lstat(folder.c_str(), &info) != 0)
        return fail(describeWithPath(kPathNotFoundText, path));
    // A link to a folder goes, never the folder it points to.
    if (S_ISLNK(info.st_mode)) {
        if (!isFolder(folder))
            return fail(describeWithPath(kPathNotFoundText, path));
        return unlinkFile(folder);
    }
    if (!S_ISDIR(info.st_mode))
        return fail(describeWithPath(kPathNotFoundText, path));
    if (auto real = realPath(folder); !real || *real == "/")
        return fail(describeWithPath(kNotWritableText, path));
    if (!force)
        if (Status writable = findReadOnlyInTree(folder); !writable)
            return writable;
    return removeTree(folder);
}

} // namespace solvina
