// QuiBREL and the link follower.
#include "apply/site_traversal.h"

#include "apply/line_reader.h"
#include "apply/link_paths.h"
#include "apply/page_encoding.h"
#include "apply/page_pass.h"
#include "platform/app_paths.h"
#include "platform/file_failure.h"
#include "platform/paths.h"

#include <cerrno>

namespace solvina {

namespace {

constexpr std::size_t kHeadSize = 1024;
constexpr std::size_t kReadSize = std::size_t{64} * 1024;
constexpr std::size_t kKeptPageSize = std::size_t{256} * 1024;
constexpr int kMaxLevel = kLevelSlots - 1;
constexpr std::string_view kPartLinkExclusion = "<!--NOTBUBUNLINK-->";
constexpr const char* kOtherNamesDescription = "このページには別の名前（ハードリンク）があります。";

std::string withPath(const std::string& sentence, const std::string& path) {
    return sentence + "（" + path + "）";
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Reads from file until buffer holds at least size bytes or the file ends.
Status readAtLeast(InputFile& file, std::string& buffer, std::size_t size) {
    while (buffer.size() < size) {
        auto got = appendRead(file, buffer, kReadSize);
        if (!got)
            return std::move(got).takeError();
        if (*got == 0)
            break;
    }
    return {};
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

// Where the planning pass writes: nowhere.
class DiscardedOutput final : public OutputFile {
public:
    Status write(std::string_view) override { return {}; }
    Status close() override { return {}; }
};

} // namespace

SiteTraversal::SiteTraversal(const ApplyOptions& options, ApplyRunState& state,
                             ApplyEnvironment& env, SitePlan& plan, bool writesNothing)
    : m_options(options), m_state(state), m_env(env), m_plan(plan), m_writesNothing(writesNothing) {
}

void SiteTraversal::run() {
    std::string top = m_options.topPagePath;
    if (!top.empty() && top.front() == '/')
        top = normalizePath(top);
    m_topFolder = folderPart(top);
    if (!m_topFolder.empty()) {
        auto real = m_env.fs.realPath(m_topFolder);
        m_topFolderReal = real ? withTrailingSlash(*real) : m_topFolder;
    }
    m_plan.topFolder = m_topFolder;
    QuiBREL(top, 0);
    if (m_options.hierarchy != Hierarchy::Shortest)
        return;
    // Breadth first: every page of a level is read before the first of the next.
    while (!m_queue.empty()) {
        QueuedPage next = std::move(m_queue.front());
        m_queue.pop_front();
        treatPage(next.path, next.level, next.found.realPath, next.found.identity, next.parent);
    }
    chainByLastTitles();
}

void SiteTraversal::chainByLastTitles() {
    std::vector<int> crumbOfPage(m_plan.pages.size(), -1);
    for (std::size_t i = 0; i < m_plan.pages.size(); ++i) {
        PlannedPage& page = m_plan.pages[i];
        // A page's parent comes before it; a page without link was never read to its links.
        page.parentCrumb = page.parent >= 0 ? crumbOfPage[page.parent] : -1;
        if (page.link.empty())
            continue;
        m_plan.crumbs.push_back({page.titleEntry, page.link, page.parentCrumb});
        crumbOfPage[i] = static_cast<int>(m_plan.crumbs.size()) - 1;
        for (std::string& title : page.blockTitles)
            title = page.titleEntry;
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
    int& crumb = m_levelCrumb[level];
    if (crumb < 0 || m_plan.crumbs[crumb].titleEntry != m_state.levelTitles[level]) {
        m_plan.crumbs.push_back(
            {m_state.levelTitles[level], m_state.levelLinks[level], m_levelParent[level]});
        crumb = static_cast<int>(m_plan.crumbs.size()) - 1;
    }
    return crumb;
}

bool SiteTraversal::visited(const std::string& realPath, const FileIdentity& identity) const {
    return m_visitedRealPaths.count(realPath) > 0 ||
           m_visitedIdentities.count({identity.device, identity.inode}) > 0;
}

void SiteTraversal::recordVisit(const std::string& realPath, const FileIdentity& identity) {
    m_visitedRealPaths.insert(realPath);
    m_visitedIdentities.insert({identity.device, identity.inode});
}

const PageCodec* SiteTraversal::codecFor(const EncodingInfo& encoding) {
    auto found = m_plan.codecs.find(encoding.name);
    if (found != m_plan.codecs.end())
        return found->second.get();
    auto codec = TextCodec::open(encoding.iconvName);
    if (!codec)
        return nullptr;
    auto page = std::make_unique<PageCodec>(encoding, std::move(*codec));
    return m_plan.codecs.emplace(encoding.name, std::move(page)).first->second.get();
}

Result<std::unique_ptr<InputFile>>
SiteTraversal::openPage(const std::string& path, EncodingInfo& encoding, std::string& head) {
    auto file = m_env.fs.openForReading(path);
    if (!file)
        return file;
    if (auto status = readAtLeast(**file, head, kHeadSize); !status)
        return std::move(status).takeError();
    if (auto declared = declaredPageEncoding(std::string_view(head).substr(0, kHeadSize))) {
        encoding = *declared;
        return file;
    }
    // Without a declaration the whole page decides between UTF-8 and CP932; it is read once
    // for that. A small page is kept for the pass; a larger one is opened again, so that memory
    // does not grow with the size of a page.
    Utf8Validator validator;
    validator.feed(head);
    bool kept = head.size() <= kKeptPageSize;
    std::string chunk;
    for (;;) {
        chunk.resize(kReadSize);
        auto got = (*file)->read(chunk.data(), chunk.size());
        if (!got)
            return std::move(got).takeError();
        if (*got == 0)
            break;
        const std::string_view bytes(chunk.data(), *got);
        validator.feed(bytes);
        kept = kept && head.size() + bytes.size() <= kKeptPageSize;
        if (kept)
            head += bytes;
    }
    encoding = undeclaredPageEncoding(validator);
    if (kept)
        return file; // at its end: the pass reads head alone
    head.clear();
    return m_env.fs.openForReading(path);
}

bool SiteTraversal::insideSite(const std::string& linkPath, const std::string& realPath) const {
    return startsWith(linkPath, m_topFolder) && startsWith(realPath, m_topFolderReal);
}

void SiteTraversal::followLinks(const std::string& pageFolder, int level, int pageIndex,
                                const std::string& line, const std::string& upperLine) {
    if (upperLine.find("<A HREF=") == std::string::npos)
        return;
    if (!m_options.eraseAll && upperLine.find(kPartLinkExclusion) != std::string::npos)
        return;
    for (const std::string& target : linkTargets(line, upperLine)) {
        if (!isPageTarget(target))
            continue;
        std::string linkPath = linkedPath(target, pageFolder, m_topFolder);
        // Most links lead back to pages entered under the same name (the top page, the parent):
        // known without asking the file system again.
        if (linkPath.empty() || m_enteredPaths.count(linkPath) > 0)
            continue;
        auto page = findPage(linkPath);
        if (!page || !insideSite(linkPath, page->realPath) ||
            visited(page->realPath, page->identity))
            continue;
        if (m_options.hierarchy == Hierarchy::Shortest) {
            // Marked when found, so that a page later in this level cannot take it again.
            m_enteredPaths.insert(linkPath);
            recordVisit(page->realPath, page->identity);
            m_queue.push_back({linkPath, level + 1, std::move(*page), pageIndex});
            continue;
        }
        treatPage(linkPath, level + 1, page->realPath, page->identity, pageIndex);
    }
}

const std::string* SiteTraversal::realFolder(const std::string& folder) {
    auto known = m_realFolders.find(folder);
    if (known == m_realFolders.end()) {
        auto real = m_env.fs.realPath(folder);
        known = m_realFolders
                    .emplace(folder, real ? std::optional(withTrailingSlash(*real)) : std::nullopt)
                    .first;
    }
    return known->second ? &*known->second : nullptr;
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
    treatPage(OPT, KAISO, page->realPath, page->identity, -1);
}

void SiteTraversal::treatPage(const std::string& OPT, int KAISO, const std::string& realPath,
                              const FileIdentity& identity, int parent) {
    if (m_state.visitedPages.size() >= static_cast<std::size_t>(kMaxPages)) {
        pageFailed(withPath("ページが多すぎます。1001ページまでしか適応できません。", OPT));
        return;
    }
    m_state.visitedPages.push_back(OPT);
    m_enteredPaths.insert(OPT);
    recordVisit(realPath, identity);
    ++m_summary.pagesEntered;
    m_env.reporter.pageEntered(OPT);
    const int index = static_cast<int>(m_plan.pages.size());
    PlannedPage& entered = m_plan.pages.emplace_back();
    entered.path = OPT;
    entered.realPath = realPath;
    entered.identity = identity;
    entered.level = KAISO;
    entered.parent = parent;
    entered.titleEntry = "M" + OPT.substr(OPT.rfind('/') + 1);
    // The pages below are added while this one is read: reached by index, not by reference.
    auto planned = [&]() -> PlannedPage& { return m_plan.pages[index]; };

    EncodingInfo encoding;
    std::string head;
    auto input = openPage(realPath, encoding, head);
    if (!input)
        return; // a page that cannot be opened is passed over silently
    const PageCodec* codec = encoding.supported() ? codecFor(encoding) : nullptr;
    if (!codec) {
        pageFailed(
            withPath("このページの文字コード（" + encoding.name + "）には対応していません。", OPT),
            index);
        return;
    }
    planned().codec = codec;
    auto abandon = [&](const std::string& description) {
        input->reset();
        pageFailed(description, index);
    };

    const std::string pageFolder = folderPart(OPT);
    if (pageFolder.empty() || m_topFolder.empty())
        return abandon(withPath("パスが見つかりません。", OPT));
    if (KAISO == 0) {
        if (auto status = copyStyleImages(); !status)
            return abandon(status.error());
    }
    if (KAISO > kMaxLevel)
        return abandon(withPath("階層が深すぎます。100階層までしか適応できません。", OPT));
    m_state.levelLinks[KAISO] = OPT.substr(m_topFolder.size());
    planned().link = m_state.levelLinks[KAISO];
    if (m_options.hierarchy == Hierarchy::Order) {
        planned().parentCrumb = m_levelParent[KAISO] = KAISO == 0 ? -1 : crumbOf(KAISO - 1);
        m_levelCrumb[KAISO] = -1;
    }

    LineReader reader(**input, std::move(head));
    PagePass pass(
        m_options, m_state, *codec, KAISO,
        [&](const std::string& line, const std::string& upperLine) {
            followLinks(pageFolder, KAISO, index, line, upperLine);
        },
        [&](const std::string& titleEntry) {
            planned().blockTitles.push_back(titleEntry);
            return std::vector<std::string>();
        });
    DiscardedOutput output;
    const Status passed = pass.run(reader, output);
    planned().titleEntry = m_state.levelTitles[KAISO];
    if (!passed)
        return abandon(withPath(passed.error(), OPT));
    // A page with other names is not rewritten: the new file would take this name only and
    // part it from the others.
    if (identity.linkCount > 1)
        return abandon(withPath(kOtherNamesDescription, OPT));
    // A read-only page is the owner's "do not touch": its replacement would be refused.
    if (identity.readOnly)
        return abandon(fileFailureDescription(EACCES, realPath));
    input->reset();
    if (!pass.droppedOldBlock()) {
        planned().onlyPlacedLinesChange = true;
        planned().placedLines = pass.placedLines();
        planned().firstLineEnd = pass.firstLineEnd();
    }
    planned().outcome = PageOutcome::Rewritten;
    m_plan.steps.push_back({false, index});
}

} // namespace solvina
