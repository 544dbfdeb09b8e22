// Writing the planned pages: temporary files, one sync, renames, folder syncs.
#include "apply/plan_writer.h"

#include "apply/breadcrumb_block.h"
#include "apply/link_paths.h"
#include "apply/page_edits.h"
#include "apply/run_undo.h"
#include "platform/content_digest.h"
#include "platform/kept_files.h"
#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

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
    Status close() override { return m_file.close(); }
    FileDigest digest() { return {m_hash.finish(), m_size}; }

private:
    OutputFile& m_file;
    bool m_digests;
    ContentDigest m_hash;
    std::uint64_t m_size = 0;
};

// What writing one page's temporary file came to.
struct PageWrite {
    bool written = false;
    FileDigest digest;                 // of what was written
    std::vector<std::string> failures; // to be told in the plan's order
};

// Writes the pages' temporary files side by side, on a thread for each processor (up to four)
// when the file system allows it: each page is read, rewritten and digested on its own. take(i)
// gives page i's outcome, the calling thread writing pages itself while it waits.
class PageWriters {
public:
    using WritePage = std::function<PageWrite(const PlannedPage&)>;

    PageWriters(const std::vector<const PlannedPage*>& pages, WritePage write, bool concurrent)
        : m_pages(pages), m_write(std::move(write)), m_outcomes(pages.size()),
          m_done(pages.size(), false) {
        const unsigned processors = concurrent ? std::thread::hardware_concurrency() : 1;
        const auto helpers =
            std::min<std::size_t>({processors > 1 ? processors - 1 : 0, 3, pages.size() / 2});
        for (std::size_t i = 0; i < helpers; ++i)
            m_threads.emplace_back([this] {
                while (writeOne()) {
                }
            });
    }
    ~PageWriters() {
        m_next = m_pages.size(); // nothing more is started
        for (std::thread& thread : m_threads)
            thread.join();
    }
    PageWriters(const PageWriters&) = delete;
    PageWriters& operator=(const PageWriters&) = delete;

    PageWrite take(std::size_t index) {
        for (;;) {
            {
                std::unique_lock lock(m_lock);
                if (m_done[index])
                    return std::move(m_outcomes[index]);
                if (m_next >= m_pages.size()) {
                    m_finished.wait(lock, [&] { return m_done[index]; });
                    return std::move(m_outcomes[index]);
                }
            }
            writeOne();
        }
    }

private:
    // Writes the next page not yet started; false when none is left.
    bool writeOne() {
        const std::size_t index = m_next++;
        if (index >= m_pages.size())
            return false;
        PageWrite outcome = m_write(*m_pages[index]);
        {
            std::lock_guard lock(m_lock);
            m_outcomes[index] = std::move(outcome);
            m_done[index] = true;
        }
        m_finished.notify_all();
        return true;
    }

    const std::vector<const PlannedPage*>& m_pages;
    WritePage m_write;
    std::vector<PageWrite> m_outcomes;
    std::vector<bool> m_done;
    std::atomic<std::size_t> m_next = 0;
    std::mutex m_lock;
    std::condition_variable m_finished;
    std::vector<std::thread> m_threads;
};

class PlanWriter {
public:
    PlanWriter(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
               ApplyRunSummary& summary, RunKeeper* keeper)
        : m_plan(plan), m_options(options), m_env(env), m_summary(summary), m_keeper(keeper) {}

    void run() {
        std::vector<const PlannedPage*> pages;
        for (const PlanStep& step : m_plan.steps)
            if (!step.isFailure)
                pages.push_back(&m_plan.pages[step.index]);
        PageWriters writers(
            pages, [this](const PlannedPage& page) { return writeTemporary(page); },
            m_env.fs.allowsConcurrentUse());
        // Failures and progress are told in the plan's order, whichever page was written first.
        std::size_t next = 0;
        for (const PlanStep& step : m_plan.steps) {
            if (step.isFailure) {
                m_env.reporter.pageFailed(m_plan.failures[step.index]);
                continue;
            }
            PageWrite write = writers.take(next);
            const PlannedPage& page = *pages[next++];
            for (const std::string& failure : write.failures)
                failed(failure);
            if (write.written) {
                m_written.push_back(&page);
                m_digests.push_back(std::move(write.digest));
            }
            m_env.reporter.pageWritten(page.path(), static_cast<int>(next),
                                       static_cast<int>(pages.size()));
        }
        if (m_written.empty())
            return;
        // Every new page is on the disk before the first rename: a power cut can leave a page
        // old or new, never empty.
        std::vector<std::string> temporaries;
        for (const PlannedPage* page : m_written)
            temporaries.push_back(page->realPath() + ".tmp");
        if (auto synced = m_env.fs.syncFiles(temporaries); !synced) {
            for (const std::string& temporary : temporaries)
                (void)m_env.fs.removeFile(temporary);
            return failed(synced.error());
        }
        // What the renames replace is kept, and its record on the disk, before the first of
        // them: a run that cannot be taken back writes nothing.
        if (m_keeper)
            if (auto kept = m_keeper->keepPages(m_written, m_digests); !kept) {
                for (const std::string& temporary : temporaries)
                    (void)m_env.fs.removeFile(temporary);
                return failed(kept.error());
            }
        std::set<std::string> folders;
        for (const PlannedPage* page : m_written) {
            // Checked once more at the rename: an edit made since the page was read stays.
            auto replaced = m_env.fs.replaceIfUnchanged(page->realPath() + ".tmp", page->realPath(),
                                                        page->identity());
            // A page gone meanwhile is passed over silently, as when planning.
            if (!replaced || *replaced != Replaced::Done) {
                (void)m_env.fs.removeFile(page->realPath() + ".tmp");
                if (!replaced)
                    failed(replaced.error());
                else if (*replaced == Replaced::Changed)
                    failed(withPathNote(kChangedSincePlanned, page->path()));
                continue;
            }
            folders.insert(folderPart(page->realPath()));
        }
        for (const std::string& folder : folders)
            if (auto status = m_env.fs.syncFolder(folder); !status)
                failed(status.error());
    }

private:
    void failed(const std::string& description) {
        ++m_summary.failures;
        m_env.reporter.pageFailed(description);
    }

