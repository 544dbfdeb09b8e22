// Link targets taken out of a page line, and the paths they lead to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace solvina {

// The targets of the "<A HREF=" links of a line (searched in upperLine, its ASCII upper-cased
// copy; taken from line), in order. The character after "=" is taken to be the opening quotation
// mark whatever it is; the target runs to the next quotation mark or to the end of the line.
std::vector<std::string> linkTargets(std::string_view line, std::string_view upperLine);

// True when the target, upper-cased, ends with ".HTM" or ".HTML".
bool isPageTarget(std::string_view target);

// True when the target opens with a scheme: an ASCII letter, then letters, digits, "+", "-" or
// ".", up to a ":" ("http:", "mailto:"...).
bool startsWithScheme(std::string_view target);

// The path a link target leads to from a page in pageFolder: a target opening with one "/" is
// read from topFolder, the site's root; the path comes normalised (normalizePath). Empty for a
// target on another host ("//...") or with a scheme ("http:", "file:", "mailto:"...), and for
// one that climbs above "/".
std::string linkedPath(std::string_view target, const std::string& pageFolder,
                       const std::string& topFolder);

} // namespace solvina
