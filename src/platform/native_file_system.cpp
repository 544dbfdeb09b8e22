// The file-system object on POSIX calls: the program's one native FileSystem.
#include "platform/file_system.h"

#include "platform/file_failure.h"
#include "platform/folder_stream.h"
#include "platform/native_file_operations.h"
#include "platform/native_file_streams.h"
#include "platform/paths.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace solvina {
namespace {

Status renameOver(const std::string& replacement, const std::string& target) {
    if (::rename(replacement.c_str(), target.c_str()) != 0)
        return fileFailure(errno, target);
    return {};
}

// Gives replacement the permission bits of the target as stated, unless it has them already,
// then renames it over it.
Status replaceStated(const std::string& replacement, const std::string& target,
                     const struct stat& targetInfo, std::optional<std::uint32_t> replacementBits) {
    // A read-only file is kept, as deleting it without force is refused.
    if ((targetInfo.st_mode & S_IWUSR) == 0)
        return fileFailure(EACCES, target);
    const auto bits = static_cast<std::uint32_t>(targetInfo.st_mode & 07777);
    if (replacementBits != bits && ::chmod(replacement.c_str(), bits) != 0)
        return fileFailure(errno, replacement);
    return renameOver(replacement, target);
}

class NativeFileSystem final : public FileSystem {
public:
    bool allowsConcurrentUse() const override { return true; } // system calls only, no state
    Status copyFile(const std::string& source, const std::string& destination) override {
        return nativeCopyFile(source, destination);
    }
    Status copyFolder(const std::string& source, const std::string& destination) override {
        return nativeCopyFolder(source, destination);
    }
    Status deleteFile(const std::string& path, bool force) override {
        return nativeDeleteFile(path, force);
    }
    Status deleteFolder(const std::string& path, bool force) override {
        return nativeDeleteFolder(path, force);
    }

    bool isRegularFile(const std::string& path) override {
        struct stat info;
        return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    }
    bool isDirectory(const std::string& path) override {
        struct stat info;
        return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    bool exists(const std::string& path) override {
        struct stat info;
        return !path.empty() && ::lstat(path.c_str(), &info) == 0;
    }
    Status makeFolder(const std::string& path) override {
        if (::mkdir(path.c_str(), 0777) != 0)
            return fileFailure(errno, path);
        return {};
    }

    Result<std::vector<std::string>> listSubfolders(const std::string& folder) override {
        auto names = folderEntryNames(folder);
        if (!names)
            return std::move(names).takeError();
        std::vector<std::string> subfolders;
        for (const std::string& name : *names)
            if (std::string path = joinPath(folder, name); isDirectory(path))
                subfolders.push_back(std::move(path));
        return subfolders;
    }

    Status setNormalAttributes(const std::string& path) override {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0)
            return fileFailure(errno, path);
        if ((info.st_mode & S_IWUSR) == 0 &&
            ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0)
            return fileFailure(errno, path);
        return {};
    }

    Result<std::string> readWholeFile(const std::string& path) override {
        auto input = openNativeInput(path);
        if (!input)
            return std::move(input).takeError();
        std::string content;
        std::array<char, std::size_t{64} * 1024> chunk;
        for (;;) {
            auto count = (*input)->read(chunk.data(), chunk.size());
            if (!count)
                return std::move(count).takeError();
            if (*count == 0)
                return content;
            content.append(chunk.data(), *count);
        }
    }

    Status writeWholeFile(const std::string& path, std::string_view bytes) override {
        auto output = openRegularForWriting(path, LinkHandling::Follow);
        if (!output)
            return std::move(output).takeError();
        Status written = writeAllBytes(output->get(), bytes, path);
        Status closed = output->close(path);
        if (!written)
            return written;
        return closed;
    }

    Result<std::unique_ptr<InputFile>> openForReading(const std::string& path) override {
        return openNativeInput(path);
    }
    Result<std::unique_ptr<OutputFile>> createFile(const std::string& path) override {
        return createNativeOutput(path);
    }

    Status replaceFile(const std::string& replacement, const std::string& target) override {
        struct stat targetInfo;
        if (::stat(target.c_str(), &targetInfo) == 0)
            return replaceStated(replacement, target, targetInfo, std::nullopt);
        if (errno != ENOENT)
            return fileFailure(errno, target);
        return renameOver(replacement, target);
    }

    Result<Replaced> replaceIfUnchanged(const std::string& replacement, const std::string& target,
                                        const FileIdentity& planned,
                                        std::optional<std::uint32_t> replacementBits) override {
        // One look at the target serves the check and the permission bits.
        struct stat targetInfo;
        if (::stat(target.c_str(), &targetInfo) != 0)
            return errno == ENOENT ? Result<Replaced>(Replaced::Gone)
                                   : Result<Replaced>(fileFailure(errno, target));
        if (!sameFileUnchanged(planned, identityOfStat(targetInfo)))
            return Replaced::Changed;
        if (auto replaced = replaceStated(replacement, target, targetInfo, replacementBits);
            !replaced)
            return std::move(replaced).takeError();
        return Replaced::Done;
    }

    Status removeFile(const std::string& path) override {
        if (::unlink(path.c_str()) != 0)
            return fileFailure(errno, path);
        return {};
    }

    using FileSystem::syncFiles;
    Status syncFiles(std::size_t count,
                     const std::function<std::string(std::size_t)>& pathAt) override {
        // One syncfs for each file system the files live on: far fewer journal commits than
        // one fdatasync per file.
        std::set<std::uint64_t> synced;
        std::set<std::string> foldersSeen; // the files of one folder share its file system
        for (std::size_t i = 0; i < count; ++i) {
            const std::string path = pathAt(i);
            if (!foldersSeen.insert(path.substr(0, path.rfind('/'))).second)
                continue;
            const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (descriptor < 0)
                return fileFailure(errno, path);
            struct stat info;
            int result = ::fstat(descriptor, &info);
            if (result == 0 && synced.insert(static_cast<std::uint64_t>(info.st_dev)).second)
                result = ::syncfs(descriptor);
            const int error = errno;
            ::close(descriptor);
            if (result != 0)
                return fileFailure(error, path);
        }
        return {};
    }

    Status syncFolder(const std::string& folder) override {
        const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0)
            return fileFailure(errno, folder);
        const int result = ::fsync(descriptor);
        const int error = errno;
        ::close(descriptor);
        return result == 0 ? Status() : Status(fileFailure(error, folder));
    }

    Result<std::string> realPath(const std::string& path) override {
        return solvina::realPath(path);
    }

    Result<FileIdentity> identity(const std::string& path) override {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0)
            return fileFailure(errno, path);
        return identityOfStat(info);
    }

    Result<EntryStatus> entryStatus(const std::string& path) override {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0)
            return fileFailure(errno, path);
        EntryKind kind = S_ISREG(info.st_mode)   ? EntryKind::RegularFile
                         : S_ISDIR(info.st_mode) ? EntryKind::Directory
                         : S_ISLNK(info.st_mode) ? EntryKind::SymbolicLink
                                                 : EntryKind::Other;
        return EntryStatus{kind, identityOfStat(info)};
    }
};

} // namespace

FileSystem& nativeFileSystem() {
    static NativeFileSystem fileSystem;
    return fileSystem;
}

} // namespace solvina
