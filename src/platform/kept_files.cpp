// link(2) with a copy for another file system, and the restoring rename.
#include "platform/kept_files.h"

#include "platform/content_digest.h"
#include "platform/descriptor.h"
#include "platform/file_failure.h"
#include "platform/paths.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace solvina {

namespace {

// Copies the whole of in to out, in the kernel when it can.
bool copyContent(int in, int out) {
    for (;;) {
        const ssize_t copied = copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
        if (copied == 0)
            return true;
        if (copied > 0)
            continue;
        if (errno == EINTR)
            continue;
        break; // not supported here: plain reads and writes from where it stopped
    }
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return false;
            done += put;
        }
    }
}

// A synced copy of source at target (created, not replaced) with the given permission bits.
Status copyFile(const std::string& source, const std::string& target, mode_t mode) {
    Descriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.isOpen())
        return readFailure(errno, source);
    Descriptor out(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.isOpen())
        return fileFailure(errno, target);
    if (!copyContent(in.get(), out.get()) || fchmod(out.get(), mode & 07777) != 0 ||
        fsync(out.get()) != 0) {
        const int error = errno;
        (void)unlink(target.c_str());
        return fileFailure(error, target);
    }
    return {};
}

// Puts a copy of source in place of target: written beside it under the name temporary, then
// renamed over it, so that target is never half written.
Status replaceByCopy(const std::string& source, mode_t mode, const std::string& temporary,
                     const std::string& target) {
    (void)unlink(temporary.c_str());
    if (auto copied = copyFile(source, temporary, mode); !copied)
        return copied;
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        (void)unlink(temporary.c_str());
        return fileFailure(error, target);
    }
    return {};
}

} // namespace

Status keepFile(const std::string& source, const std::string& kept, bool allowLink) {
    if (allowLink && link(source.c_str(), kept.c_str()) == 0)
        return {};
    if (allowLink && errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP)
        return fileFailure(errno, kept);
    struct stat status {};
    if (stat(source.c_str(), &status) != 0)
        return readFailure(errno, source);
    return copyFile(source, kept, status.st_mode);
}

Status restoreFile(const std::string& kept, const std::string& target) {
    struct stat status {};
    if (stat(kept.c_str(), &status) != 0)
        return readFailure(errno, kept);
    if (auto replaced = replaceByCopy(kept, status.st_mode, target + ".undo.tmp", target);
        !replaced)
        return replaced;
    Descriptor folder(open(containingFolder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isOpen())
        (void)fsync(folder.get());
    return {};
}

Status unshareFile(const std::string& kept) {
    struct stat status {};
    if (stat(kept.c_str(), &status) != 0)
        return readFailure(errno, kept);
    if (status.st_nlink < 2)
        return {};
    return replaceByCopy(kept, status.st_mode, kept + ".copy", kept);
}

Status renameKeptFolder(const std::string& from, const std::string& to) {
    if (rename(from.c_str(), to.c_str()) != 0)
        return fileFailure(errno, from);
    return {};
}

Result<FileDigest> fileDigest(const std::string& path, DigestKind kind) {
    Descriptor in(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.isOpen())
        return readFailure(errno, path);
    ContentDigest hash(kind);
    FileDigest digest;
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t got = read(in.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return readFailure(errno, path);
        if (got == 0)
            break;
        hash.add(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        digest.size += static_cast<std::uint64_t>(got);
    }
    digest.digest = hash.finish();
    return digest;
}

std::uint64_t folderSpace(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::set<std::pair<dev_t, ino_t>> seen;
    std::uint64_t space = 0;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        struct stat status {};
        if (lstat(it->path().c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            seen.insert({status.st_dev, status.st_ino}).second)
            space += static_cast<std::uint64_t>(status.st_size);
    }
    return space;
}

} // namespace solvina
