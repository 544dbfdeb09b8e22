// Keeping and restoring runs.
#include "apply/run_undo.h"

#include "apply/site_plan.h"
#include "platform/folder_stream.h"
#include "platform/kept_files.h"
#include "platform/paths.h"
#include "platform/thread_priority.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <system_error>

namespace solvina {

namespace {

constexpr const char* kManifestName = "manifest.json";
// Left in a run's folder once none of its kept files shares a file with a page: later runs
// need not look at each of them again.
constexpr const char* kFinishedMarkName = "finished";
// Ends the name a record's folder takes while it is deleted: a folder is a record only under
// its run's id, so a kill halfway leaves no record with some of its kept files gone.
constexpr const char* kDeletingSuffix = ".deleting";

std::string twoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// A sortable id (UTC, microseconds) and the local time shown for it.
std::pair<std::string, std::string> runIdAndTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() %
        1000000;
    std::tm utc{}, local{};
    gmtime_r(&seconds, &utc);
    localtime_r(&seconds, &local);
    std::string microText = std::to_string(micros);
    microText.insert(0, 6 - microText.size(), '0');
    const std::string id = std::to_string(utc.tm_year + 1900) + twoDigits(utc.tm_mon + 1) +
                           twoDigits(utc.tm_mday) + "-" + twoDigits(utc.tm_hour) +
                           twoDigits(utc.tm_min) + twoDigits(utc.tm_sec) + "-" + microText;
    const std::string time = std::to_string(local.tm_year + 1900) + "-" +
                             twoDigits(local.tm_mon + 1) + "-" + twoDigits(local.tm_mday) + " " +
                             twoDigits(local.tm_hour) + ":" + twoDigits(local.tm_min) + ":" +
                             twoDigits(local.tm_sec);
    return {id, time};
}

// The folder and those above it that are missing, made private to the user.
Status makeFolders(FileSystem& fs, const std::string& folder) {
    const std::string path = withoutTrailingSlash(folder);
    if (path.empty() || fs.isDirectory(path))
        return {};
    if (auto above = makeFolders(fs, containingFolder(path)); !above)
        return above;
    if (auto made = fs.makeFolder(path); !made && !fs.isDirectory(path))
        return made;
    return {};
}

// Where page i of a run's record is kept, in its folder.
std::string keptPageName(std::size_t i) {
    return "pages/" + std::to_string(i);
}

// Gives each page file kept in a run's folder that still has a second name a file of its own
// (a page not replaced shares its file with the kept one: the next run would take it for a page
// with a second name, and an edit of the page would change what undo puts back). True when every
// kept page has its own file now.
bool unshareKeptPages(const std::string& runFolder) {
    const std::string keptPages = joinPath(runFolder, "pages");
    auto names = folderEntryNames(keptPages);
    if (!names)
        return false;
    bool allOwn = true;
    for (const std::string& name : *names)
        allOwn = unshareFile(joinPath(keptPages, name)) && allOwn;
    return allOwn;
}

// The manifests of the undo folder's runs, one at a time: a run of many pages is large.
template <typename Visit>
void forEachManifest(FileSystem& fs, const std::string& undoFolder, Visit visit) {
    auto folders = fs.listSubfolders(withoutTrailingSlash(undoFolder));
    if (!folders)
        return;
    for (const std::string& folder : *folders)
        visit(folder, joinPath(folder, kManifestName));
}

// The beginning of a manifest, up to its list of pages (or all of it, when shorter).
std::string manifestHeadBytes(FileSystem& fs, const std::string& path) {
    constexpr std::size_t kChunk = std::size_t{16} * 1024;
    std::string bytes;
    auto input = fs.openForReading(path);
    if (!input)
        return bytes;
    for (;;) {
        const std::size_t old = bytes.size();
        bytes.resize(old + kChunk);
        auto got = (*input)->read(bytes.data() + old, kChunk);
        bytes.resize(old + (got ? *got : 0));
        if (!got || *got == 0 ||
            bytes.find("\"pages\":", old > 16 ? old - 16 : 0) != std::string::npos)
            return bytes;
    }
}

// Deletes the record in folder (no trailing slash) as a whole; the next run sweeps what a kill
// halfway leaves.
void deleteRecord(FileSystem& fs, const std::string& folder) {
    const std::string deleting = folder + kDeletingSuffix;
    const bool renamed = static_cast<bool>(renameKeptFolder(folder, deleting));
    // The new name is on the disk before the first file goes: a power cut halfway leaves a
    // folder that is nobody's record, not a record with files missing.
    if (renamed)
        (void)fs.syncFolder(folderPart(folder));
    (void)fs.deleteFolder(renamed ? deleting : folder, true);
}

// A real folder, not a link to one: a link leading out of the site is neither copied nor
// deleted through.
bool isRealFolder(FileSystem& fs, const std::string& path) {
    auto entry = fs.entryStatus(path);
    return entry && entry->kind == EntryKind::Directory;
}

// The quibrel files the run created removed, those it replaced put back, each only when it
// holds what the run wrote (or with force); then the folders it created, when empty.
void restoreQuibrel(FileSystem& fs, const std::string& runFolder, const KeptRun& run, bool force,
                    UndoOutcome& outcome, const std::function<void(const std::string&)>& restoring,
                    const std::function<void(const std::string&)>& failed) {
    for (const KeptPage& file : run.quibrelFiles) {
        // Every digest taken here is of the kind the run recorded.
        const DigestKind kind = digestKindOf(file.digest);
        auto now = fileDigest(file.path, kind);
        const bool created = file.kept.empty();
        if (created && !now)
            continue; // never written, or removed already
        restoring(file.path);
        std::optional<std::string> keptDigestText;
        if (!created) {
            auto keptDigest = fileDigest(runFolder + file.kept, kind);
            if (!keptDigest) {
                ++outcome.failures;
                failed(keptDigest.error());
                continue;
            }
            keptDigestText = keptDigest->digest;
        }
        if (now && keptDigestText && now->digest == *keptDigestText) {
            ++outcome.restored;
            continue;
        }
        if (!force && (!now || now->digest != file.digest)) {
            ++outcome.refused;
            failed(kPageChangedSinceRunText + ("（" + file.path + "）"));
            continue;
        }
        Status status =
            created ? fs.removeFile(file.path) : restoreFile(runFolder + file.kept, file.path);
        if (!status) {
            ++outcome.failures;
            failed(status.error());
            continue;
        }
        ++outcome.restored;
    }
    for (std::size_t i = run.quibrelFolders.size(); i-- > 0;) {
        const std::string& folder = run.quibrelFolders[i];
        auto names = folderEntryNames(folder);
        if (names && names->empty() && isRealFolder(fs, folder))
            (void)fs.deleteFolder(folder, false);
    }
}

std::string topPageKey(FileSystem& fs, const std::string& topPage) {
    auto real = fs.realPath(topPage);
    return real ? *real : topPage;
}

} // namespace

