// Names and paths inside the style library: the check of a style name, and the work folder
// in which a save builds the style folder's new content.
#pragma once

#include "platform/result.h"

#include <string>

namespace solvina {

// A style name must be one plain folder name inside the library: not empty, no "/" or "\",
// not "." or "..".
Status checkStyleName(const std::string& name);

// The path without the "/" at its end (folder operations take folders without it).
std::string withoutTrailingSlash(const std::string& path);

// The work folder of a save: the style folder + "tmp", ending in "/".
std::string workFolder(const std::string& libraryFolder, const std::string& styleName);

} // namespace solvina
