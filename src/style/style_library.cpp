// The style library's list, create, delete, load and the unsaved-change question on leaving.
#include "style/style_library.h"

#include "platform/messages.h"
#include "platform/paths.h"
#include "style/style_file.h"
#include "style/style_library_paths.h"

#include <algorithm>
#include <utility>

namespace solvina {

namespace {

constexpr const char* kUnknownEntryMessage = "原因不明のエラー発生。";
constexpr const char* kCreatePrompt = "新しく作るクイブレルスタイルの名前を決めてください。";
constexpr const char* kNameUsedMessage = "同じ名前のクイブレルスタイルがすでに存在しています。\r\n"
                                         "新規作成に失敗しました。";
constexpr const char* kNothingSelectedMessage = "削除するクイブレルスタイルを選択してください。";
constexpr const char* kDeleteStoppedMessage = "削除を中止しました。";
constexpr const char* kSaveBeforeExitQuestion = "保存してから終了しますか？";
constexpr const char* kSaveBeforeSwitchQuestion = "保存しますか？";

std::string bracketed(const std::string& name) {
    return "クイブレルスタイル【" + name + "】";
}

} // namespace

StyleLibrary::StyleLibrary(FileSystem& fs, Dialogs& dialogs, std::string libraryFolder)
    : m_fs(fs), m_dialogs(dialogs), m_libraryFolder(std::move(libraryFolder)) {}

std::vector<std::string> StyleLibrary::Quibrel_Load() {
    const std::string folder = withoutTrailingSlash(m_libraryFolder);
    if (!m_fs.isDirectory(folder)) {
        Status made = m_fs.makeFolder(folder);
        if (!made) {
            showFailure(m_dialogs, made.error());
            return {};
        }
    }
    Result<std::vector<std::string>> entries = m_fs.listSubfolders(folder);
    if (!entries) {
        showFailure(m_dialogs, entries.error());
        return {};
    }
    std::vector<std::string> names;
    for (const std::string& entry : *entries) {
        // A folder list gives full paths; an entry without a separator only guards against
        // a listing gone wrong, and is skipped.
        const std::string path = withoutTrailingSlash(entry);
        if (FLH(path)) {
            m_dialogs.messageBox(kUnknownEntryMessage, kRefusedTitle, MessageButtons::Ok);
            continue;
        }
        names.push_back(fileNamePart(path));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> StyleLibrary::create() {
    std::optional<std::string> answer = m_dialogs.inputBox(kCreatePrompt, kProgramTitle);
    if (!answer || answer->empty())
        return std::nullopt;
    const std::string& name = *answer;
    // A name that is not one plain folder name would make a folder outside the library.
    if (Status usable = checkStyleName(name); !usable) {
        showFailure(m_dialogs, usable.error());
        return std::nullopt;
    }
    const std::string folder = withTrailingSlash(m_libraryFolder) + name;
    if (m_fs.exists(folder)) {
        m_dialogs.messageBox(kNameUsedMessage, kRefusedTitle, MessageButtons::Ok);
        return std::nullopt;
    }
    if (Status made = m_fs.makeFolder(folder); !made) {
        showFailure(m_dialogs, made.error());
        return std::nullopt;
    }
    if (Status written = writeDefaultStyleFile(m_fs, styleFilePath(m_libraryFolder, name));
        !written) {
        showFailure(m_dialogs, written.error());
        return std::nullopt;
    }
    m_dialogs.messageBox(bracketed(name) + "を作成しました。", kDoneTitle, MessageButtons::Ok);
    return name;
}

bool StyleLibrary::remove(const std::optional<std::string>& selected) {
    if (!selected || selected->empty()) {
        m_dialogs.messageBox(kNothingSelectedMessage, kRefusedTitle, MessageButtons::Ok);
        return false;
    }
    const std::string& name = *selected;
    // Never let an odd name turn the removal onto the library itself or beyond it.
    if (Status usable = checkStyleName(name); !usable) {
        showFailure(m_dialogs, usable.error());
        return false;
    }
    Answer answer = m_dialogs.messageBox(bracketed(name) + "を本当に削除しますか？", kQuestionTitle,
                                         MessageButtons::YesNo);
    if (answer != Answer::Yes) {
        m_dialogs.messageBox(kDeleteStoppedMessage, kDoneTitle, MessageButtons::Ok);
        return false;
    }
    const std::string folder = withTrailingSlash(m_libraryFolder) + name;
    if (m_fs.exists(folder)) {
        if (Status removed = m_fs.deleteFolder(folder, true); !removed) {
            showFailure(m_dialogs, removed.error());
            return false;
        }
    }
    m_dialogs.messageBox(bracketed(name) + "を削除しました。", kDoneTitle, MessageButtons::Ok);
    return true;
}

bool StyleLibrary::load(const std::string& name, BreadcrumbStyle& style) {
    // The list shows the chosen name whether or not the read succeeds.
    style.styleName = name;
    if (Status usable = checkStyleName(name); !usable) {
        showFailure(m_dialogs, usable.error());
        style.styleName.clear();
        return false;
    }
    StyleReadResult read = readStyleFile(m_fs, styleFilePath(m_libraryFolder, name), style);
    switch (read.outcome) {
    case StyleReadResult::Outcome::Loaded:
        return true;
    case StyleReadResult::Outcome::WrongHeader:
        m_dialogs.messageBox(kWrongHeaderMessage, kRefusedTitle, MessageButtons::Ok);
        break;
    case StyleReadResult::Outcome::Failed:
        showFailure(m_dialogs, read.description);
        break;
    }
    style.styleName.clear();
    return false;
}

Answer StyleLibrary::askAboutChanges(bool styleLoaded, const BreadcrumbStyle& style,
                                     const char* question) {
    if (!styleLoaded || style.styleName.empty() || !style.isModified())
        return Answer::Ok;
    return m_dialogs.messageBox("クイブレルスタイル「" + style.styleName +
                                    "」は変更されています。\r\n" + question,
                                kQuestionTitle, MessageButtons::YesNoCancel);
}

ExitDecision StyleLibrary::exitPrompt(bool styleLoaded, BreadcrumbStyle& style) {
    switch (askAboutChanges(styleLoaded, style, kSaveBeforeExitQuestion)) {
    case Answer::Yes:
        save(style); // the window closes even when the save failed
        return ExitDecision::Close;
    case Answer::Ok:
    case Answer::No:
        return ExitDecision::Close;
    default:
        return ExitDecision::StayOpen;
    }
}

SwitchDecision StyleLibrary::switchPrompt(bool styleLoaded, BreadcrumbStyle& style) {
    switch (askAboutChanges(styleLoaded, style, kSaveBeforeSwitchQuestion)) {
    case Answer::Yes:
        return save(style) ? SwitchDecision::Switch : SwitchDecision::Stay;
    case Answer::Ok:
    case Answer::No:
        return SwitchDecision::Switch;
    default:
        return SwitchDecision::Stay;
    }
}

} // namespace solvina
