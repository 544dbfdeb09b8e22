// Path texts: trailing slashes, joining, the folder and file-name parts, normalising, and the
// real path of an existing file. Paths are "/"-separated byte strings; only realPath and
// absolutePath ask the system.
#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>

namespace solvina {

// Folder + "/" unless it already ends in one.
std::string withTrailingSlash(const std::string& folder);
// The path without the "/"s at its end ("/" itself stays); folder operations take folders so.
std::string withoutTrailingSlash(const std::string& path);
// folder + "/" + name with exactly one "/" between them.
std::string joinPath(const std::string& folder, const std::string& name);
// The folder that holds the path, without a "/" at its end: "." for a bare name, "/" for a
// path directly under the root.
std::string containingFolder(const std::string& path);
// Up to and including the last "/"; empty when the path holds none.
std::string folderPart(const std::string& path);
// The part after the last "/" (the whole path when it holds none).
std::string fileNamePart(const std::string& path);

// Removes repeated "/", then "/./" segments, then resolves "/../" by cutting out the folder
// before it; a "/../" with no folder before it gives the empty path.
std::string normalizePath(std::string path);
// normalizePath(folder + rest) for a folder (ending in "/") that normalizePath leaves as it is:
// only rest and the place where the two meet are looked at.
std::string normalizeInFolder(std::string_view folder, std::string_view rest);
// The same appended to out, which is left as it was when the path is empty: a walk keeps the
// paths of a line's links in one string.
void appendNormalizedInFolder(std::string& out, std::string_view folder, std::string_view rest);

// A path typed relative to the current folder made absolute; absolute and empty paths unchanged.
std::string absolutePath(const std::string& typed);
// The real path (symbolic links, "." and ".." resolved) of an existing file or folder.
Result<std::string> realPath(const std::string& path);

} // namespace solvina
