// Taking a run back: a run keeps the old file of every page and quibrel file it replaces in its
// own folder under the undo folder, outside the site; undo puts them back.
#pragma once

#include "apply/apply_types.h"
#include "apply/run_manifest.h"
#include "platform/kept_files.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace solvina {

struct PlannedPage;

inline constexpr const char* kRestoringPrefix = "元に戻しています：";
inline constexpr const char* kUndoDoneMessage = "元に戻しました。";
inline constexpr const char* kUndoIncompleteMessage = "元に戻せなかったページがあります。";
inline constexpr const char* kUndoStoppedMessage =
    "中断しました。残りのページは、もう一度元に戻すと戻ります。";
inline constexpr const char* kNoKeptRunMessage = "元に戻せる実行がありません。";
inline constexpr const char* kPageChangedSinceRunText =
    "ページが実行の後に変更されています。元に戻しませんでした。";

// The recording side, used by one run.
class RunKeeper {
public:
    RunKeeper(FileSystem& fs, UndoSettings settings, const ApplyOptions& options);
    ~RunKeeper();
    RunKeeper(const RunKeeper&) = delete;
    RunKeeper& operator=(const RunKeeper&) = delete;
    // Makes the run folder, and keeps each quibrel file that copying styleFolder (but for the
    // style's own file, styleName + ".sty") will replace, before the run copies it.
    Status begin(const std::string& styleFolder, const std::string& styleName);
    // Keeps the old file of a page about to be replaced, under its number in the plan: on any
    // thread, as soon as the page's new content is written. A run killed before its record
    // names the file is cleaned up by the next run (its record's head is on the disk already).
    Status keepPage(const std::string& realPath, std::size_t number) const;
    // Lets go of the kept files of pages that will not be replaced after all.
    void dropPages(const std::vector<std::size_t>& numbers) const;
    // Records every page about to be replaced (kept under numbers[i] for pages[i]) and the
    // digest of what the run wrote into its temporary file; the manifest is on the disk when it
    // returns.
    Status keepPages(const std::vector<const PlannedPage*>& pages,
                     const std::vector<std::size_t>& numbers,
                     const std::vector<WrittenDigest>& written);
    // Which pages kept (in keepPages's order) their renames replaced: a page not rewritten
    // elsewhere, so its kept file has no other name and needs no look when the run ends.
    void pagesReplaced(std::vector<bool> replaced) { m_replaced = std::move(replaced); }
    // The run is over: a run that kept nothing is dropped, and the oldest runs of the site
    // beyond the number kept are deleted.
    void finish();
    bool active() const { return m_active; }

private:
    // The manifest with the quibrel files and these pages, kept under these numbers.
    Status writeManifest(const std::vector<const PlannedPage*>& pages,
                         const std::vector<std::size_t>& numbers,
                         const std::vector<WrittenDigest>& digests);
    Status keepQuibrel(const std::string& source, const std::string& target,
                       const std::string& skipped, int depth);
    // Gives each kept page that may still share its file with the page a file of its own.
    bool unshareKept() const;
    // Once it is sure how many of the site's earlier runs stay (this run's record stays, or
    // there is none), the others are deleted on a thread of their own while the run goes on;
    // finish() waits for it.
    void startDeletingOldRuns();

    FileSystem& m_fs;
    UndoSettings m_settings;
    KeptRun m_run; // without its pages: they are m_keptPages
    std::vector<const PlannedPage*> m_keptPages;
    std::vector<std::size_t> m_keptNumbers; // the names they are kept under
    std::vector<bool> m_replaced;           // by kept page, when told
    std::string m_runFolder;
    bool m_active = false;
    std::vector<std::string> m_earlierRuns; // the site's runs before this one, newest first
    std::vector<std::string> m_halfDeleted; // records a kill left half deleted
    bool m_deletingStarted = false;
    std::thread m_deleting;
};

// The site's kept runs, newest first.
std::vector<KeptRun> keptRuns(FileSystem& fs, const std::string& undoFolder,
                              const std::string& topPage);
// The bytes a kept run takes.
std::uint64_t keptRunSpace(const std::string& undoFolder, const KeptRun& run);

struct UndoOutcome {
    int restored = 0;
    int refused = 0; // changed since the run, left as they are
    int failures = 0;
    bool stopped = false; // asked to stop: the pages after the last restored are left, kept
};

// Restores the run (the newest when runId is empty): restoring(path) before each page,
// failed(description) for each page refused or failed. A run restored whole is deleted. Once
// stop is set (a signal) no further page is begun; the run stays kept for the next undo.
Result<UndoOutcome> undoRun(FileSystem& fs, const std::string& undoFolder,
                            const std::string& topPage, const std::string& runId, bool force,
                            const std::function<void(const std::string&)>& restoring,
                            const std::function<void(const std::string&)>& failed,
                            const std::atomic<bool>* stop = nullptr);

// The options of a run as command-line options, for the list of kept runs.
std::string optionsText(const ApplyOptions& options);

} // namespace solvina
