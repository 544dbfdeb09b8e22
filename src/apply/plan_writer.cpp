// Writing the planned pages: temporary files, one sync, renames, folder syncs.
#include "apply/plan_writer.h"

#include "apply/breadcrumb_block.h"
#include "apply/bytes_input.h"
#include "apply/link_paths.h"
#include "apply/page_edits.h"
#include "apply/page_writers.h"
#include "apply/run_undo.h"
#include "apply/side_by_side.h"
#include "platform/content_digest.h"
#include "platform/kept_files.h"
#include "platform/paths.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <set>

namespace solvina {

namespace {

// Passes a page's new bytes on to its temporary file and takes their digest on the way, for the
// run's record: the file is not read back for it. A run that keeps no record takes none.
class DigestingOutput final : public OutputFile {
public:
    DigestingOutput(OutputFile& file, bool digests) : m_file(file), m_digests(digests) {}
    Status write(std::string_view bytes) override {
        if (m_digests)
            m_hash.add(bytes);
        m_size += bytes.size();
        return m_file.write(bytes);
    }
    Status writePieces(std::span<const std::string_view> pieces) override {
        for (const std::string_view piece : pieces) {
            if (m_digests)
                m_hash.add(piece);
            m_size += piece.size();
        }
        return m_file.writePieces(pieces);
    }
    Status close() override { return m_file.close(); }
    WrittenDigest digest() { return {m_digests ? m_hash.finishXxh128() : Xxh128Bytes{}, m_size}; }

private:
    OutputFile& m_file;
    bool m_digests;
    ContentDigest m_hash;
    std::uint64_t m_size = 0;
};

// A page's block shows the entries of the crumbs above it; a crumb without an entry of its own
// shows its page's, which is final once that page's pass has ended.
bool chainIsFinal(const SitePlan& plan, const PlannedPage& page) {
    for (int crumb = page.parentCrumb; crumb >= 0; crumb = plan.crumbs[crumb].parent) {
        const PlannedCrumb& above = plan.crumbs[crumb];
        if (above.titleEntry.empty() && plan.pages[above.page].outcome == PageOutcome::Unread)
            return false;
    }
    return true;
}

} // namespace

class PlanWriter {
public:
    PlanWriter(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
               RunKeeper* keeper)
        : m_plan(plan), m_options(options), m_env(env), m_keeper(keeper),
          m_renderer(env.style, env.styleFolder, options),
          m_writers([this](WriteJob& job) { return writeTemporary(job); },
                    env.fs.allowsConcurrentUse()) {}
    ~PlanWriter() {
        if (m_finished)
            return;
        // Left before the writing phase: what was written early goes.
        for (std::size_t index = 0; index < m_earlyJobs.size(); ++index)
            if (m_earlyJobs[index] != kNoJob && m_writers.take(m_earlyJobs[index]).written) {
                (void)m_env.fs.removeFile(m_plan.pages[index].realPath() + ".tmp");
                if (m_keeper)
                    m_keeper->dropPages({index});
            }
    }
    PlanWriter(const PlanWriter&) = delete;
    PlanWriter& operator=(const PlanWriter&) = delete;

    // With the depth-first hierarchy a page's block is settled when its pass ends, unless a
    // title above it may change yet: then its temporary file is written beside the planning.
    bool writesBeside() const {
        return m_writers.writesBeside() && m_options.hierarchy == Hierarchy::Order;
    }

    void pagePlanned(int index, std::optional<std::string> bytes) {
        const PlannedPage& page = m_plan.pages[index];
        // Where the writing falls behind (a slow disk), pages wait for the writing phase instead:
        // a prepared page holds its chains of titles, and the site may be large.
        if (!writesBeside() || !chainIsFinal(m_plan, page) || m_writers.waiting() >= kMostWaiting)
            return;
        auto rewrite = prepare(page);
        // Pages the writers have not come to yet hold their bytes up to a bound; past it they
        // are read again.
        if (bytes && m_writers.queuedBytes() + bytes->size() <= kQueuedBytesLimit)
            rewrite->bytes = std::move(bytes);
        if (m_earlyJobs.size() <= static_cast<std::size_t>(index))
            m_earlyJobs.resize(m_plan.pages.size(), kNoJob);
        m_earlyJobs[index] =
            m_writers.add({&page, static_cast<std::size_t>(index), std::move(rewrite)});
    }

