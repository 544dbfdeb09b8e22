// A file system held in memory, for tests and fuzz targets: files by absolute path, folders
// implied by the files below them; page streams read in chunks of a chosen size; writes that
// fail as on a full disk when asked.
#pragma once

#include "platform/file_system.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace solvina::test_support {

class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;
    // Bytes handed out by one read of a page stream (small values exercise line splitting).
    std::size_t readChunk = 64 * 1024;
    bool refuseWrites = false; // every file made or written fails as on a full disk

    Status copyFile(const std::string& source, const std::string& destination) override {
        if (refuseWrites)
            return diskFull();
        auto found = files.find(source);
        if (found == files.end())
            return notFound(source);
        std::string target = destination;
        if (!target.empty() && target.back() == '/')
            target += source.substr(source.rfind('/') + 1);
        files[target] = found->second;
        return {};
    }
    Status copyFolder(const std::string& source, const std::string& destination) override {
        const std::string from = withSlash(source);
        if (!isDirectory(source))
            return notFound(source);
        std::vector<std::pair<std::string, std::string>> copies;
        for (const auto& [path, bytes] : files)
            if (path.compare(0, from.size(), from) == 0)
                copies.emplace_back(withSlash(destination) + path.substr(from.size()), bytes);
        for (auto& [path, bytes] : copies)
            files[path] = std::move(bytes);
        m_folders.insert(trimSlash(destination));
        return {};
    }
    Status deleteFile(const std::string& path, bool) override { return removeFile(path); }
    Status deleteFolder(const std::string& path, bool) override {
        const std::string folder = withSlash(path);
        std::erase_if(files, [&](const auto& entry) {
            return entry.first.compare(0, folder.size(), folder) == 0;
        });
        m_folders.erase(trimSlash(path));
        return {};
    }

    bool isRegularFile(const std::string& path) override {
        return files.count(normalized(path)) != 0;
    }
    bool isDirectory(const std::string& path) override {
        const std::string folder = withSlash(normalized(path));
        if (folder == "/" || m_folders.count(trimSlash(folder)) != 0)
            return true;
        auto after = files.lower_bound(folder);
        return after != files.end() && after->first.compare(0, folder.size(), folder) == 0;
    }
    bool exists(const std::string& path) override {
        return isRegularFile(path) || isDirectory(path);
    }
    Status makeFolder(const std::string& path) override {
        m_folders.insert(trimSlash(path));
        return {};
    }
    Result<std::vector<std::string>> listSubfolders(const std::string& folder) override {
        const std::string prefix = withSlash(folder);
        std::set<std::string> names;
        for (const auto& [path, bytes] : files) {
            if (path.compare(0, prefix.size(), prefix) != 0)
                continue;
            std::size_t slash = path.find('/', prefix.size());
            if (slash != std::string::npos)
                names.insert(path.substr(0, slash));
        }
        return std::vector<std::string>(names.begin(), names.end());
    }
    Status setNormalAttributes(const std::string&) override { return {}; }

    Result<std::string> readWholeFile(const std::string& path) override {
        auto found = files.find(normalized(path));
        if (found == files.end())
            return notFound(path);
        return found->second;
    }
    Status writeWholeFile(const std::string& path, std::string_view bytes) override {
        if (refuseWrites)
            return diskFull();
        files[normalized(path)] = std::string(bytes);
        return {};
    }

    Result<std::unique_ptr<InputFile>> openForReading(const std::string& path) override {
        auto found = files.find(normalized(path));
        if (found == files.end())
            return notFound(path);
        return std::unique_ptr<InputFile>(
            std::make_unique<MemoryInput>(found->second, std::max<std::size_t>(1, readChunk)));
    }
    Result<std::unique_ptr<OutputFile>> createFile(const std::string& path) override {
        if (refuseWrites)
            return diskFull();
        const std::string file = normalized(path);
        files[file].clear();
        return std::unique_ptr<OutputFile>(std::make_unique<MemoryOutput>(*this, file));
    }
    Status replaceFile(const std::string& replacement, const std::string& target) override {
        auto found = files.find(normalized(replacement));
        if (found == files.end())
            return notFound(replacement);
        std::string bytes = std::move(found->second);
        files.erase(found);
        files[normalized(target)] = std::move(bytes);
        return {};
    }
    Status removeFile(const std::string& path) override {
        return files.erase(normalized(path)) != 0 ? Status() : Status(notFound(path));
    }

    using FileSystem::syncFiles;
    Status syncFiles(std::size_t, const std::function<std::string(std::size_t)>&) override {
        return {};
    }
    Status syncFolder(const std::string&) override { return {}; }

    Result<std::string> realPath(const std::string& path) override {
        std::string real = normalized(path);
        if (!exists(real))
            return notFound(path);
        return real.size() > 1 ? trimSlash(real) : real;
    }
    Result<FileIdentity> identity(const std::string& path) override {
        auto real = realPath(path);
        if (!real)
            return std::move(real).takeError();
        return FileIdentity{1, std::hash<std::string>{}(*real)};
    }
    Result<EntryStatus> entryStatus(const std::string& path) override {
        const EntryKind kind = isRegularFile(path) ? EntryKind::RegularFile
                               : isDirectory(path) ? EntryKind::Directory
                                                   : EntryKind::Other;
        auto found = identity(path);
        if (!found)
            return std::move(found).takeError();
        return EntryStatus{kind, *found};
    }

    // "." and ".." segments and repeated "/" of an absolute path resolved.
    static std::string normalized(const std::string& path) {
        std::vector<std::string> parts;
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t slash = path.find('/', start);
            if (slash == std::string::npos)
                slash = path.size();
            std::string part = path.substr(start, slash - start);
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            start = slash + 1;
        }
        std::string result;
        for (const std::string& part : parts)
            result += "/" + part;
        if (result.empty() || (!path.empty() && path.back() == '/'))
            result += "/";
        return result;
    }

