// The style file: 78 lines of CP932 text beginning "<quibrel v1.0>".
#pragma once

#include "platform/file_system.h"
#include "platform/result.h"
#include "style/breadcrumb_style.h"

#include <string>

namespace solvina {

inline constexpr const char* kStyleFileHeader = "<quibrel v1.0>";
inline constexpr const char* kWrongHeaderMessage =
    "このクイブレルスタイルファイルは読み込めません。";

struct StyleReadResult {
    enum class Outcome { Loaded, WrongHeader, Failed } outcome = Outcome::Loaded;
    std::string description; // Failed: what went wrong (shown under "エラーが発生しました。")
    bool ok() const { return outcome == Outcome::Loaded; }
};

// The style file of a style: styleFolder(library, name) + name + ".sty".
std::string styleFilePath(const std::string& libraryFolder, const std::string& styleName);

// Reads the file into style and its snapshot slots 0..76, line by line; reading stops at the
// first failure with the fields read so far kept. A wrong header changes nothing.
StyleReadResult readStyleFile(FileSystem& fs, const std::string& path, BreadcrumbStyle& style);

// The save's writer: the current fields, numbers as " 0 ", " 100.5 ", "-3 "; refreshes the
// snapshot line by line. Fails before writing anything when a non-text field holds a character
// CP932 lacks (connector and title texts take "&#N;" instead).
Status writeStyleFile(FileSystem& fs, const std::string& path, BreadcrumbStyle& style);

// The create operation's writer: the 78 default lines, numbers as "0" and "4".
Status writeDefaultStyleFile(FileSystem& fs, const std::string& path);

} // namespace solvina