    // The page read again and its new content written from the plan; links are not followed.
    // Runs on any of the writers' threads: it reaches nothing but the page, its temporary file
    // and the plan.
    PageWrite writeTemporary(const PlannedPage& page) const {
        PageWrite result;
        auto input = m_env.fs.openForReading(page.realPath());
        // The file opened is checked, not its name looked up again: one system call less.
        const std::optional<FileIdentity> opened = input ? (*input)->identity() : std::nullopt;
        if (opened ? !sameFileUnchanged(page.identity(), *opened) : !unchangedSincePlanned(page)) {
            result.failures.push_back(withPathNote(kChangedSincePlanned, page.path()));
            return result;
        }
        if (!input)
            return result; // gone since it was planned: passed over silently, as when planning
        const std::string tempPath = page.realPath() + ".tmp";
        // The plan promised the page a new content: a folder that takes no new file is told,
        // not passed over as if the run had done its work.
        auto created = m_env.fs.createFile(tempPath);
        if (!created) {
            result.failures.push_back(created.error());
            return result;
        }
        auto output =
            std::make_optional<DigestingOutput>(**created, m_keeper && m_keeper->active());
        auto abandon = [&](const std::string& description) {
            input->reset();
            output.reset();
            created->reset();
            (void)m_env.fs.removeFile(tempPath);
            result.failures.push_back(description);
            return result;
        };
        ApplyRunState chain; // the chain of the block being written
        const std::string firstLineEnd = page.firstLineEnd;
        const Status written = writeEditedPage(
            **input, *output, std::span(page.edits.begin(), page.edits.end()), firstLineEnd,
            [&](std::size_t block, OutputFile& out) -> Status {
                fillChain(m_plan, page, page.blockTitle(block), chain);
                for (const std::string& line : breadcrumbBlock(m_env.style, m_env.styleFolder,
                                                               m_options, chain, page.level)) {
                    if (auto status = out.write(page.codec->encode(line)); !status)
                        return status;
                    if (auto status = out.write(firstLineEnd); !status)
                        return status;
                }
                return {};
            });
        if (!written)
            return abandon(withPathNote(written.error(), page.path()));
        input->reset();
        if (auto status = output->close(); !status)
            return abandon(status.error());
        // Changed while it was read: the new page would hold a mix of old and new bytes.
        if (!unchangedSincePlanned(page))
            return abandon(withPathNote(kChangedSincePlanned, page.path()));
        result.written = true;
        result.digest = output->digest();
        return result;
    }

    // A page gone since it was planned counts as unchanged: opening it then passes it over.
    bool unchangedSincePlanned(const PlannedPage& page) const {
        auto now = m_env.fs.identity(page.realPath());
        return !now || sameFileUnchanged(page.identity(), *now);
    }

    static std::string withPathNote(const std::string& sentence, const std::string& path) {
        return sentence + "（" + path + "）";
    }

    const SitePlan& m_plan;
    const ApplyOptions& m_options;
    ApplyEnvironment& m_env;
    ApplyRunSummary& m_summary;
    RunKeeper* m_keeper;
    std::vector<const PlannedPage*> m_written;
    std::vector<FileDigest> m_digests; // of what was written, page by page
};

} // namespace

void writePlan(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
               ApplyRunSummary& summary, RunKeeper* keeper) {
    PlanWriter(plan, options, env, summary, keeper).run();
}

} // namespace solvina
