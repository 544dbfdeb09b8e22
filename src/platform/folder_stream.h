// Reading the names in a folder through one open folder stream that closes itself.
#pragma once

#include "platform/result.h"

#include <string>
#include <vector>

namespace solvina {

// The names of the entries of a folder except "." and "..", in the order the system gives
// them. A folder that is missing (or no folder) fails with the "path not found" message.
Result<std::vector<std::string>> folderEntryNames(const std::string& folder);

} // namespace solvina