std::string optionsText(const ApplyOptions& options) {
    std::string text;
    auto add = [&](bool on, const std::string& option) {
        if (on)
            text += (text.empty() ? "" : " ") + option;
    };
    add(!options.insertAtTop, "--no-top");
    add(options.insertAtBottom, "--bottom");
    add(options.addRule, "--rule");
    add(!options.linkTitles, "--no-title-links");
    add(options.skipTopPage, "--skip-top-page");
    add(options.useTopPageTitle, "--top-title " + options.topPageTitle);
    add(options.linkHeader, "--header-link " + options.headerLink);
    add(options.linkFooter, "--footer-link " + options.footerLink);
    add(options.hierarchy == Hierarchy::Shortest, "--hierarchy shortest");
    add(options.maxPages != ApplyOptions().maxPages,
        "--max-pages " + std::to_string(options.maxPages));
    add(options.maxLevel != ApplyOptions().maxLevel,
        "--max-level " + std::to_string(options.maxLevel));
    add(options.markup == Markup::Nav, "--markup nav");
    add(!options.jsonLdBase.empty(), "--json-ld " + options.jsonLdBase);
    return text;
}

RunKeeper::RunKeeper(FileSystem& fs, UndoSettings settings, const ApplyOptions& options)
    : m_fs(fs), m_settings(std::move(settings)) {
    m_run.topPage = topPageKey(fs, options.topPagePath);
    m_run.kind = options.eraseAll ? "erase" : "apply";
    m_run.options = optionsText(options);
    m_run.quibrel = folderPart(options.topPagePath) + "quibrel";
}

RunKeeper::~RunKeeper() {
    if (m_deleting.joinable())
        m_deleting.join();
}

