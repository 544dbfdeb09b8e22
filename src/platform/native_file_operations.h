// The four copy and delete operations of the file-system object, on POSIX calls.
#pragma once

#include "platform/result.h"

#include <string>

namespace solvina {

Status nativeCopyFile(const std::string& source, const std::string& destination);
Status nativeCopyFolder(const std::string& source, const std::string& destination);
Status nativeDeleteFile(const std::string& path, bool force);
Status nativeDeleteFolder(const std::string& path, bool force);

} // namespace solvina
