// The depth-first walk over a site from its top page, the planning phase of a run: QuiBREL
// reads one page and, through the links of its lines, every page below it, and records in the
// plan what each page's block needs. It writes no page.
#pragma once

#include "apply/apply_types.h"
#include "apply/page_codec.h"
#include "apply/site_plan.h"

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace solvina {

class SiteTraversal {
public:
    // writesNothing: the quibrel folder is checked, not filled (a dry run).
    SiteTraversal(const ApplyOptions& options, ApplyRunState& state, ApplyEnvironment& env,
                  SitePlan& plan, bool writesNothing);

    // Plans the top page and everything reached from it.
    void run();
    const ApplyRunSummary& summary() const { return m_summary; }

    // Treats the page at OPT (a normalised path) at level KAISO.
    void QuiBREL(const std::string& OPT, int KAISO);

private:
    // QuiBREL once the page's file is known to be there, with its real path and identity.
    // parent: the page whose link reached it, -1 for the top page.
    void treatPage(const std::string& OPT, int KAISO, const std::string& realPath,
                   const FileIdentity& identity, int parent);
    // page: the index of the page being read.
    void followLinks(const std::string& pageFolder, int level, int page, const std::string& line,
                     const std::string& upperLine);
    // With the shortest-path hierarchy: the chains from the pages' last titles, once all are
    // read.
    void chainByLastTitles();
    struct FoundPage {
        std::string realPath;
        FileIdentity identity;
    };
    // The page a link leads to, when it is a regular file (after following links).
    std::optional<FoundPage> findPage(const std::string& linkPath);
    // The real path of a folder, ending in "/"; nullptr when there is no such folder. Asked of
    // the file system once per run: the run makes no folder after the image folder.
    const std::string* realFolder(const std::string& folder);
    bool insideSite(const std::string& linkPath, const std::string& realPath) const;
    // A page is the same page under another name when its real path or its device and inode
    // are those of a page entered; the inode alone does not do, as replacing a page renews it.
    bool visited(const std::string& realPath, const FileIdentity& identity) const;
    void recordVisit(const std::string& realPath, const FileIdentity& identity);
    // Opens the page and decides its encoding; head receives the bytes already read.
    Result<std::unique_ptr<InputFile>> openPage(const std::string& path, EncodingInfo& encoding,
                                                std::string& head);
    const PageCodec* codecFor(const EncodingInfo& encoding);
    Status copyStyleImages();
    // A failure the writing phase reports at this point; page is -1 when no page was entered.
    void pageFailed(const std::string& description, int page = -1);
    // The crumb of the page at level as it stands now.
    int crumbOf(int level);

    const ApplyOptions& m_options;
    ApplyRunState& m_state;
    ApplyEnvironment& m_env;
    std::string m_topFolder;     // as reached, ending in "/"
    std::string m_topFolderReal; // its real path, ending in "/"
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_visitedIdentities;
    std::set<std::string> m_visitedRealPaths;
    std::unordered_set<std::string> m_enteredPaths; // visitedPages, for lookup
    std::unordered_map<std::string, std::optional<std::string>> m_realFolders;
    SitePlan& m_plan;
    bool m_writesNothing;
    std::array<int, kLevelSlots> m_levelCrumb{};  // the crumb last made of each level's page
    std::array<int, kLevelSlots> m_levelParent{}; // the crumb above each level's page
    // With the shortest-path hierarchy: the pages found and not yet read, in the order found.
    struct QueuedPage {
        std::string path;
        int level;
        FoundPage found;
        int parent;
    };
    std::deque<QueuedPage> m_queue;
    ApplyRunSummary m_summary;
};

} // namespace solvina
