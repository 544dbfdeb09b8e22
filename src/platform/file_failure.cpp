// Maps errno values to the sentences the user reads, with the path appended.
#include "platform/file_failure.h"

#include "platform/paths.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace solvina {
namespace {

// ENOENT means a missing file when its folder exists, and a missing path otherwise.
bool parentFolderExists(const std::string& path) {
    struct stat info {};
    return ::stat(containingFolder(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

enum class Access { Read, Write };

std::string sentenceFor(int errorNumber, const std::string& path, Access access) {
    switch (errorNumber) {
    case ENOENT:
        return parentFolderExists(path) ? kFileNotFoundText : kPathNotFoundText;
    case ENOTDIR:
        return kPathNotFoundText;
    case EACCES:
    case EPERM:
        return access == Access::Read ? kNotReadableText : kNotWritableText;
    case EROFS:
        return kNotWritableText;
    case ENOSPC:
    case EDQUOT:
        return kDiskFullText;
    case EEXIST:
        return kAlreadyExistsText;
    default:
        return std::string(kInputOutputText) + std::generic_category().message(errorNumber);
    }
}

} // namespace

std::string describeWithPath(const std::string& sentence, const std::string& path) {
    return sentence + "（" + path + "）";
}

std::string fileFailureDescription(int errorNumber, const std::string& path) {
    return describeWithPath(sentenceFor(errorNumber, path, Access::Write), path);
}

std::string readFailureDescription(int errorNumber, const std::string& path) {
    return describeWithPath(sentenceFor(errorNumber, path, Access::Read), path);
}

} // namespace solvina
