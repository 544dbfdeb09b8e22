// What the planning phase of a run decides and the writing phase carries out: the pages in the
// order they were entered, the chains their blocks show, the failures to report. It holds no
// page content.
#pragma once

#include "apply/apply_types.h"
#include "apply/page_codec.h"
#include "apply/page_edits.h"
#include "apply/page_opening.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace solvina {

// An ancestor as the pages below it show it: its page (whose link it shows), its title entry
// when the run went below it, and the crumb above it (-1 above the top page).
struct PlannedCrumb {
    int page = 0;
    int parent = -1;
    std::string titleEntry; // empty: the page's own titleEntry
};

enum class PageOutcome : std::uint8_t {
    Unread,    // could not be opened: passed over silently
    Failed,    // a failure was reported; the page keeps its bytes
    Rewritten, // the pass ended: the page is written
};

// A line end ("\r\n", "\r", "\n" or none) in the room of a pointer.
class ShortLineEnd {
public:
    ShortLineEnd() = default;
    ShortLineEnd(std::string_view end) {
        m_size = static_cast<std::uint8_t>(std::min(end.size(), m_bytes.size()));
        std::copy_n(end.begin(), m_size, m_bytes.begin());
    }
    operator std::string() const { return {m_bytes.data(), m_size}; }

private:
    std::array<char, 2> m_bytes{};
    std::uint8_t m_size = 0;
};

// A page's edits: most pages have one (its block), held without a heap block.
class PageEdits {
public:
    PageEdits& operator=(std::vector<PageEdit> edits) {
        m_count = static_cast<std::uint32_t>(edits.size());
        m_many.reset();
        if (m_count == 1)
            m_one = edits.front();
        else if (m_count > 1)
            m_many = std::make_unique<const std::vector<PageEdit>>(std::move(edits));
        return *this;
    }
    const PageEdit* begin() const { return m_many ? m_many->data() : &m_one; }
    const PageEdit* end() const { return begin() + m_count; }
    std::size_t size() const { return m_count; }

private:
    PageEdit m_one;
    std::unique_ptr<const std::vector<PageEdit>> m_many;
    std::uint32_t m_count = 0;
};

// One page of the plan; a site of many pages keeps many of these, so nothing is held twice.
struct PlannedPage {
    // Its path as the link reached it is topFolder + fromTop: every page is inside the top
    // folder, which is held once for all.
    std::shared_ptr<const std::string> topFolder;
    std::string fromTop;
    // Where it is read and replaced, when that is not its path.
    std::unique_ptr<const std::string> otherRealPath;
    // Its file as planned (device, inode, size, time of change): a page changed since then is
    // not written.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::string titleEntry; // its title entry when its pass ended (or stopped)
    // The page's own title entry in each of its blocks, in page order, when one of them is not
    // titleEntry; blockCount blocks in all (none when the page gets no block: excluded, erase
    // run, no body tag).
    std::unique_ptr<const std::vector<std::string>> otherBlockTitles;
    const PageCodec* codec = nullptr;
    PageEdits edits; // what the writing phase changes in the page
    // The small members last, side by side: a site of many pages pays for every gap.
    int level = 0;
    int parent = -1;      // the page whose link reached it; -1 for the top page
    int parentCrumb = -1; // the chain above the page
    std::uint32_t blockCount = 0;
    int failure = -1;              // index into SitePlan::failures
    std::uint16_t permissions = 0; // its permission bits
    bool linked = false;           // read far enough to have a level link (fromTop)
    PageOutcome outcome = PageOutcome::Unread;
    ShortLineEnd firstLineEnd;

    FileIdentity identity() const {
        FileIdentity file;
        file.device = device;
        file.inode = inode;
        file.size = size;
        file.modifiedNs = modifiedNs;
        file.permissions = permissions;
        return file;
    }
    std::string path() const { return topFolder ? *topFolder + fromTop : fromTop; }
    std::string realPath() const { return otherRealPath ? *otherRealPath : path(); }
    bool hasLink() const { return linked; }
    // The level link, relative to the top folder.
    std::string_view link() const {
        return linked ? std::string_view(fromTop) : std::string_view();
    }
    std::size_t blocks() const { return blockCount; }
    // The own title entry of block i (the last one past the end).
    const std::string& blockTitle(std::size_t i) const {
        return otherBlockTitles ? (*otherBlockTitles)[std::min(i, otherBlockTitles->size() - 1)]
                                : titleEntry;
    }
};

// One step of the writing phase, in the order the run met it: a failure to report or a page
// to write (at the end of its pass).
struct PlanStep {
    bool isFailure = false;
    int index = 0; // into failures or pages
};

struct SitePlan {
    std::deque<PlannedPage> pages; // in the order they were entered; they never move
    std::vector<PlannedCrumb> crumbs;
    std::vector<std::string> failures; // descriptions, in the order found
    std::vector<PlanStep> steps;
    std::string topFolder; // ending in "/"
    PageCodecs codecs;
};

struct PlanCounts {
    int pages = 0;        // entered
    int withBlock = 0;    // rewritten with at least one block
    int withoutBlock = 0; // rewritten without a block (excluded, erase run, no body tag)
    int failed = 0;       // pages that fail
    int unread = 0;       // pages that could not be opened
    int failures = 0;     // every failure, those of no page (bounds) included
};
PlanCounts countPlan(const SitePlan& plan);

// The title entry a crumb shows.
const std::string& crumbTitle(const SitePlan& plan, const PlannedCrumb& crumb);
// The title a page's breadcrumb shows for it: its entry in its first block, else its last one.
const std::string& shownTitleEntry(const PlannedPage& page);
// That entry as text: the title, or "［画像］" and a title image's address.
std::string shownTitle(const PlannedPage& page);
// The page's path relative to the top folder.
std::string pathFromTop(const SitePlan& plan, const PlannedPage& page);
// What sets a page apart in a shown plan: "［リストなし］", "［失敗］", "［読めません］", or "".
const char* pageMark(const PlannedPage& page);
// The one line of counts under a shown plan.
std::string countsText(const PlanCounts& counts);

// The level titles and links of the block a page gets, ownTitle its own entry there.
void fillChain(const SitePlan& plan, const PlannedPage& page, const std::string& ownTitle,
               ApplyRunState& chain);

} // namespace solvina
