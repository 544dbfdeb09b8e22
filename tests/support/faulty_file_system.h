// A file system that passes every call to another one and fails the calls chosen by a test:
// a full disk, a folder that takes no new file, a replacement refused, a file gone when opened.
#pragma once

#include "platform/file_failure.h"
#include "platform/file_system.h"

#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace solvina::test_support {

class FaultyFileSystem : public FileSystem {
public:
    explicit FaultyFileSystem(FileSystem& inner) : m_inner(inner) {}

    // A fault hits the paths that end with its suffix; an empty suffix hits nothing.
    struct Fault {
        std::string pathSuffix;
        int errorNumber = EIO;
        bool hits(const std::string& path) const {
            return !pathSuffix.empty() && path.size() >= pathSuffix.size() &&
                   path.compare(path.size() - pathSuffix.size(), pathSuffix.size(), pathSuffix) ==
                       0;
        }
    };
    Fault openFault;
    Fault createFault;
    Fault writeFault; // after writeBudget bytes reached the file
    std::size_t writeBudget = 0;
    Fault closeFault;
    Fault replaceFault;
    Fault copyFolderFault;
    Fault syncFault; // hits syncFiles when one of its paths ends so
    // The calls that change what is on the disk, in order: "sync <path>" for each file of a
    // syncFiles call, "rename <target>", "syncfolder <folder>".
    std::vector<std::string> diskLog;
    // Called with the path before each openForReading reaches the inner file system.
    std::function<void(const std::string&)> beforeOpen;
    // Called before each syncFiles: after the temporary files, before the renames.
    std::function<void()> beforeSync;
    // Called with the target before each replaceIfUnchanged: the renames of the pages.
    std::function<void()> beforeReplace;
    // Called with the path before each deleteFolder; true ends the call there, failed, as a
    // kill halfway through would.
    std::function<bool(const std::string&)> cutDeleteFolder;
    // Lets the writing phase write pages on several threads, as on the native file system.
    bool concurrent = false;

    void clearFaults() {
        openFault = createFault = writeFault = closeFault = replaceFault = copyFolderFault =
            syncFault = {};
        diskLog.clear();
        writeBudget = 0;
        beforeOpen = nullptr;
        beforeSync = nullptr;
        beforeReplace = nullptr;
        cutDeleteFolder = nullptr;
        concurrent = false;
    }
    bool allowsConcurrentUse() const override { return concurrent; }

    Status copyFile(const std::string& source, const std::string& destination) override {
        return m_inner.copyFile(source, destination);
    }
    Status copyFolder(const std::string& source, const std::string& destination) override {
        if (copyFolderFault.hits(destination))
            return fileFailure(copyFolderFault.errorNumber, destination);
        return m_inner.copyFolder(source, destination);
    }
    Status deleteFile(const std::string& path, bool force) override {
        return m_inner.deleteFile(path, force);
    }
    Status deleteFolder(const std::string& path, bool force) override {
        if (cutDeleteFolder && cutDeleteFolder(path))
            return fileFailure(EIO, path);
        return m_inner.deleteFolder(path, force);
    }
    bool isRegularFile(const std::string& path) override { return m_inner.isRegularFile(path); }
    bool isDirectory(const std::string& path) override { return m_inner.isDirectory(path); }
    bool exists(const std::string& path) override { return m_inner.exists(path); }
    Status makeFolder(const std::string& path) override { return m_inner.makeFolder(path); }
    Result<std::vector<std::string>> listSubfolders(const std::string& folder) override {
        return m_inner.listSubfolders(folder);
    }
    Status setNormalAttributes(const std::string& path) override {
        return m_inner.setNormalAttributes(path);
    }
    Result<std::string> readWholeFile(const std::string& path) override {
        return m_inner.readWholeFile(path);
    }
    Status writeWholeFile(const std::string& path, std::string_view bytes) override {
        return m_inner.writeWholeFile(path, bytes);
    }

    Result<std::unique_ptr<InputFile>> openForReading(const std::string& path) override {
        if (beforeOpen)
            beforeOpen(path);
        if (openFault.hits(path))
            return fileFailure(openFault.errorNumber, path);
        return m_inner.openForReading(path);
    }
    Result<std::unique_ptr<OutputFile>> createFile(const std::string& path) override {
        if (createFault.hits(path))
            return fileFailure(createFault.errorNumber, path);
        auto file = m_inner.createFile(path);
        if (!file || !(writeFault.hits(path) || closeFault.hits(path)))
            return file;
        return std::unique_ptr<OutputFile>(
            std::make_unique<FaultyOutput>(*this, std::move(*file), path));
    }
    Status replaceFile(const std::string& replacement, const std::string& target) override {
        if (replaceFault.hits(target))
            return fileFailure(replaceFault.errorNumber, target);
        diskLog.push_back("rename " + target);
        return m_inner.replaceFile(replacement, target);
    }
    Result<Replaced> replaceIfUnchanged(const std::string& replacement, const std::string& target,
                                        const FileIdentity& planned,
                                        std::optional<std::uint32_t> replacementBits) override {
        if (beforeReplace)
            beforeReplace();
        if (replaceFault.hits(target))
            return fileFailure(replaceFault.errorNumber, target);
        diskLog.push_back("rename " + target);
        return m_inner.replaceIfUnchanged(replacement, target, planned, replacementBits);
    }
    Status removeFile(const std::string& path) override { return m_inner.removeFile(path); }
    using FileSystem::syncFiles;
    Status syncFiles(std::size_t count,
                     const std::function<std::string(std::size_t)>& pathAt) override {
        if (beforeSync)
            beforeSync();
        for (std::size_t i = 0; i < count; ++i) {
            const std::string path = pathAt(i);
            if (syncFault.hits(path))
                return fileFailure(syncFault.errorNumber, path);
            diskLog.push_back("sync " + path);
        }
        return m_inner.syncFiles(count, pathAt);
    }
    Status syncFolder(const std::string& folder) override {
        diskLog.push_back("syncfolder " + folder);
        return m_inner.syncFolder(folder);
    }
    Result<std::string> realPath(const std::string& path) override {
        return m_inner.realPath(path);
    }
    Result<FileIdentity> identity(const std::string& path) override {
        return m_inner.identity(path);
    }
    Result<EntryStatus> entryStatus(const std::string& path) override {
        return m_inner.entryStatus(path);
    }

private:
    // Lets writeBudget bytes through (the part that fits goes to the file), then fails.
    class FaultyOutput : public OutputFile {
    public:
        FaultyOutput(FaultyFileSystem& owner, std::unique_ptr<OutputFile> inner, std::string path)
            : m_owner(owner), m_inner(std::move(inner)), m_path(std::move(path)) {}
        Status write(std::string_view bytes) override {
            if (m_owner.writeFault.hits(m_path)) {
                std::size_t room = m_owner.writeBudget - std::min(m_written, m_owner.writeBudget);
                if (bytes.size() > room) {
                    (void)m_inner->write(bytes.substr(0, room));
                    m_written += room;
                    return fileFailure(m_owner.writeFault.errorNumber, m_path);
                }
            }
            m_written += bytes.size();
            return m_inner->write(bytes);
        }
        Status close() override {
            Status closed = m_inner->close();
            if (m_owner.closeFault.hits(m_path))
                return fileFailure(m_owner.closeFault.errorNumber, m_path);
            return closed;
        }

    private:
        FaultyFileSystem& m_owner;
        std::unique_ptr<OutputFile> m_inner;
        std::string m_path;
        std::size_t m_written = 0;
    };

    FileSystem& m_inner;
};

} // namespace solvina::test_support
