// Names and paths inside the style library: the check of a style name, the folder of a style,
// and the work folder in which a save builds the style folder's new content.
#pragma once

#include "platform/result.h"

#include <string>

namespace solvina {

// A style name must be one plain folder name inside the library: not empty, no "/" or "\",
// not "." or "..".
Status checkStyleName(const std::string& name);

// The folder of a style: library (with "/" added when missing) + name + "/".
std::string styleFolder(const std::string& libraryFolder, const std::string& styleName);

// The work folder of a save: the style folder + "tmp", ending in "/".
std::string workFolder(const std::string& libraryFolder, const std::string& styleName);

} // namespace solvina