    void run(ApplyRunSummary& summary) {
        m_finished = true;
        m_summary = &summary;
        takeOutcomes();
        if (stopBeforeRenames())
            return;
        if (m_written.empty())
            return;
        // What the renames replace is kept (each page's old file as its new one was written),
        // and its record on the disk, before the first of them: a run that cannot be taken back
        // writes nothing.
        if (!m_keepFailure.empty()) {
            abandonAll();
            return failed(m_keepFailure);
        }
        // Every new page is on the disk before the first rename: a power cut can leave a page
        // old or new, never empty.
        if (auto synced = m_env.fs.syncFiles(
                m_written.size(),
                [this](std::size_t i) { return m_written[i]->realPath() + ".tmp"; });
            !synced) {
            abandonAll();
            return failed(synced.error());
        }
        if (stopBeforeRenames())
            return;
        if (m_keeper)
            if (auto kept = m_keeper->keepPages(m_written, m_numbers, m_digests); !kept) {
                abandonAll();
                return failed(kept.error());
            }
        m_digests = {};
        renameAll();
    }

private:
    // Reports the plan's failures and the writers' outcomes in the plan's order, whichever page
    // was written first; keeps the pages written, their digests and permission bits.
    void takeOutcomes() {
        std::vector<const PlannedPage*> pages;
        std::vector<std::size_t> jobs;
        for (const PlanStep& step : m_plan.steps) {
            if (step.isFailure)
                continue;
            const PlannedPage& page = m_plan.pages[step.index];
            pages.push_back(&page);
            const auto index = static_cast<std::size_t>(step.index);
            jobs.push_back(index < m_earlyJobs.size() && m_earlyJobs[index] != kNoJob
                               ? m_earlyJobs[index]
                               : m_writers.add({&page, index, {}}));
        }
        m_earlyJobs = {};
        m_writers.allAdded();
        m_written.reserve(pages.size());
        m_numbers.reserve(pages.size());
        m_digests.reserve(pages.size());
        m_bits.reserve(pages.size());
        std::size_t next = 0;
        for (const PlanStep& step : m_plan.steps) {
            if (step.isFailure) {
                m_env.reporter.pageFailed(m_plan.failures[step.index]);
                continue;
            }
            PageWrite write = m_writers.take(jobs[next]);
            const PlannedPage& page = *pages[next++];
            if (write.trouble) {
                for (const std::string& failure : write.trouble->failures)
                    failed(failure);
                if (m_keepFailure.empty())
                    m_keepFailure = std::move(write.trouble->keepFailure);
            }
            if (write.written) {
                m_written.push_back(&page);
                m_numbers.push_back(static_cast<std::size_t>(step.index));
                m_digests.push_back(write.digest);
                m_bits.push_back(write.bits);
            }
            m_env.reporter.pageWritten(page.path(), static_cast<int>(next),
                                       static_cast<int>(pages.size()));
        }
        m_writers.release();
    }

    // Asked to stop while nothing is replaced yet: nothing will be.
    bool stopBeforeRenames() {
        if (!m_env.stopRequested())
            return false;
        abandonAll();
        m_summary->stopped = true;
        return true;
    }

    // The run replaces nothing after all: the new pages and the old ones kept go.
    void abandonAll() {
        for (const PlannedPage* page : m_written)
            (void)m_env.fs.removeFile(page->realPath() + ".tmp");
        if (m_keeper)
            m_keeper->dropPages(m_numbers);
    }

