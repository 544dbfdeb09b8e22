// Where the program finds its own files: the folder of the running executable.
#pragma once

#include <string>

namespace solvina {

// The folder of the running executable, ending in "/".
std::string applicationDirectory();
// Folder + "/" unless it already ends in one.
std::string withTrailingSlash(const std::string& folder);
// A path typed relative to the current folder made absolute; absolute and empty paths unchanged.
std::string absolutePath(const std::string& typed);
// The style library: application directory + "styledata/".
std::string defaultLibraryFolder();
// The folder of a style: library (with "/" added when missing) + name + "/".
std::string styleFolder(const std::string& libraryFolder, const std::string& styleName);

} // namespace solvina