Status RunKeeper::begin(const std::string& styleFolder, const std::string& styleName) {
    if (m_settings.folder.empty())
        return {};
    // A run that keeps none records nothing and needs no place for it; the site's earlier runs
    // go when it ends.
    const bool keepsNone = m_settings.keep <= 0;
    if (!keepsNone)
        if (auto made = makeFolders(m_fs, m_settings.folder); !made)
            return made;
    forEachManifest(
        m_fs, m_settings.folder, [&](const std::string& folder, const std::string& manifest) {
            if (withoutTrailingSlash(folder).ends_with(kDeletingSuffix)) {
                m_halfDeleted.push_back(folder); // of any site's run: no one's record now
                return;
            }
            auto head = parseManifest(manifestHeadBytes(m_fs, manifest), ManifestPart::Head);
            if (!head || head->topPage != m_run.topPage ||
                head->id != fileNamePart(withoutTrailingSlash(folder)))
                return;
            m_earlierRuns.push_back(head->id);
            if (m_fs.exists(joinPath(folder, kFinishedMarkName)))
                return;
            // A run that did not finish (killed, or a copy failed), also a file kept before its
            // record named it.
            (void)unshareKeptPages(folder);
        });
    std::sort(m_earlierRuns.rbegin(), m_earlierRuns.rend());
    if (keepsNone) {
        startDeletingOldRuns();
        return {};
    }
    auto [id, time] = runIdAndTime();
    m_run.id = id;
    m_run.time = time;
    m_runFolder = m_settings.folder + id + "/";
    if (auto made = m_fs.makeFolder(m_runFolder); !made)
        return made;
    if (auto made = m_fs.makeFolder(m_runFolder + "pages"); !made)
        return made;
    m_active = true;
    if (!styleFolder.empty()) {
        if (auto made = m_fs.makeFolder(m_runFolder + "quibrel"); !made)
            return made;
        const std::string source = withoutTrailingSlash(styleFolder);
        if (auto kept = keepQuibrel(source, m_run.quibrel, joinPath(source, styleName + ".sty"), 0);
            !kept)
            return kept;
        if (auto synced = m_fs.syncFolder(m_runFolder + "quibrel"); !synced)
            return synced;
    }
    if (auto written = writeManifest({}, {}, {}); !written)
        return written;
    // A record that holds quibrel files or folders stays whatever the pages come to.
    if (!m_run.quibrelFiles.empty() || !m_run.quibrelFolders.empty())
        startDeletingOldRuns();
    return {};
}

// Walks the style folder as copying it does (links followed, only files and folders).
Status RunKeeper::keepQuibrel(const std::string& source, const std::string& target,
                              const std::string& skipped, int depth) {
    constexpr int kMaxFolderDepth = 64; // folder links can make the tree endless
    if (depth > kMaxFolderDepth)
        return {};
    if (!m_fs.exists(target))
        m_run.quibrelFolders.push_back(target);
    auto names = folderEntryNames(source);
    if (!names)
        return {}; // the copy itself reports it
    for (const std::string& name : *names) {
        const std::string from = joinPath(source, name);
        const std::string to = joinPath(target, name);
        if (m_fs.isDirectory(from)) {
            if (auto kept = keepQuibrel(from, to, skipped, depth + 1); !kept)
                return kept;
            continue;
        }
        if (from == skipped || !m_fs.isRegularFile(from))
            continue;
        auto digest = fileDigest(from);
        if (!digest)
            continue; // unreadable: the copy reports it
        std::string kept;
        if (m_fs.exists(to)) {
            kept = "quibrel/" + std::to_string(m_run.quibrelFiles.size());
            // Always a copy: the image copy rewrites an existing file in place.
            if (auto status = keepFile(to, m_runFolder + kept, false); !status)
                return status;
        }
        m_run.quibrelFiles.push_back({to, kept, digest->size, digest->digest});
    }
    return {};
}

