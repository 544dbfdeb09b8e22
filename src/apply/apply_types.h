// The types an apply run shares between its layers: its options, its state, what it reads and
// whom it tells, and the bounds of a site.
#pragma once

#include "platform/file_system.h"
#include "render/nav_breadcrumb.h"
#include "style/breadcrumb_style.h"

#include <atomic>
#include <string>
#include <vector>

namespace solvina {

// How a page's level and parent are decided.
enum class Hierarchy {
    Order,    // the depth at which the depth-first walk first reaches it
    Shortest, // its shortest link distance from the top page, found breadth-first
};

// The length of line up to which a page's pass holds a line whole.
inline constexpr std::size_t kLongLine = std::size_t{1024} * 1024;

struct ApplyOptions {
    std::string topPagePath;
    bool insertAtTop = true;
    bool insertAtBottom = false;
    bool addRule = false;
    bool linkTitles = true;
    bool skipTopPage = false;
    bool useTopPageTitle = false;
    std::string topPageTitle = "トップページ";
    bool linkHeader = false;
    std::string headerLink;
    bool linkFooter = false;
    std::string footerLink;
    bool eraseAll = false;
    Hierarchy hierarchy = Hierarchy::Order;
    Markup markup = Markup::Table;
    std::string jsonLdBase; // the site's address for the BreadcrumbList; empty for none
    int maxPages = 1001;    // pages one run enters at most; 0: no bound
    int maxLevel = 100;     // the deepest level a page may have; 0: no bound
    // A line longer than this is read in pieces where it may be cut (tests take small ones).
    std::size_t longLine = kLongLine;
};

// What a run tells its window (or the command line) while it goes on.
class ApplyReporter {
public:
    virtual ~ApplyReporter() = default;
    // A page is entered: show kProgressPrefix + path, repaint, process pending events.
    virtual void pageEntered(const std::string& path) = 0;
    // A page failed: show the standard failure message with this description.
    virtual void pageFailed(const std::string& description) = 0;
    // The writing phase has written the new content of `written` of the `planned` pages.
    virtual void pageWritten(const std::string& path, int written, int planned) {
        (void)path, (void)written, (void)planned;
    }
};

// Texts by level (0 the top page): as many as the deepest level the run has reached. Writing
// to a level reaches it; reading one not reached gives an empty text.
class LevelTexts {
public:
    std::string& operator[](std::size_t level) {
        if (level >= m_texts.size())
            m_texts.resize(level + 1);
        return m_texts[level];
    }
    const std::string& operator[](std::size_t level) const {
        static const std::string kNone;
        return level < m_texts.size() ? m_texts[level] : kNone;
    }
    std::size_t size() const { return m_texts.size(); }
    void clear() { m_texts.clear(); }

private:
    std::vector<std::string> m_texts;
};

// The state of one run.
struct ApplyRunState {
    int visitedCount = 0; // pages entered, counted against ApplyOptions::maxPages
    LevelTexts levelTitles;
    LevelTexts levelLinks;
    // Empties the count and levelTitles; levelLinks keeps its contents.
    void reset();
};

struct ApplyRunSummary {
    int pagesEntered = 0;
    int failures = 0;
    bool stopped = false; // asked to stop before its first rename: no page changed
};

// Where a run keeps what it replaces so that it can be taken back, and how many runs of a site
// stay kept; an empty folder keeps nothing.
struct UndoSettings {
    std::string folder; // ending in "/"
    int keep = 10;
    bool mayLink = true; // false: copies even on the same file system
};

// Whether the flag a run or an undo is given (a signal sets it) asks it to stop.
inline bool stopAsked(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}

// Everything a run reads besides its options.
struct ApplyEnvironment {
    FileSystem& fs;
    const BreadcrumbStyle& style;
    std::string styleFolder; // the style's folder, ending in "/"
    ApplyReporter& reporter;
    UndoSettings undo = {};
    // Set from outside (a signal) when the run is to stop: until its first rename it then
    // stops, removes what it wrote and changes no page; from then on it goes to its end.
    const std::atomic<bool>* stop = nullptr;

    bool stopRequested() const { return stopAsked(stop); }
};

} // namespace solvina
