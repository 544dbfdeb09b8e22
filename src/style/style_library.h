// The style library: one folder per style beside the program. Lists, creates, deletes, loads
// and saves styles, and asks about unsaved changes on leaving. Talks to the user only through
// Dialogs, so the window and the tests drive the same code.
#pragma once

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "style/breadcrumb_style.h"

#include <optional>
#include <string>
#include <vector>

namespace solvina {

enum class ExitDecision { Close, StayOpen };
// Whether the editor may take another style (Switch) or keeps the one it holds (Stay).
enum class SwitchDecision { Switch, Stay };

class StyleLibrary {
public:
    StyleLibrary(FileSystem& fs, Dialogs& dialogs, std::string libraryFolder);

    const std::string& libraryFolder() const { return m_libraryFolder; }

    // Quibrel_Load: the style names, sorted. A missing library folder is created first; when
    // that fails the list is empty and the failure message says why.
    std::vector<std::string> Quibrel_Load();

    // Create: asks for the name; returns the name of the created style (the caller refills
    // its list with Quibrel_Load and selects and loads it), nullopt when nothing was created.
    std::optional<std::string> create();

    // Delete the selected style (nullopt: nothing selected). Returns true when the list must be
    // refilled (the style was deleted, or the folder was gone already).
    bool remove(const std::optional<std::string>& selected);

    // Reads the named style into style (styleName set); shows the wrong-header or failure
    // message. True when the whole file was read. After a failed read the style has no name,
    // so that nothing read from elsewhere can be saved under the name of a file never read.
    bool load(const std::string& name, BreadcrumbStyle& style);

    // Saves style into its folder with its images. True on success.
    bool save(BreadcrumbStyle& style);

    // styleLoaded in the two questions below: the editor holds style as read whole from its
    // file (never after a failed read, a delete or a refill of the list). Only such a style
    // is asked about, named, or saved.

    // The unsaved-change question when the main window is about to close. Yes saves (and
    // closes, also when the save failed).
    ExitDecision exitPrompt(bool styleLoaded, BreadcrumbStyle& style);

    // The same question before the editor takes another style (or a new one): Yes saves and
    // switches, but stays when the save failed, so the edits are not lost; No switches and
    // drops the edits; Cancel stays.
    SwitchDecision switchPrompt(bool styleLoaded, BreadcrumbStyle& style);

private:
    // Yes, No or Cancel to the question about style's changes; Ok when there is nothing to ask.
    Answer askAboutChanges(bool styleLoaded, const BreadcrumbStyle& style, const char* question);

    FileSystem& m_fs;
    Dialogs& m_dialogs;
    std::string m_libraryFolder;
};

} // namespace solvina
