// The top page of a run as the run uses it: absolute, its path normalised.
#pragma once

#include <string>

namespace solvina {

// A typed top page made absolute against the current folder and normalised; empty stays empty
// (the start check then asks for a top page).
std::string absoluteTopPage(const std::string& typed);

} // namespace solvina
