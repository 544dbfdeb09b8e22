// Title-image addresses across folders: an address is read from the page that declares it, so
// pages in other folders get it rebased.
#pragma once

#include <string>
#include <string_view>

namespace solvina {

// The address as seen from the top folder, for a page whose level link is levelLink.
// An address with a scheme ("http:", "data:") or a leading "/", and an empty one, stay as given.
std::string titleImageFromTopFolder(std::string_view address, const std::string& levelLink);

// The address stored by titleImageFromTopFolder as written in a page whose prefix (its way
// back to the top folder, "../" per folder) is prefix.
std::string titleImageFromPage(const std::string& stored, const std::string& prefix);

// Removes "." segments and "name/.." pairs from a relative address; leading ".." stay. A query
// or fragment is left as it is.
std::string tidyRelativeAddress(std::string_view address);

} // namespace solvina
