// The commands of solvina-cli, one function each. Each takes the arguments after its name and
// returns the exit code: 0 done, 1 failed while working, 2 usage error or unreadable input.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace solvina {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// list [--library DIR] [--verbose]: the style names, one per line, sorted; --verbose first
// prints the library, the preview page and the help page.
int runListCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
// preview [--library DIR] --style NAME [--out FILE] [--markup FORM]: writes the style's
// preview page in the form given (table by default).
int runPreviewCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err);

// apply [OPTIONS] --style NAME TOP_PAGE: the apply run. Exit 1 when a page failed.
int runApplyCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);
// erase [OPTIONS] --style NAME TOP_PAGE: the erase-all run.
int runEraseCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);

// undo [--list] [--run ID] [--force] TOP_PAGE: lists the kept runs of the site, newest first, or
// restores the newest (or the given) one. Exit 1 when a page was refused or failed.
int runUndoCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Writes a usage error and the usage text; returns kExitUsage.
int usageError(std::ostream& err, const std::string& message);
// Writes "エラーが発生しました。" and the description on the next line.
void writeFailure(std::ostream& err, const std::string& description);

} // namespace solvina
