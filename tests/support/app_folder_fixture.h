// A throw-away application folder for window tests: styledata/ with styles made to order.
#pragma once

#include "platform/file_system.h"
#include "style/breadcrumb_style.h"
#include "style/style_file.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <string>

namespace solvina::testing {

class AppFolderFixture {
public:
    AppFolderFixture() { std::filesystem::create_directories(libraryFolder()); }

    std::string folder() const { return m_dir.path().toStdString() + "/"; }
    std::string libraryFolder() const { return folder() + "styledata/"; }

    // A style as the create command makes it.
    void addDefaultStyle(const std::string& name) {
        std::filesystem::create_directories(libraryFolder() + name);
        (void)writeDefaultStyleFile(nativeFileSystem(), styleFilePath(libraryFolder(), name));
    }

    // A style written from the given fields (as the save writes them).
    void addStyle(const std::string& name, BreadcrumbStyle style) {
        std::filesystem::create_directories(libraryFolder() + name);
        (void)writeStyleFile(nativeFileSystem(), styleFilePath(libraryFolder(), name), style);
    }

    // A style whose file does not begin with the header.
    void addDamagedStyle(const std::string& name) {
        std::filesystem::create_directories(libraryFolder() + name);
        writeFile(styleFilePath(libraryFolder(), name), "<QUIBREL v1.0>\r\n");
    }

    static void writeFile(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    QTemporaryDir m_dir;
};

} // namespace solvina::testing
