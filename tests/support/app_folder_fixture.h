// A throw-away application folder for window tests: styledata/ with styles made to order.
#pragma once

#include "platform/file_system.h"
#include "style/breadcrumb_style.h"
#include "style/style_file.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace solvina::test_support {

class AppFolderFixture : public TempDir {
public:
    AppFolderFixture() { std::filesystem::create_directories(libraryFolder()); }

    std::string libraryFolder() const { return path() + "styledata/"; }

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
        std::ofstream(styleFilePath(libraryFolder(), name), std::ios::binary)
            << "<QUIBREL v1.0>\r\n";
    }
};

} // namespace solvina::test_support
