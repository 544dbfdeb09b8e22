// Page streams on POSIX file descriptors: reading that never blocks on odd files, and
// buffered writing whose failures always reach the caller.
#pragma once

#include "platform/descriptor.h"
#include "platform/file_system.h"

#include <memory>
#include <string>
#include <sys/stat.h>

namespace solvina {

// Opens a regular file (after following links); FIFOs, devices and folders are refused
// without blocking.
Result<std::unique_ptr<InputFile>> openNativeInput(const std::string& path);

// Creates the file or empties an existing one (new files get 0666 less the umask).
Result<std::unique_ptr<OutputFile>> createNativeOutput(const std::string& path);

enum class LinkHandling {
    Follow,  // write into the file a symbolic link points to
    Refuse,  // fail when the path is a symbolic link
    Replace, // put a new file in the link's place
};

// Opens a file for writing, made or emptied; anything but a regular file is refused
// without blocking.
Result<Descriptor> openRegularForWriting(const std::string& path, LinkHandling links);

// What stat tells of a file, as the file system's identity of it.
FileIdentity identityOfStat(const struct stat& info);

// Writes every byte to an open descriptor, retrying short writes and interruptions.
Status writeAllBytes(int descriptor, std::string_view bytes, const std::string& path);

} // namespace solvina