private:
    class MemoryInput : public InputFile {
    public:
        MemoryInput(std::string bytes, std::size_t chunk)
            : m_bytes(std::move(bytes)), m_chunk(chunk) {}
        Result<std::size_t> read(char* buffer, std::size_t size) override {
            std::size_t count = std::min({size, m_chunk, m_bytes.size() - m_position});
            std::copy_n(m_bytes.data() + m_position, count, buffer);
            m_position += count;
            return count;
        }
        Result<std::size_t> readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
            const std::size_t from = std::min<std::size_t>(offset, m_bytes.size());
            const std::size_t count = std::min({size, m_chunk, m_bytes.size() - from});
            std::copy_n(m_bytes.data() + from, count, buffer);
            return count;
        }

    private:
        std::string m_bytes; // what the file held when it was opened
        std::size_t m_chunk;
        std::size_t m_position = 0;
    };

    class MemoryOutput : public OutputFile {
    public:
        MemoryOutput(MemoryFileSystem& fs, std::string path) : m_fs(fs), m_path(std::move(path)) {}
        Status write(std::string_view bytes) override {
            auto found = m_fs.files.find(m_path);
            if (found == m_fs.files.end())
                return notFound(m_path); // removed while open
            found->second.append(bytes);
            return {};
        }
        Status close() override { return {}; }

    private:
        MemoryFileSystem& m_fs;
        std::string m_path;
    };

    static Error notFound(const std::string& path) {
        return fail("ファイルが見つかりません。（" + path + "）");
    }
    static Error diskFull() { return fail("ディスクに空き領域がありません。"); }
    static std::string withSlash(const std::string& path) {
        return !path.empty() && path.back() == '/' ? path : path + "/";
    }
    static std::string trimSlash(std::string path) {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return path;
    }

    std::set<std::string> m_folders;
};

} // namespace solvina::test_support
