// The depth-first walk over a site from its top page, the planning phase of a run: QuiBREL
// reads one page and, through the links of its lines, every page below it, and records in the
// plan what each page's block needs. It writes no page.
#pragma once

#include "apply/apply_types.h"
#include "apply/page_codec.h"
#include "apply/page_index_set.h"
#include "apply/site_plan.h"
#include "text/text_hash.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace solvina {

class SiteTraversal {
public:
    // writesNothing: the quibrel folder is checked, not filled (a dry run).
    SiteTraversal(const ApplyOptions& options, ApplyRunState& state, ApplyEnvironment& env,
                  SitePlan& plan, bool writesNothing);
    ~SiteTraversal();

    // Called when a page's pass has ended and it is in the plan's steps as a page to write,
    // with the page's bytes when it was read to its end in one go and is not large.
    using PagePlanned = std::function<void(int page, std::optional<std::string> bytes)>;
    void onPagePlanned(PagePlanned pagePlanned) { m_pagePlanned = std::move(pagePlanned); }
    // Plans the top page and everything reached from it.
    void run();
    const ApplyRunSummary& summary() const { return m_summary; }

    // Treats the page at OPT (a normalised path) at level KAISO.
    void QuiBREL(const std::string& OPT, int KAISO);

private:
    struct FoundPage {
        std::string realPath;
        FileIdentity identity;
    };
    // A page whose pass is under way; the pages below it are read before its next line.
    struct ReadPage;

    // QuiBREL once the page's file is known to be there: the page and, depth first, everything
    // below it. parent: the page whose link reached it, -1 for the top page.
    void treatPage(const std::string& OPT, int KAISO, FoundPage found, int parent);
    // Records the page and begins its pass (pushed on m_reading); false when it ended before.
    bool enterPage(const std::string& OPT, int KAISO, FoundPage found, int parent);
    // The passes of m_reading, line by line, until it is back to `depth` pages.
    void readDownTo(std::size_t depth);
    // The end of the pass of the page on top of m_reading.
    void finishPage(ReadPage& page, const Status& passed);
    // The page ancestors lend their descriptor and read buffer to: it reads again from where it
    // stopped when its turn comes (false: it changed meanwhile and fails).
    void setAside(ReadPage& page);
    bool takeUp(ReadPage& page);
    // page: the index of the page being read.
    void followLinks(ReadPage& page, const std::vector<std::string>& targets);
    // A link path of a line of the page on top of m_reading, taken in its turn.
    void takeLink(std::string_view linkPath, int level, int page);
    // With the shortest-path hierarchy: the chains from the pages' last titles, once all are
    // read.
    void chainByLastTitles();
    // The page a link leads to, when it is a regular file (after following links).
    std::optional<FoundPage> findPage(const std::string& linkPath);
    // The real path of a folder, ending in "/"; nullptr when there is no such folder. Asked of
    // the file system once per run: the run makes no folder after the image folder.
    const std::string* realFolder(const std::string& folder);
    std::optional<std::string> resolveFolder(const std::string& folder); // realFolder's work
    bool insideSite(const std::string& linkPath, const std::string& realPath) const;
    // A page is the same page under another name when its real path or its device and inode
    // are those of a page entered; the inode alone does not do, as replacing a page renews it.
    bool visited(const std::string& linkPath, const std::string& realPath,
                 const FileIdentity& identity) const;
    bool known(std::string_view linkPath) const;
    // Breadth first, a page is marked when found, so that a page later in its level cannot take
    // it again.
    void recordFound(const std::string& linkPath, const std::string& realPath,
                     const FileIdentity& identity);
    Status copyStyleImages();
    // A failure the writing phase reports at this point; page is -1 when no page was entered.
    void pageFailed(const std::string& description, int page = -1);
    // The crumb of the page at level as it stands now.
    int crumbOf(int level);

    using FileKey = std::pair<std::uint64_t, std::uint64_t>; // device and inode
    struct FileKeyHash {
        std::size_t operator()(const FileKey& key) const {
            return std::hash<std::uint64_t>()(key.first * 0x9E3779B97F4A7C15ULL ^ key.second);
        }
    };
    struct PathOfPage {
        const SitePlan* plan;
        std::string_view operator()(int page) const { return plan->pages[page].fromTop; }
    };
    struct FileKeyOfPage {
        const SitePlan* plan;
        FileKey operator()(int page) const {
            return {plan->pages[page].device, plan->pages[page].inode};
        }
    };

    const ApplyOptions& m_options;
    ApplyRunState& m_state;
    ApplyEnvironment& m_env;
    std::string m_topFolder;         // as reached, ending in "/"
    std::string m_topFolderReal;     // its real path, ending in "/"
    bool m_foldersAreNormal = false; // normalizePath leaves the top folder as it is
    std::shared_ptr<const std::string> m_sharedTopFolder; // m_topFolder, for the plan's pages
    // The pages entered, by the names their links reached them under and by their files; breadth
    // first also the pages found and not entered yet; and the real paths that differ from the
    // names.
    PageIndexSet<PathOfPage, TextHash> m_enteredPaths;
    PageIndexSet<FileKeyOfPage, FileKeyHash> m_enteredFiles;
    std::unordered_set<std::string, TextHash, std::equal_to<>> m_foundPaths;
    std::unordered_set<FileKey, FileKeyHash> m_foundFiles;
    std::unordered_set<std::string, TextHash, std::equal_to<>> m_otherRealPaths;
    std::unordered_map<std::string, std::optional<std::string>> m_realFolders;
    SitePlan& m_plan;
    bool m_writesNothing;
    std::vector<int> m_levelPage;   // the page of each level on the current chain
    std::vector<int> m_levelCrumb;  // the crumb last made of each level's page
    std::vector<int> m_levelParent; // the crumb above each level's page
    // The pages being read, the top page first; only the last few hold their file open.
    std::vector<std::unique_ptr<ReadPage>> m_reading;
    // With the shortest-path hierarchy: the pages found and not yet read, in the order found.
    struct QueuedPage {
        std::string path;
        int level;
        FoundPage found;
        int parent;
    };
    std::deque<QueuedPage> m_queue;
    ApplyRunSummary m_summary;
    PagePlanned m_pagePlanned;
};

} // namespace solvina
