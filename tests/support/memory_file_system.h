// Whole files held in memory by path, for the style file tests; every other call is refused.
#pragma once

#include "platform/file_system.h"

#include <map>
#include <string>

namespace solvina::testing {

class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;
    bool refuseWrites = false; // every write fails as on a full disk

    Result<std::string> readWholeFile(const std::string& path) override {
        auto found = files.find(path);
        if (found == files.end())
            return fail("ファイルが見つかりません。");
        return found->second;
    }
    Status writeWholeFile(const std::string& path, std::string_view bytes) override {
        if (refuseWrites)
            return fail("ディスクに空き領域がありません。");
        files[path] = std::string(bytes);
        return {};
    }
    bool isRegularFile(const std::string& path) override { return files.count(path) != 0; }
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    bool isDirectory(const std::string&) override { return false; }

    Status copyFile(const std::string&, const std::string&) override { return refused(); }
    Status copyFolder(const std::string&, const std::string&) override { return refused(); }
    Status deleteFile(const std::string&, bool) override { return refused(); }
    Status deleteFolder(const std::string&, bool) override { return refused(); }
    Status makeFolder(const std::string&) override { return refused(); }
    Result<std::vector<std::string>> listSubfolders(const std::string&) override {
        return refused();
    }
    Status setNormalAttributes(const std::string&) override { return refused(); }
    Result<std::unique_ptr<InputFile>> openForReading(const std::string&) override {
        return refused();
    }
    Result<std::unique_ptr<OutputFile>> createFile(const std::string&) override {
        return refused();
    }
    Status replaceFile(const std::string&, const std::string&) override { return refused(); }
    Status removeFile(const std::string&) override { return refused(); }
    Result<std::string> realPath(const std::string&) override { return refused(); }
    Result<FileIdentity> identity(const std::string&) override { return refused(); }
    Result<EntryStatus> entryStatus(const std::string&) override { return refused(); }

private:
    static Error refused() { return fail("not available in memory"); }
};

} // namespace solvina::testing
