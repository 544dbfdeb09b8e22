// Path texts, and the two helpers that ask the system about a path.
#include "platform/paths.h"

#include "platform/file_failure.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace solvina {

std::string withTrailingSlash(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/')
        return folder;
    return folder + "/";
}

std::string withoutTrailingSlash(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    return trimmed;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    std::string base = folder;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + "/" + name;
}

std::string containingFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string folderPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string fileNamePart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

// normalizePath for a path whose bytes before `from` need no folding.
std::string normalizeFrom(std::string path, std::size_t from) {
    // Nothing before the first "//" or "/." needs folding: the searches below start there (each
    // is a call of memchr for every "/"), and most paths end before it.
    std::size_t folding = from;
    while (folding + 1 < path.size() &&
           !(path[folding] == '/' && (path[folding + 1] == '/' || path[folding + 1] == '.')))
        ++folding;
    if (folding + 1 >= path.size())
        return path;
    if (path.find("//", folding) != std::string::npos) {
        std::size_t out = folding;
        for (std::size_t in = folding; in < path.size(); ++in)
            if (!(path[in] == '/' && out > 0 && path[out - 1] == '/'))
                path[out++] = path[in];
        path.resize(out);
    }
    if (path.find("/.", folding) == std::string::npos)
        return path;
    for (std::size_t at = folding; (at = path.find("/./", at)) != std::string::npos;)
        path.erase(at, 2);
    // Each "/../" takes away the folder before it, the leftmost first, as the path is copied
    // onto itself.
    const std::size_t first = path.find("/../", folding);
    if (first == std::string::npos)
        return path;
    std::size_t out = first;
    for (std::size_t in = first; in < path.size(); ++in) {
        const char c = path[in];
        path[out++] = c;
        if (c != '/' || out < 4 || path[out - 2] != '.' || path[out - 3] != '.' ||
            path[out - 4] != '/')
            continue;
        const std::size_t at = out - 4;
        const std::size_t folder = at == 0 ? std::string::npos : path.rfind('/', at - 1);
        if (folder == std::string::npos)
            return {};
        out = folder + 1;
    }
    path.resize(out);
    return path;
}

} // namespace

std::string normalizePath(std::string path) {
    return normalizeFrom(std::move(path), 0);
}

std::string normalizeInFolder(std::string_view folder, std::string_view rest) {
    std::string path;
    appendNormalizedInFolder(path, folder, rest);
    return path;
}

void appendNormalizedInFolder(std::string& out, std::string_view folder, std::string_view rest) {
    // Most links are a name in the folder or climb out of it first ("../../index.htm"): their
    // leading steps are taken off the folder at once, and the rest needs no folding.
    if (folder.starts_with('/') && folder.ends_with('/')) {
        std::string_view base = folder;
        std::string_view left = rest;
        for (;;) {
            if (left.starts_with("./")) {
                left.remove_prefix(2);
            } else if (left.starts_with("../")) {
                if (base.size() < 2)
                    return; // above the root
                base = base.substr(0, base.rfind('/', base.size() - 2) + 1);
                left.remove_prefix(3);
            } else {
                break;
            }
        }
        const auto needsFolding = [&](std::string_view pattern) {
            return left.find(pattern) != std::string_view::npos ||
                   left.starts_with(pattern.substr(1));
        };
        if (!needsFolding("//") && !needsFolding("/./") && !needsFolding("/../")) {
            out.append(base).append(left);
            return;
        }
    }
    std::string path;
    path.reserve(folder.size() + rest.size());
    path.append(folder).append(rest);
    // The folder's last "/" may begin a "//" or "/." with rest; "/../" may still take folders
    // of it away, which the folding reaches from there.
    out += normalizeFrom(std::move(path), folder.empty() ? 0 : folder.size() - 1);
}

std::string absolutePath(const std::string& typed) {
    if (typed.empty() || typed.front() == '/')
        return typed;
    std::error_code error;
    return withTrailingSlash(std::filesystem::current_path(error).string()) + typed;
}

Result<std::string> realPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (!real)
        return fileFailure(errno, path);
    return std::string(real.get());
}

} // namespace solvina
