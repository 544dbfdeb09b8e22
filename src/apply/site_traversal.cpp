// QuiBREL and the link follower.
#include "apply/site_traversal.h"

#include "apply/line_reader.h"
#include "apply/link_paths.h"
#include "apply/page_opening.h"
#include "apply/page_pass.h"
#include "platform/app_paths.h"
#include "platform/file_failure.h"
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>

namespace solvina {

namespace {

// Pages being read that keep their file open and their bytes in memory: a chain deeper than
// this costs neither descriptors nor memory beyond its plan.
constexpr std::size_t kPagesKeptOpen = 16;
// A page up to this size is kept as read for the writing, when a run writes beside the planning.
constexpr std::size_t kPageCopyLimit = std::size_t{256} * 1024;
constexpr const char* kOtherNamesDescription = "このページには別の名前（ハードリンク）があります。";
constexpr const char* kChangedWhileReadDescription = "ページを読んでいる間にページが変わりました。";

std::string withPath(const std::string& sentence, const std::string& path) {
    return sentence + "（" + path + "）";
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// The images go into the site only: no folder the copy of source writes into (destination and
// its sub-folders that already stand) may be a link leading out of the top folder.
Status foldersStayInside(FileSystem& fs, const std::string& source, const std::string& destination,
                         const std::string& topFolderReal, int depth) {
    constexpr int kMaxFolderDepth = 64; // folder links can make the tree endless
    if (depth > kMaxFolderDepth || !fs.exists(destination))
        return {};
    auto real = fs.realPath(destination);
    if (!real || !startsWith(withTrailingSlash(*real), topFolderReal))
        return fail(
            withPath("サイトのフォルダの外を指しているため、書き込めません。", destination));
    auto subfolders = fs.listSubfolders(source);
    if (!subfolders)
        return {}; // the copy itself reports it
    for (const std::string& subfolder : *subfolders) {
        if (auto inside =
                foldersStayInside(fs, subfolder, joinPath(destination, fileNamePart(subfolder)),
                                  topFolderReal, depth + 1);
            !inside)
            return inside;
    }
    return {};
}

} // namespace

struct SiteTraversal::ReadPage {
    int index = 0;
    int level = 0;
    std::string pageFolder;
    std::unique_ptr<InputFile> input; // null while set aside
    std::unique_ptr<LineReader> reader;
    std::uint64_t resumeAt = 0;  // where its next line starts, while set aside
    LongLinePlace longLinePlace; // and where it stands in a long line
    LongLineRules longLineRules;
    std::unique_ptr<PagePass> pass;
    DiscardedOutput output;
    // The link paths of the line just read, one after the other in one string (a site's lines
    // hold tens of thousands of links in all), where each ends, and how many were taken.
    std::string links;
    std::vector<std::size_t> linkEnds;
    std::size_t linksTaken = 0;
    std::vector<std::string> blockTitles; // the page's own title entry in each block so far
    bool otherNames = false;              // its file has other names (hard links)
    bool readOnly = false;
};

SiteTraversal::SiteTraversal(const ApplyOptions& options, ApplyRunState& state,
                             ApplyEnvironment& env, SitePlan& plan, bool writesNothing)
    : m_options(options), m_state(state), m_env(env), m_enteredPaths({&plan}, {}),
      m_enteredFiles({&plan}, {}), m_plan(plan), m_writesNothing(writesNothing) {}

SiteTraversal::~SiteTraversal() = default;

void SiteTraversal::run() {
    std::string top = m_options.topPagePath;
    if (!top.empty() && top.front() == '/')
        top = normalizePath(top);
    m_topFolder = folderPart(top);
    // Then every page's folder is a normalised path too: links are folded from where they join it.
    m_foldersAreNormal = normalizePath(m_topFolder) == m_topFolder;
    if (!m_topFolder.empty()) {
        auto real = m_env.fs.realPath(m_topFolder);
        m_topFolderReal = real ? withTrailingSlash(*real) : m_topFolder;
    }
    m_plan.topFolder = m_topFolder;
    QuiBREL(top, 0);
    if (m_options.hierarchy != Hierarchy::Shortest)
        return;
    // Breadth first: every page of a level is read before the first of the next.
    while (!m_queue.empty() && !m_summary.stopped) {
        QueuedPage next = std::move(m_queue.front());
        m_queue.pop_front();
        treatPage(next.path, next.level, std::move(next.found), next.parent);
    }
    chainByLastTitles();
}

void SiteTraversal::chainByLastTitles() {
    std::vector<int> crumbOfPage(m_plan.pages.size(), -1);
    for (std::size_t i = 0; i < m_plan.pages.size(); ++i) {
        PlannedPage& page = m_plan.pages[i];
        // A page's parent comes before it; a page without link was never read to its links.
        page.parentCrumb = page.parent >= 0 ? crumbOfPage[page.parent] : -1;
        if (!page.hasLink())
            continue;
        m_plan.crumbs.push_back({static_cast<int>(i), page.parentCrumb, {}});
        crumbOfPage[i] = static_cast<int>(m_plan.crumbs.size()) - 1;
        page.otherBlockTitles.reset();
    }
}

void SiteTraversal::pageFailed(const std::string& description, int page) {
    ++m_summary.failures;
    m_plan.steps.push_back({true, static_cast<int>(m_plan.failures.size())});
    if (page >= 0) {
        m_plan.pages[page].outcome = PageOutcome::Failed;
        m_plan.pages[page].failure = static_cast<int>(m_plan.failures.size());
    }
    m_plan.failures.push_back(description);
}

int SiteTraversal::crumbOf(int level) {
    int& crumb = m_levelCrumb.at(level);
    const std::string& title = m_state.levelTitles[level];
    if (crumb < 0 || crumbTitle(m_plan, m_plan.crumbs[crumb]) != title) {
        // The page is being read: its entry may change yet, so the crumb keeps its own.
        m_plan.crumbs.push_back({m_levelPage.at(level), m_levelParent[level], title});
        crumb = static_cast<int>(m_plan.crumbs.size()) - 1;
    }
    return crumb;
}

bool SiteTraversal::visited(const std::string& linkPath, const std::string& realPath,
                            const FileIdentity& identity) const {
    const FileKey file{identity.device, identity.inode};
    if (m_enteredFiles.contains(file) || m_foundFiles.count(file) > 0)
        return true;
    // A real path is a path without links: if it is the name a page was entered under, that
    // page's real path is this one.
    return known(realPath) || (realPath != linkPath && m_otherRealPaths.count(realPath) > 0);
}

bool SiteTraversal::known(std::string_view linkPath) const {
    // Every page entered is inside the top folder; the plan holds its path from there.
    const bool inside = linkPath.substr(0, m_topFolder.size()) == m_topFolder;
    return (inside && m_enteredPaths.contains(linkPath.substr(m_topFolder.size()))) ||
           (!m_foundPaths.empty() && m_foundPaths.find(linkPath) != m_foundPaths.end());
}

void SiteTraversal::recordFound(const std::string& linkPath, const std::string& realPath,
                                const FileIdentity& identity) {
    m_foundPaths.insert(linkPath);
    m_foundFiles.insert({identity.device, identity.inode});
    if (realPath != linkPath)
        m_otherRealPaths.insert(realPath);
}

bool SiteTraversal::insideSite(const std::string& linkPath, const std::string& realPath) const {
    return startsWith(linkPath, m_topFolder) && startsWith(realPath, m_topFolderReal);
}

void SiteTraversal::followLinks(ReadPage& page, const std::vector<std::string>& targets) {
    for (const std::string& target : targets) {
        if (!isPageTarget(target))
            continue;
        if (m_options.hierarchy == Hierarchy::Shortest) {
            takeLink(linkedPath(target, page.pageFolder, m_topFolder, m_foldersAreNormal),
                     page.level, page.index);
            continue;
        }
        // Depth first, each page below is read before the next link of the line is taken.
        const std::size_t before = page.links.size();
        appendLinkedPath(page.links, target, page.pageFolder, m_topFolder, m_foldersAreNormal);
        if (page.links.size() > before)
            page.linkEnds.push_back(page.links.size());
    }
}

void SiteTraversal::takeLink(std::string_view linkView, int level, int pageIndex) {
    // Most links lead back to pages entered under the same name (the top page, the parent):
    // known without asking the file system again.
    if (linkView.empty() || known(linkView))
        return;
    const std::string linkPath(linkView);
    auto page = findPage(linkPath);
    if (!page || !insideSite(linkPath, page->realPath) ||
        visited(linkPath, page->realPath, page->identity))
        return;
    if (m_options.hierarchy == Hierarchy::Shortest) {
        recordFound(linkPath, page->realPath, page->identity);
        m_queue.push_back({linkPath, level + 1, std::move(*page), pageIndex});
        return;
    }
    enterPage(linkPath, level + 1, std::move(*page), pageIndex);
}

const std::string* SiteTraversal::realFolder(const std::string& folder) {
    auto known = m_realFolders.find(folder);
    if (known == m_realFolders.end())
        known = m_realFolders.emplace(folder, resolveFolder(folder)).first;
    return known->second ? &*known->second : nullptr;
}

std::optional<std::string> SiteTraversal::resolveFolder(const std::string& folder) {
    auto resolvedWhole = [&]() -> std::optional<std::string> {
        auto real = m_env.fs.realPath(folder);
        return real ? std::optional(withTrailingSlash(*real)) : std::nullopt;
    };
    // A folder inside one already resolved costs one lstat, not a look at every folder of its
    // path; a folder that is a symbolic link is resolved whole.
    const std::string parent = folderPart(folder.substr(0, folder.size() - 1));
    const std::string name = folder.substr(parent.size(), folder.size() - 1 - parent.size());
    if (folder.back() != '/' || parent.empty() || name.empty() || name == "." || name == "..")
        return resolvedWhole();
    const std::string* parentReal = realFolder(parent);
    if (parentReal == nullptr)
        return std::nullopt;
    auto entry = m_env.fs.entryStatus(*parentReal + name);
    if (!entry)
        return std::nullopt;
    if (entry->kind == EntryKind::Directory)
        return *parentReal + name + "/";
    if (entry->kind == EntryKind::SymbolicLink)
        return resolvedWhole();
    return std::nullopt;
}

std::optional<SiteTraversal::FoundPage> SiteTraversal::findPage(const std::string& linkPath) {
    // Most links name a plain file in a folder seen before (or, like links to other sites, a
    // folder that is not there): one lstat, or none, instead of resolving the whole path.
    const std::string folder = folderPart(linkPath);
    if (!folder.empty() && folder.size() < linkPath.size()) {
        const std::string* folderReal = realFolder(folder);
        if (folderReal == nullptr)
            return std::nullopt;
        auto entry = m_env.fs.entryStatus(linkPath);
        if (!entry)
            return std::nullopt;
        if (entry->kind == EntryKind::RegularFile)
            return FoundPage{*folderReal + linkPath.substr(folder.size()), entry->identity};
        if (entry->kind != EntryKind::SymbolicLink)
            return std::nullopt;
    }
    if (!m_env.fs.isRegularFile(linkPath))
        return std::nullopt;
    auto realPath = m_env.fs.realPath(linkPath);
    auto identity = m_env.fs.identity(linkPath);
    if (!realPath || !identity)
        return std::nullopt;
    return FoundPage{std::move(*realPath), *identity};
}

Status SiteTraversal::copyStyleImages() {
    std::string source = m_env.styleFolder;
    if (!source.empty() && source.back() == '/')
        source.pop_back();
    std::string quibrel = m_topFolder + "quibrel";
    if (auto inside = foldersStayInside(m_env.fs, source, quibrel, m_topFolderReal, 0); !inside)
        return inside;
    if (m_writesNothing)
        return {};
    if (auto status = m_env.fs.copyFolder(source, quibrel); !status)
        return status;
    std::string copiedStyleFile = quibrel + "/" + m_env.style.styleName + ".sty";
    if (!m_env.fs.exists(copiedStyleFile))
        return {};
    return m_env.fs.deleteFile(copiedStyleFile, false);
}

void SiteTraversal::QuiBREL(const std::string& OPT, int KAISO) {
    // A page reached through a symbolic link is read and replaced at its real path.
    auto page = findPage(OPT);
    if (!page)
        return;
    treatPage(OPT, KAISO, std::move(*page), -1);
}

void SiteTraversal::treatPage(const std::string& OPT, int KAISO, FoundPage found, int parent) {
    const std::size_t depth = m_reading.size();
    if (enterPage(OPT, KAISO, std::move(found), parent))
        readDownTo(depth);
}

void SiteTraversal::readDownTo(std::size_t depth) {
    while (m_reading.size() > depth) {
        // Asked to stop: the pages being read are left where they stand, unplanned.
        if (m_env.stopRequested()) {
            m_summary.stopped = true;
            m_reading.erase(m_reading.begin() + static_cast<std::ptrdiff_t>(depth),
                            m_reading.end());
            return;
        }
        ReadPage& page = *m_reading.back();
        if (page.linksTaken < page.linkEnds.size()) {
            const std::size_t start = page.linksTaken == 0 ? 0 : page.linkEnds[page.linksTaken - 1];
            const std::string_view linkPath =
                std::string_view(page.links).substr(start, page.linkEnds[page.linksTaken] - start);
            ++page.linksTaken;
            // The pages it leads to add to their own lists: this one stays as it is meanwhile.
            takeLink(linkPath, page.level, page.index);
            if (page.linksTaken == page.linkEnds.size()) {
                page.links.clear();
                page.linkEnds.clear();
                page.linksTaken = 0;
            }
            continue;
        }
        if (!page.reader && !takeUp(page)) {
            m_reading.pop_back();
            continue;
        }
        auto more = page.pass->step(*page.reader, page.output);
        if (more && *more)
            continue;
        finishPage(page, more ? Status() : Status(std::move(more).takeError()));
        m_reading.pop_back();
    }
}

void SiteTraversal::setAside(ReadPage& page) {
    page.resumeAt = page.reader->offsetOfNext();
    page.longLinePlace = page.reader->longLinePlace();
    page.reader.reset();
    page.input.reset();
}

bool SiteTraversal::takeUp(ReadPage& page) {
    const PlannedPage& planned = m_plan.pages[page.index];
    auto changed = [&] {
        pageFailed(withPath(kChangedWhileReadDescription, planned.path()), page.index);
        return false;
    };
    auto now = m_env.fs.identity(planned.realPath());
    if (!now || !sameFileUnchanged(planned.identity(), *now))
        return changed();
    auto input = m_env.fs.openForReading(planned.realPath());
    if (!input)
        return changed();
    // Read up to where the pass stopped; the bytes before it were read already.
    std::string skipped;
    for (std::uint64_t left = page.resumeAt; left > 0;) {
        skipped.resize(static_cast<std::size_t>(std::min<std::uint64_t>(left, kReadSize)));
        auto got = (*input)->read(skipped.data(), skipped.size());
        if (!got || *got == 0)
            return changed();
        left -= *got;
    }
    page.input = std::move(*input);
    page.reader = std::make_unique<LineReader>(*page.input, std::string(), page.resumeAt);
    page.reader->expectSize(m_plan.pages[page.index].size);
    page.reader->takeLongLinesInPieces(page.longLineRules);
    page.reader->resumeLongLine(std::move(page.longLinePlace));
    return true;
}

bool SiteTraversal::enterPage(const std::string& OPT, int KAISO, FoundPage found, int parent) {
    if (m_env.stopRequested()) {
        m_summary.stopped = true;
        return false;
    }
    if (m_options.maxPages > 0 && m_state.visitedCount >= m_options.maxPages) {
        pageFailed(withPath("ページが多すぎます。" + std::to_string(m_options.maxPages) +
                                "ページまでしか適応できません。",
                            OPT));
        return false;
    }
    ++m_state.visitedCount;
    if (found.realPath != OPT)
        m_otherRealPaths.insert(found.realPath);
    ++m_summary.pagesEntered;
    m_env.reporter.pageEntered(OPT);
    const int index = static_cast<int>(m_plan.pages.size());
    PlannedPage& entered = m_plan.pages.emplace_back();
    if (!m_sharedTopFolder)
        m_sharedTopFolder = std::make_shared<const std::string>(m_topFolder);
    entered.topFolder = m_sharedTopFolder;
    entered.fromTop = OPT.substr(m_topFolder.size());
    if (found.realPath != OPT)
        entered.otherRealPath = std::make_unique<const std::string>(std::move(found.realPath));
    entered.device = found.identity.device;
    entered.inode = found.identity.inode;
    entered.size = found.identity.size;
    entered.modifiedNs = found.identity.modifiedNs;
    entered.permissions = static_cast<std::uint16_t>(found.identity.permissions);
    m_enteredPaths.insert(index);
    m_enteredFiles.insert(index);
    if (!m_foundPaths.empty()) {
        m_foundPaths.erase(OPT);
        m_foundFiles.erase({found.identity.device, found.identity.inode});
    }
    entered.level = KAISO;
    entered.parent = parent;
    entered.titleEntry = "M" + OPT.substr(OPT.rfind('/') + 1);

    EncodingInfo encoding;
    std::string head;
    auto input = openPage(m_env.fs, entered.realPath(), encoding, head);
    if (!input)
        return false; // a page that cannot be opened is passed over silently
    const PageCodec* codec = encoding.supported() ? codecFor(m_plan.codecs, encoding) : nullptr;
    if (!codec) {
        pageFailed(
            withPath("このページの文字コード（" + encoding.name + "）には対応していません。", OPT),
            index);
        return false;
    }
    entered.codec = codec;
    auto abandon = [&](const std::string& description) {
        input->reset();
        pageFailed(description, index);
        return false;
    };

    auto page = std::make_unique<ReadPage>();
    page->index = index;
    page->level = KAISO;
    page->otherNames = found.identity.linkCount > 1;
    page->readOnly = found.identity.readOnly;
    page->pageFolder = folderPart(OPT);
    if (page->pageFolder.empty() || m_topFolder.empty())
        return abandon(withPath("パスが見つかりません。", OPT));
    if (KAISO == 0) {
        if (auto status = copyStyleImages(); !status)
            return abandon(status.error());
    }
    if (m_options.maxLevel > 0 && KAISO > m_options.maxLevel)
        return abandon(withPath("階層が深すぎます。" + std::to_string(m_options.maxLevel) +
                                    "階層までしか適応できません。",
                                OPT));
    m_state.levelLinks[KAISO] = entered.fromTop;
    entered.linked = true;
    PlannedPage& planned = entered;
    if (m_options.hierarchy == Hierarchy::Order) {
        if (m_levelCrumb.size() <= static_cast<std::size_t>(KAISO)) {
            m_levelPage.resize(KAISO + 1, -1);
            m_levelCrumb.resize(KAISO + 1, -1);
            m_levelParent.resize(KAISO + 1, -1);
        }
        m_levelPage[KAISO] = index;
        planned.parentCrumb = m_levelParent[KAISO] = KAISO == 0 ? -1 : crumbOf(KAISO - 1);
        m_levelCrumb[KAISO] = -1;
    }

    ReadPage* reading = page.get();
    page->input = std::move(*input);
    page->reader = std::make_unique<LineReader>(*page->input, std::move(head));
    page->reader->expectSize(found.identity.size);
    if (m_pagePlanned)
        page->reader->keepCopy(kPageCopyLimit);
    page->longLineRules.codec = codec;
    page->longLineRules.bothBodyTags = m_options.insertAtTop && m_options.insertAtBottom;
    page->longLineRules.longLine = m_options.longLine;
    page->reader->takeLongLinesInPieces(page->longLineRules);
    // The pages below are added while this one is read: reached by index, not by reference.
    page->pass = std::make_unique<PagePass>(
        m_options, m_state, *codec, KAISO,
        [this, reading](const std::vector<std::string>& targets) {
            followLinks(*reading, targets);
        },
        [reading](const std::string& titleEntry) {
            reading->blockTitles.push_back(titleEntry);
            return std::vector<std::string>();
        });
    m_reading.push_back(std::move(page));
    if (m_reading.size() > kPagesKeptOpen) {
        ReadPage& above = *m_reading[m_reading.size() - 1 - kPagesKeptOpen];
        if (above.reader)
            setAside(above);
    }
    return true;
}

void SiteTraversal::finishPage(ReadPage& page, const Status& passed) {
    const int index = page.index;
    PlannedPage& planned = m_plan.pages[index];
    planned.titleEntry = m_state.levelTitles[page.level];
    planned.blockCount = static_cast<std::uint32_t>(page.blockTitles.size());
    if (std::any_of(page.blockTitles.begin(), page.blockTitles.end(),
                    [&](const std::string& title) { return title != planned.titleEntry; }))
        planned.otherBlockTitles =
            std::make_unique<const std::vector<std::string>>(std::move(page.blockTitles));
    std::optional<std::string> bytes = page.reader ? page.reader->takeWholeCopy() : std::nullopt;
    page.reader.reset();
    page.input.reset();
    if (!passed)
        return pageFailed(withPath(passed.error(), planned.path()), index);
    // A page with other names is not rewritten: the new file would take this name only and
    // part it from the others.
    if (page.otherNames)
        return pageFailed(withPath(kOtherNamesDescription, planned.path()), index);
    // A read-only page is the owner's "do not touch": its replacement would be refused.
    if (page.readOnly)
        return pageFailed(fileFailureDescription(EACCES, planned.realPath()), index);
    planned.edits = page.pass->takeEdits();
    planned.firstLineEnd = std::string_view(page.pass->firstLineEnd());
    planned.outcome = PageOutcome::Rewritten;
    m_plan.steps.push_back({false, index});
    if (m_pagePlanned)
        m_pagePlanned(index, std::move(bytes));
}

} // namespace solvina
