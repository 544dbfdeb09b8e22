// The files an undoable run keeps outside the site: kept by a hard link where the state folder
// shares the page's file system, else by a copy; put back by a temporary file and a rename.
#pragma once

#include "platform/content_digest.h"
#include "platform/result.h"

#include <cstdint>
#include <string>

namespace solvina {

// Keeps source's current content at kept (a new name). allowLink false always copies (a
// state folder on another file system behaves so).
Status keepFile(const std::string& source, const std::string& kept, bool allowLink = true);
// Puts kept's content at target: a temporary file beside target with kept's permission bits,
// synced, renamed over target, the folder synced.
Status restoreFile(const std::string& kept, const std::string& target);
// Gives kept a file of its own when it is a hard link: a copy renamed over it.
Status unshareFile(const std::string& kept);
// Renames a folder of kept files in one step (a folder at to is replaced only when empty).
Status renameKeptFolder(const std::string& from, const std::string& to);
// The digest of a file's content (written with its kind in front), and its size.
struct FileDigest {
    std::string digest;
    std::uint64_t size = 0;
};
// The digest and size of a file a run wrote, held in place: a run keeps one for each page.
struct WrittenDigest {
    Xxh128Bytes digest{};
    std::uint64_t size = 0;
    FileDigest text() const { return {xxh128Text(digest), size}; }
};
Result<FileDigest> fileDigest(const std::string& path, DigestKind kind = DigestKind::Xxh128);
// The bytes a folder's files take (hard-linked ones counted once per folder).
std::uint64_t folderSpace(const std::string& folder);

} // namespace solvina