    // The renames go side by side (pages of different folders do not wait for each other);
    // what they come to is told in the plan's order, then the folders that got pages synced.
    void renameAll() {
        // A failure's text is kept only for the pages that fail.
        std::vector<Replaced> outcomes(m_written.size(), Replaced::Gone);
        std::map<std::size_t, std::string> errors;
        std::mutex errorsLock;
        forEachSideBySide(m_written.size(), sharedWork(), [&](std::size_t i) {
            // Checked once more at the rename: an edit made since the page was read stays.
            const PlannedPage& page = *m_written[i];
            auto replaced = m_env.fs.replaceIfUnchanged(page.realPath() + ".tmp", page.realPath(),
                                                        page.identity(), m_bits[i]);
            if (replaced)
                outcomes[i] = *replaced;
            else {
                std::lock_guard lock(errorsLock);
                errors.emplace(i, replaced.error());
            }
            if (!replaced || *replaced != Replaced::Done)
                (void)m_env.fs.removeFile(page.realPath() + ".tmp");
        });
        if (m_keeper) {
            std::vector<bool> replaced(outcomes.size());
            for (std::size_t i = 0; i < outcomes.size(); ++i)
                replaced[i] = outcomes[i] == Replaced::Done; // a failed rename stays Gone
            m_keeper->pagesReplaced(std::move(replaced));
        }
        std::set<std::string> folders;
        for (std::size_t i = 0; i < m_written.size(); ++i) {
            // A page gone meanwhile is passed over silently, as when planning.
            if (auto error = errors.find(i); error != errors.end())
                failed(error->second);
            else if (outcomes[i] == Replaced::Changed)
                failed(withPathNote(kChangedSincePlanned, m_written[i]->path()));
            else if (outcomes[i] == Replaced::Done)
                folders.insert(folderPart(m_written[i]->realPath()));
        }
        for (const std::string& folder : folders)
            if (auto status = m_env.fs.syncFolder(folder); !status)
                failed(status.error());
    }

    void failed(const std::string& description) {
        ++m_summary->failures;
        m_env.reporter.pageFailed(description);
    }

    // What writing the page takes from the plan: read on the thread that plans while the plan
    // grows (nothing else may read the plan then), on any thread once it is whole.
    std::unique_ptr<PageRewrite> prepare(const PlannedPage& page) const {
        auto rewrite = std::make_unique<PageRewrite>();
        rewrite->path = page.path();
        rewrite->realPath = page.realPath();
        rewrite->identity = page.identity();
        rewrite->edits.assign(page.edits.begin(), page.edits.end());
        rewrite->firstLineEnd = page.firstLineEnd;
        rewrite->level = page.level;
        rewrite->codec = page.codec;
        for (const PageEdit& edit : rewrite->edits) {
            if (edit.dropped > 0)
                continue;
            const std::string& ownTitle = page.blockTitle(rewrite->chains.size());
            fillChain(m_plan, page, ownTitle, rewrite->chains.emplace_back());
        }
        return rewrite;
    }

    // The blocks' bytes, from their chains: the rendering is the larger part of the work on a
    // block, and is done by the thread that writes the page.
    void render(PageRewrite& page) const {
        for (const ApplyRunState& chain : page.chains) {
            std::string& bytes = page.blocks.emplace_back();
            for (const std::string& line : m_renderer.block(chain, page.level)) {
                page.codec->appendEncoded(line, bytes);
                bytes += page.firstLineEnd;
            }
        }
        page.chains.clear();
    }