Status RunKeeper::writeManifest(const std::vector<const PlannedPage*>& pages,
                                const std::vector<std::size_t>& numbers,
                                const std::vector<WrittenDigest>& digests) {
    const std::string path = m_runFolder + kManifestName;
    const std::string temporary = path + ".tmp";
    auto written = [&]() -> Status {
        auto out = m_fs.createFile(temporary);
        if (!out)
            return std::move(out).takeError();
        if (auto status = (*out)->write(manifestHead(m_run)); !status)
            return status;
        // Each page written down in turn: the record of a large run is never held whole.
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const PlannedPage& page = *pages[i];
            const FileDigest digest = digests[i].text();
            if (auto status = (*out)->write(manifestEntry(
                    {page.realPath(), keptPageName(numbers[i]), digest.size, digest.digest}, i));
                !status)
                return status;
        }
        if (auto status = (*out)->write(manifestEnd(pages.size())); !status)
            return status;
        return (*out)->close();
    }();
    if (!written) {
        (void)m_fs.removeFile(temporary);
        return written;
    }
    if (!pages.empty())
        if (auto synced = m_fs.syncFolder(m_runFolder + "pages"); !synced)
            return synced;
    if (auto synced = m_fs.syncFiles({temporary}); !synced)
        return synced;
    if (!m_fs.exists(path)) {
        if (auto created = m_fs.writeWholeFile(path, ""); !created)
            return created;
    }
    if (auto renamed = m_fs.replaceFile(temporary, path); !renamed)
        return renamed;
    return m_fs.syncFolder(m_runFolder);
}

Status RunKeeper::keepPage(const std::string& realPath, std::size_t number) const {
    if (!m_active)
        return {};
    return keepFile(realPath, m_runFolder + keptPageName(number), m_settings.mayLink);
}

void RunKeeper::dropPages(const std::vector<std::size_t>& numbers) const {
    if (!m_active)
        return;
    for (std::size_t number : numbers)
        (void)m_fs.removeFile(m_runFolder + keptPageName(number));
}

Status RunKeeper::keepPages(const std::vector<const PlannedPage*>& pages,
                            const std::vector<std::size_t>& numbers,
                            const std::vector<WrittenDigest>& written) {
    if (!m_active)
        return {};
    if (auto status = writeManifest(pages, numbers, written); !status)
        return status;
    m_keptPages = pages;
    m_keptNumbers = numbers;
    if (!pages.empty())
        startDeletingOldRuns();
    return {};
}

void RunKeeper::startDeletingOldRuns() {
    if (m_deletingStarted || !m_fs.allowsConcurrentUse())
        return;
    m_deletingStarted = true;
    // This run's record, when there is one, takes one of the places kept.
    const int places = m_active ? m_settings.keep - 1 : 0;
    const std::size_t kept = static_cast<std::size_t>(std::max(0, places));
    std::vector<std::string> records;
    for (std::size_t i = kept; i < m_earlierRuns.size(); ++i)
        records.push_back(m_settings.folder + m_earlierRuns[i]);
    if (records.empty() && m_halfDeleted.empty())
        return;
    // Deleting a record of a thousand pages takes about as long as writing them does; beside
    // the run it takes what its threads leave of the processors. A thread the system refuses
    // leaves the deleting to the end of the run.
    try {
        m_deleting = std::thread([this, records = std::move(records)] {
            lowerThisThreadsPriority();
            for (const std::string& folder : m_halfDeleted)
                (void)m_fs.deleteFolder(folder, true);
            for (const std::string& folder : records)
                deleteRecord(m_fs, folder);
        });
    } catch (const std::system_error&) {
    }
}

bool RunKeeper::unshareKept() const {
    if (m_replaced.size() != m_keptPages.size())
        return unshareKeptPages(m_runFolder);
    // A page replaced had one name when planned (a page with more is not rewritten): its old
    // file is the kept one's alone now.
    bool allOwn = true;
    for (std::size_t i = 0; i < m_replaced.size(); ++i)
        if (!m_replaced[i])
            allOwn = unshareFile(m_runFolder + keptPageName(m_keptNumbers[i])) && allOwn;
    return allOwn;
}

