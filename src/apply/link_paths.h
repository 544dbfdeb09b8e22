// Link targets taken out of a page line, and the paths they lead to.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace solvina {

// The targets of the "<A HREF=" links (any ASCII letter case) of a line, in order. The character
// after "=" is taken to be the opening quotation mark whatever it is; the target runs to the
// next quotation mark or to the end of the line.
std::vector<std::string> linkTargets(std::string_view line);

// linkTargets of the line a page's bytes decode to, found in the bytes themselves: only the
// targets are decoded (decode: bytes to UTF-8, as for the whole line). The page encodings
// handled write "<", "=", " " and the quotation mark as their own bytes, never inside another
// character, so a link starts at the same place in bytes and text. False when a link's target
// holds a "<": the next link may then start inside it, and the caller decodes the line. No link
// starts before byte `from`.
bool linkTargetsOfBytes(std::string_view bytes,
                        const std::function<void(std::string_view, std::string&)>& decode,
                        std::vector<std::string>& targets, std::size_t from = 0);

// True when the target, upper-cased, ends with ".HTM" or ".HTML".
bool isPageTarget(std::string_view target);

// True when the target opens with a scheme: an ASCII letter, then letters, digits, "+", "-" or
// ".", up to a ":" ("http:", "mailto:"...).
bool startsWithScheme(std::string_view target);

// The path a link target leads to from a page in pageFolder: a target opening with one "/" is
// read from topFolder, the site's root; the path comes normalised (normalizePath). Empty for a
// target on another host ("//...") or with a scheme ("http:", "file:", "mailto:"...), and for
// one that climbs above "/".
// foldersAreNormal: normalizePath leaves pageFolder and topFolder as they are (the folders of a
// walk from a normalised top page), so that only the target is folded.
std::string linkedPath(std::string_view target, const std::string& pageFolder,
                       const std::string& topFolder, bool foldersAreNormal = false);
// linkedPath appended to out (nothing when it is empty).
void appendLinkedPath(std::string& out, std::string_view target, const std::string& pageFolder,
                      const std::string& topFolder, bool foldersAreNormal);

} // namespace solvina