    // The page read again and its new content written from the plan; links are not followed.
    // Runs on any of the writers' threads: it reaches nothing but the page, its temporary file
    // and, for a job not prepared yet, the plan, which no longer changes then.
    PageWrite writeTemporary(WriteJob& job) const {
        if (m_env.stopRequested())
            return {}; // the run will replace nothing: its pages need no new content
        if (!job.prepared)
            job.prepared = prepare(*job.page);
        render(*job.prepared);
        const PageRewrite& page = *job.prepared;
        PageWrite result;
        std::unique_ptr<InputFile> input;
        std::optional<FileIdentity> opened;
        if (page.bytes) {
            // What the planning read and planned from; a change since is found at the rename.
            input = std::make_unique<BytesInput>(*page.bytes);
            opened = page.identity;
        } else {
            auto file = m_env.fs.openForReading(page.realPath);
            // The file opened is checked, not its name looked up again: one system call less.
            opened = file ? (*file)->identity() : std::nullopt;
            if (opened ? !sameFileUnchanged(page.identity, *opened)
                       : !unchangedSincePlanned(page)) {
                result.troubled().failures.push_back(withPathNote(kChangedSincePlanned, page.path));
                return result;
            }
            if (!file)
                return result; // gone since it was planned: passed over silently, as when planning
            input = std::move(*file);
        }
        const std::string tempPath = page.realPath + ".tmp";
        // The plan promised the page a new content: a folder that takes no new file is told,
        // not passed over as if the run had done its work.
        auto created = m_env.fs.createFile(tempPath);
        if (!created) {
            result.troubled().failures.push_back(created.error());
            return result;
        }
        // The page's permission bits now, on another processor, rather than at the rename.
        if (opened && (**created).givePermissions(opened->permissions))
            result.bits = opened->permissions;
        auto output =
            std::make_optional<DigestingOutput>(**created, m_keeper && m_keeper->active());
        auto abandon = [&](const std::string& description) {
            input.reset();
            output.reset();
            created->reset();
            (void)m_env.fs.removeFile(tempPath);
            result.troubled().failures.push_back(description);
            return std::move(result);
        };
        const Status written = writeEditedPage(*input, *output, page.edits, page.firstLineEnd,
                                               [&](std::size_t block, OutputFile& out) -> Status {
                                                   return out.write(page.blocks.at(block));
                                               });
        if (!written)
            return abandon(withPathNote(written.error(), page.path));
        input.reset();
        if (auto status = output->close(); !status)
            return abandon(status.error());
        // Changed while it was read: the new page would hold a mix of old and new bytes.
        if (!page.bytes && !unchangedSincePlanned(page))
            return abandon(withPathNote(kChangedSincePlanned, page.path));
        result.written = true;
        result.digest = output->digest();
        // The old page is kept now, beside the writing, rather than all of them before the
        // renames.
        if (m_keeper && m_keeper->active())
            if (auto kept = m_keeper->keepPage(page.realPath, job.number); !kept)
                result.troubled().keepFailure = kept.error();
        return result;
    }

    // A page gone since it was planned counts as unchanged: opening it then passes it over.
    bool unchangedSincePlanned(const PageRewrite& page) const {
        auto now = m_env.fs.identity(page.realPath);
        return !now || sameFileUnchanged(page.identity, *now);
    }

    static std::string withPathNote(const std::string& sentence, const std::string& path) {
        return sentence + "（" + path + "）";
    }

    const SitePlan& m_plan;
    const ApplyOptions& m_options;
    ApplyEnvironment& m_env;
    RunKeeper* m_keeper;
    BlockRenderer m_renderer; // before the writers that use it
    ApplyRunSummary* m_summary = nullptr;
    bool m_finished = false;
    static constexpr std::size_t kSharedFrom = 16; // fewer pages are not worth a thread

    // The helpers that share work done for every page written (none for a few pages).
    std::size_t sharedWork() const {
        return m_written.size() >= kSharedFrom ? m_writers.helpers() : 0;
    }
    static constexpr std::size_t kQueuedBytesLimit = std::size_t{4} * 1024 * 1024;
    static constexpr std::size_t kMostWaiting = 256; // pages prepared and not yet written
    static constexpr std::size_t kNoJob = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> m_earlyJobs; // by page: its job when written beside the planning
    std::vector<const PlannedPage*> m_written;
    std::vector<std::size_t> m_numbers;               // of the pages written, in the plan
    std::string m_keepFailure;                        // the first, in the plan's order
    std::vector<WrittenDigest> m_digests;             // of what was written, page by page
    std::vector<std::optional<std::uint32_t>> m_bits; // the permission bits given, page by page
    PageWriters m_writers;                            // last: its threads stop before the rest goes
};

PlanWriting::PlanWriting(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
                         RunKeeper* keeper)
    : m_writer(std::make_unique<PlanWriter>(plan, options, env, keeper)) {}

PlanWriting::~PlanWriting() = default;

bool PlanWriting::writesBeside() const {
    return m_writer->writesBeside();
}

void PlanWriting::pagePlanned(int index, std::optional<std::string> bytes) {
    m_writer->pagePlanned(index, std::move(bytes));
}

void PlanWriting::write(ApplyRunSummary& summary) {
    m_writer->run(summary);
}

} // namespace solvina