void RunKeeper::finish() {
    if (m_settings.folder.empty())
        return;
    if (m_active) {
        if (m_keptPages.empty() && m_run.quibrelFiles.empty() && m_run.quibrelFolders.empty())
            deleteRecord(m_fs, withoutTrailingSlash(m_runFolder));
        // A page whose rename failed still shares its kept file. The copies are on the disk
        // before the mark: a mark that outlived one in a power cut would spare a shared file
        // the next run's look.
        else if (unshareKept() && m_fs.syncFolder(m_runFolder + "pages"))
            (void)m_fs.writeWholeFile(m_runFolder + kFinishedMarkName, "");
    }
    if (m_deleting.joinable())
        m_deleting.join();
    // Left when no thread could take them.
    for (const std::string& folder : m_halfDeleted)
        if (m_fs.exists(folder))
            (void)m_fs.deleteFolder(folder, true);
    // The site's runs from the beginnings of their records, newest first.
    std::vector<std::string> ids;
    forEachManifest(
        m_fs, m_settings.folder, [&](const std::string& folder, const std::string& manifest) {
            auto head = parseManifest(manifestHeadBytes(m_fs, manifest), ManifestPart::Head);
            if (head && head->topPage == m_run.topPage &&
                head->id == fileNamePart(withoutTrailingSlash(folder)))
                ids.push_back(head->id);
        });
    std::sort(ids.rbegin(), ids.rend());
    const std::size_t keep = static_cast<std::size_t>(std::max(0, m_settings.keep));
    for (std::size_t i = keep; i < ids.size(); ++i)
        deleteRecord(m_fs, m_settings.folder + ids[i]);
}

std::vector<KeptRun> keptRuns(FileSystem& fs, const std::string& undoFolder,
                              const std::string& topPage) {
    std::vector<KeptRun> runs;
    auto folders = fs.listSubfolders(withoutTrailingSlash(undoFolder));
    if (!folders)
        return runs;
    const std::string key = topPageKey(fs, topPage);
    for (const std::string& folder : *folders) {
        auto json = fs.readWholeFile(joinPath(folder, kManifestName));
        if (!json)
            continue;
        auto run = parseManifest(*json);
        if (run && run->topPage == key && run->id == fileNamePart(withoutTrailingSlash(folder)))
            runs.push_back(std::move(*run));
    }
    std::sort(runs.begin(), runs.end(),
              [](const KeptRun& a, const KeptRun& b) { return a.id > b.id; });
    return runs;
}

std::uint64_t keptRunSpace(const std::string& undoFolder, const KeptRun& run) {
    return folderSpace(undoFolder + run.id);
}

Result<UndoOutcome> undoRun(FileSystem& fs, const std::string& undoFolder,
                            const std::string& topPage, const std::string& runId, bool force,
                            const std::function<void(const std::string&)>& restoring,
                            const std::function<void(const std::string&)>& failed,
                            const std::atomic<bool>* stop) {
    const auto runs = keptRuns(fs, undoFolder, topPage);
    auto chosen = std::find_if(runs.begin(), runs.end(), [&](const KeptRun& run) {
        return runId.empty() || run.id == runId;
    });
    if (chosen == runs.end())
        return fail(runId.empty() ? kNoKeptRunMessage : kNoKeptRunMessage + ("（" + runId + "）"));
    const KeptRun& run = *chosen;
    const std::string runFolder = undoFolder + run.id + "/";
    UndoOutcome outcome;
    for (const KeptPage& page : run.pages) {
        if (stopAsked(stop)) {
            outcome.stopped = true;
            return outcome;
        }
        restoring(page.path);
        const std::string kept = runFolder + page.kept;
        const DigestKind kind = digestKindOf(page.digest);
        auto keptDigest = fileDigest(kept, kind);
        if (!keptDigest) {
            ++outcome.failures;
            failed(keptDigest.error());
            continue;
        }
        auto now = fileDigest(page.path, kind);
        // Back already: a run killed before its rename, or an undo killed after this page.
        if (now && now->digest == keptDigest->digest) {
            ++outcome.restored;
            continue;
        }
        if (!force && (!now || now->digest != page.digest)) {
            ++outcome.refused;
            failed(kPageChangedSinceRunText + ("（" + page.path + "）"));
            continue;
        }
        if (auto status = restoreFile(kept, page.path); !status) {
            ++outcome.failures;
            failed(status.error());
            continue;
        }
        ++outcome.restored;
    }
    // The temporary files a run killed before its renames left hold what the run wrote.
    for (const KeptPage& page : run.pages) {
        const std::string temporary = page.path + ".tmp";
        if (auto digest = fileDigest(temporary, digestKindOf(page.digest));
            digest && digest->digest == page.digest)
            (void)fs.removeFile(temporary);
    }
    restoreQuibrel(fs, runFolder, run, force, outcome, restoring, failed);
    if (outcome.refused > 0 || outcome.failures > 0)
        return outcome; // the run stays kept, for --force or another try
    deleteRecord(fs, withoutTrailingSlash(runFolder));
    return outcome;
}

} // namespace solvina
