// Where the program finds its own files: beside the executable in a build folder, in the
// user's XDG folders once installed.
#pragma once

#include "platform/result.h"

#include <string>

namespace solvina {

// The help page F1 opens, in AppFolders::data.
inline constexpr const char* kHelpFileName = "help.html";

// The folders the program reads and writes, each ending in "/".
struct AppFolders {
    std::string library; // the style library, one sub-folder per style
    std::string cache;   // pre.html
    std::string data;    // help.html and the sample library "styledata/" shipped with the program

    // The build-folder layout: everything in one folder.
    static AppFolders beside(const std::string& folder);
};

// What decides the folders, as found on the running system.
struct AppPathFacts {
    std::string executableFolder; // ends in "/"
    bool executableFolderWritable = true;
    bool shareFolderExists = false; // executableFolder + "../share/solvina/"
    std::string home;               // $HOME, else the password database's entry
    std::string xdgDataHome;        // empty when unset
    std::string xdgCacheHome;       // empty when unset
};

// An installed program (run from /usr/bin, from a bin/ folder with its share/solvina/ beside
// it, or from a folder it may not write) keeps the user's files in the XDG folders; a program
// in its build folder keeps everything beside the executable.
AppFolders appFoldersFor(const AppPathFacts& facts);
AppPathFacts runningAppPathFacts();
// The folders of the running program, decided once.
const AppFolders& appFolders();

// Makes the cache folder, and on first start the style library with a copy of the sample
// styles of data + "styledata/". A library folder that exists is left as it is, and so is
// the build-folder layout, whose library is the shipped one.
Status prepareAppFolders(const AppFolders& folders);

// The folder of kept runs, ending in "/": $XDG_STATE_HOME/solvina/undo/, by default
// ~/.local/state/solvina/undo/, wherever the program runs from.
std::string undoFolderFor(const std::string& xdgStateHome, const std::string& home);
std::string runningUndoFolder();

// The folder of the running executable, ending in "/".
std::string applicationDirectory();

} // namespace solvina
