// The save of a style: the new content of the style folder is built in its work folder "tmp"
// (style file and the images the rows use), then replaces the files of the style folder.
#include "style/style_library.h"

#include "platform/messages.h"
#include "platform/paths.h"
#include "style/style_file.h"
#include "style/style_library_paths.h"

#include <array>

namespace solvina {

namespace {

// What a save changes in the style itself before the style folder is touched.
struct SavedFields {
    std::array<SnapshotValue, kSnapshotSlots> snapshot;
    std::array<std::string, kRowCount> imageFiles;

    explicit SavedFields(const BreadcrumbStyle& style) : snapshot(style.snapshot) {
        for (int i = 0; i < kRowCount; ++i)
            imageFiles[i] = style.rows[i].imageFile;
    }
    void restoreInto(BreadcrumbStyle& style) const {
        style.snapshot = snapshot;
        for (int i = 0; i < kRowCount; ++i)
            style.rows[i].imageFile = imageFiles[i];
    }
};

// Copies the row's image into the work folder (a picked one from its path, a saved one from
// the style folder) and reduces a picked image's reference to its bare name.
Status copyRowImage(FileSystem& fs, StyleRow& row, const std::string& folder,
                    const std::string& work) {
    const bool saved = FLH(row.imageFile);
    const std::string name = saved ? row.imageFile : fileNamePart(row.imageFile);
    // "tmp" would land on the work folder itself when copied back into the style folder.
    if (name.empty() || name == "tmp")
        return fail("画像ファイル「" + row.imageFile + "」はこの名前のままでは保存できません。");
    const std::string source = saved ? folder + row.imageFile : row.imageFile;
    if (Status copied = fs.copyFile(source, work); !copied)
        return copied;
    row.imageFile = name;
    return fs.setNormalAttributes(work + name);
}

// Steps 1 to 4: the complete new content of the style folder in the work folder. The style
// folder itself is not touched yet.
Status buildWorkFolder(FileSystem& fs, const std::string& libraryFolder, BreadcrumbStyle& style) {
    const std::string folder = styleFolder(libraryFolder, style.styleName);
    const std::string work = workFolder(libraryFolder, style.styleName);
    if (!fs.isDirectory(withoutTrailingSlash(folder))) {
        if (Status made = fs.makeFolder(withoutTrailingSlash(folder)); !made)
            return made;
    }
    const std::string workPath = withoutTrailingSlash(work);
    if (fs.exists(workPath)) {
        // Left behind by a failed save; a file of that name is not ours to remove.
        if (!fs.isDirectory(workPath))
            return fail("作業フォルダ「" + workPath + "」と同じ名前のファイルがあります。");
        if (Status removed = fs.deleteFolder(workPath, true); !removed)
            return removed;
    }
    if (Status made = fs.makeFolder(workPath); !made)
        return made;
    // Row order matters: of two images with the same name, the later row's copy stays.
    for (StyleRow& row : style.rows) {
        if (row.imageFile.empty())
            continue;
        if (Status copied = copyRowImage(fs, row, folder, work); !copied)
            return copied;
    }
    return writeStyleFile(fs, work + style.styleName + ".sty", style);
}

// Steps 5 to 7: the style folder's files give way to those of the work folder; sub-folders
// stay.
Status replaceStyleFolderFiles(FileSystem& fs, const std::string& libraryFolder,
                               const std::string& name) {
    const std::string folder = styleFolder(libraryFolder, name);
    const std::string work = workFolder(libraryFolder, name);
    // "*.*" matching no file counts as a failure of the delete, which would make a style
    // folder emptied by hand impossible to save into: the new style file goes in first then.
    if (!fs.isRegularFile(folder + name + ".sty")) {
        if (Status copied = fs.copyFile(work + name + ".sty", folder); !copied)
            return copied;
    }
    if (Status deleted = fs.deleteFile(folder + "*.*", true); !deleted)
        return deleted;
    if (Status copied = fs.copyFile(work + "*.*", folder); !copied)
        return copied;
    return fs.deleteFolder(withoutTrailingSlash(work), true);
}

} // namespace

bool StyleLibrary::save(BreadcrumbStyle& style) {
    if (Status usable = checkStyleName(style.styleName); !usable) {
        showFailure(m_dialogs, usable.error());
        return false;
    }
    // A save that fails before the style folder is touched leaves the style as it was: still
    // modified, and picked images still picked, so that the next save can succeed.
    const SavedFields before(style);
    if (Status built = buildWorkFolder(m_fs, m_libraryFolder, style); !built) {
        before.restoreInto(style);
        showFailure(m_dialogs, built.error());
        return false;
    }
    if (Status replaced = replaceStyleFolderFiles(m_fs, m_libraryFolder, style.styleName);
        !replaced) {
        showFailure(m_dialogs, replaced.error());
        return false;
    }
    m_dialogs.messageBox("クイブレルスタイル【" + style.styleName + "】を保存しました。",
                         kDoneTitle, MessageButtons::Ok);
    return true;
}

} // namespace solvina
