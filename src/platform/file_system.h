// The one point through which the program reaches files and folders: the four operations of
// the file-system object, the tests and folder operations, and the streams of page files.
#pragma once

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace solvina {

class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual Status write(std::string_view bytes) = 0;
    // write of each piece in turn; a file may hand them to the system at once, without first
    // copying them into a buffer of its own.
    virtual Status writePieces(std::span<const std::string_view> pieces) {
        for (const std::string_view piece : pieces)
            if (Status written = write(piece); !written)
                return written;
        return {};
    }
    // Hands everything written to the operating system and closes the file.
    virtual Status close() = 0;
    // Gives the open file these permission bits; false when it cannot.
    virtual bool givePermissions(std::uint32_t bits) {
        (void)bits;
        return false;
    }
};

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t linkCount = 1; // the file's names (hard links); not part of its identity
    bool readOnly = false;       // its owner may not write it; not part of its identity
    // Its content's size and last change (nanoseconds); not part of its identity either.
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint32_t permissions = 0; // its permission bits (07777); not part of its identity
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

class InputFile {
public:
    virtual ~InputFile() = default;
    // Reads up to size bytes; 0 at the end of the file.
    virtual Result<std::size_t> read(char* buffer, std::size_t size) = 0;
    // Reads up to size bytes from offset without moving the place read() goes on from; 0 at
    // the end of the file. A stream that cannot look ahead fails.
    virtual Result<std::size_t> readAt(std::uint64_t offset, char* buffer, std::size_t size) {
        (void)offset, (void)buffer, (void)size;
        return fail("この読み方はできません。");
    }
    // The file that was opened as it stood then, when the stream knows it: no second look up of
    // its name, which may meanwhile name another file.
    virtual std::optional<FileIdentity> identity() const { return std::nullopt; }
    // All of the file's bytes, when the stream holds them in memory: they need not be read
    // (copied) to be looked at.
    virtual std::optional<std::string_view> heldBytes() const { return std::nullopt; }
};

// The same file with the same content, as far as its size and time of change tell.
inline bool sameFileUnchanged(const FileIdentity& before, const FileIdentity& now) {
    return before == now && before.size == now.size && before.modifiedNs == now.modifiedNs;
}

// What replacing a file planned earlier came to.
enum class Replaced {
    Done,
    Changed, // the target is no longer the file planned as it was: nothing renamed
    Gone,    // nothing has the target's name any more: nothing renamed
};

enum class EntryKind { RegularFile, Directory, SymbolicLink, Other };

struct EntryStatus {
    EntryKind kind = EntryKind::Other;
    FileIdentity identity;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // "copyfile": source is a file, or a folder followed by "/*.*" (its files, not its
    // sub-folders); destination is a folder ending in "/" (names kept) or a file path.
    // Files of the same name are replaced.
    virtual Status copyFile(const std::string& source, const std::string& destination) = 0;
    // "copyfolder": every file and sub-folder of source into destination (made when missing);
    // files of the same name are replaced, other files stay.
    virtual Status copyFolder(const std::string& source, const std::string& destination) = 0;
    // "deletefile": a file, or a folder followed by "/*.*" (its files, sub-folders untouched).
    // Read-only files are deleted only with force.
    virtual Status deleteFile(const std::string& path, bool force) = 0;
    // "deletefolder": the folder and everything in it.
    virtual Status deleteFolder(const std::string& path, bool force) = 0;

    // A regular file after following symbolic links; false on any failure or odd path.
    virtual bool isRegularFile(const std::string& path) = 0;
    virtual bool isDirectory(const std::string& path) = 0;
    // A file, folder or anything else of that name (symbolic links not followed).
    virtual bool exists(const std::string& path) = 0;
    virtual Status makeFolder(const std::string& path) = 0;
    // Full paths of the sub-folders of folder, in the order the system gives them.
    virtual Result<std::vector<std::string>> listSubfolders(const std::string& folder) = 0;
    // Clears read-only (gives the owner write permission).
    virtual Status setNormalAttributes(const std::string& path) = 0;

    // Whole small files (style files, pre.html).
    virtual Result<std::string> readWholeFile(const std::string& path) = 0;
    virtual Status writeWholeFile(const std::string& path, std::string_view bytes) = 0;

    // Page streams.
    virtual Result<std::unique_ptr<InputFile>> openForReading(const std::string& path) = 0;
    // Creates the file, or empties an existing one.
    virtual Result<std::unique_ptr<OutputFile>> createFile(const std::string& path) = 0;
    // Gives replacement the permission bits of target, then renames it over target in one step.
    // A read-only target (no write permission for its owner) is refused and left as it is.
    virtual Status replaceFile(const std::string& replacement, const std::string& target) = 0;
    // As replaceFile, when target is still the file planned, unchanged (device, inode, size,
    // time of change): an edit made since is never overwritten. replacementBits: the permission
    // bits the replacement has already, when known.
    virtual Result<Replaced> replaceIfUnchanged(const std::string& replacement,
                                                const std::string& target,
                                                const FileIdentity& planned,
                                                std::optional<std::uint32_t> replacementBits) {
        (void)replacementBits;
        auto now = identity(target);
        if (!now)
            return Replaced::Gone;
        if (!sameFileUnchanged(planned, *now))
            return Replaced::Changed;
        if (auto replaced = replaceFile(replacement, target); !replaced)
            return std::move(replaced).takeError();
        return Replaced::Done;
    }
    virtual Status removeFile(const std::string& path) = 0;
    // Brings the data of the files written (closed) at these paths onto the disk, all at once;
    // pathAt(i) gives the path of file i of count when asked (a large site's list is long).
    virtual Status syncFiles(std::size_t count,
                             const std::function<std::string(std::size_t)>& pathAt) = 0;
    Status syncFiles(const std::vector<std::string>& paths) {
        return syncFiles(paths.size(), [&](std::size_t i) { return paths[i]; });
    }
    // Brings a folder's entries (the renames into it) onto the disk.
    virtual Status syncFolder(const std::string& folder) = 0;

    // The real path (symbolic links, "." and ".." resolved) of an existing file or folder.
    virtual Result<std::string> realPath(const std::string& path) = 0;
    virtual Result<FileIdentity> identity(const std::string& path) = 0;
    // What the name itself is (symbolic links not followed); fails when there is nothing.
    virtual Result<EntryStatus> entryStatus(const std::string& path) = 0;
    // True when its operations may be called from several threads at once: the writing phase
    // then writes pages side by side.
    virtual bool allowsConcurrentUse() const { return false; }
};

// The native implementation (POSIX and std::filesystem).
FileSystem& nativeFileSystem();

} // namespace solvina
