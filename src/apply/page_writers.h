// The threads that write a run's temporary files: pages are handed to them as the run goes
// and their outcomes taken in the plan's order.
#pragma once

#include "apply/page_edits.h"
#include "apply/site_plan.h"
#include "platform/file_system.h"
#include "platform/kept_files.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace solvina {

// What writing one page's temporary file came to. Every page of a site keeps its outcome until
// the writing phase takes them: what seldom happens is held apart.
struct PageWrite {
    struct Trouble {
        std::string keepFailure; // the page's old file could not be kept: nothing may be replaced
        std::vector<std::string> failures; // to be told in the plan's order
    };

    bool written = false;
    std::optional<std::uint32_t> bits; // the permission bits its temporary file was given
    WrittenDigest digest;              // of what was written
    std::unique_ptr<Trouble> trouble;  // none when nothing went wrong

    Trouble& troubled() {
        if (!trouble)
            trouble = std::make_unique<Trouble>();
        return *trouble;
    }
};

// Everything writing a page's temporary file takes from the plan, so that it can be written
// while the plan still grows.
struct PageRewrite {
    std::string path;
    std::string realPath;
    FileIdentity identity;
    std::vector<PageEdit> edits;
    std::string firstLineEnd;
    // Each new block's chain of titles and links, taken from the plan where it may be read;
    // the block is rendered from it on whichever thread writes the page.
    std::vector<ApplyRunState> chains;
    int level = 0;
    const PageCodec* codec = nullptr;
    std::vector<std::string> blocks; // each new block's bytes in the page's encoding
    // The page as the planning read it, when kept: it is not read again.
    std::optional<std::string> bytes;
};

// A page to write: prepared from the plan already, or to be prepared when written.
struct WriteJob {
    const PlannedPage* page = nullptr;
    std::size_t number = 0; // the page's number in the plan
    std::unique_ptr<PageRewrite> prepared;
};

// Writes the pages' temporary files side by side, on a thread for each further processor (up
// to three) when the file system allows it: each page is read, rewritten and digested on its
// own. Jobs may be added while earlier ones are written; take(n) gives job n's outcome, the
// calling thread writing jobs itself while it waits.
class PageWriters {
public:
    using WritePage = std::function<PageWrite(WriteJob&)>;

    PageWriters(WritePage write, bool concurrent) : m_write(std::move(write)) {
        const unsigned processors = concurrent ? std::thread::hardware_concurrency() : 1;
        m_helpers = std::min<std::size_t>(processors > 1 ? processors - 1 : 0, 3);
    }
    ~PageWriters() { stop(); }
    PageWriters(const PageWriters&) = delete;
    PageWriters& operator=(const PageWriters&) = delete;

    // False when no other thread writes: a job added early would only be written sooner by the
    // thread that plans.
    bool writesBeside() const { return m_helpers > 0; }
    std::size_t helpers() const { return m_helpers; }
    // The bytes of pages held by jobs not written yet, and the jobs not started.
    std::size_t queuedBytes() {
        std::lock_guard lock(m_lock);
        return m_queuedBytes;
    }
    std::size_t waiting() {
        std::lock_guard lock(m_lock);
        return m_jobs.size() - m_next;
    }

    std::size_t add(WriteJob job) {
        bool wake = false;
        std::size_t number = 0;
        {
            std::lock_guard lock(m_lock);
            number = m_jobs.size();
            m_queuedBytes += heldBytes(job);
            m_jobs.push_back(std::move(job));
            m_outcomes.emplace_back();
            m_done.push_back(false);
            // Helpers are woken for a batch of pages, not for each: waking a thread costs about
            // what writing a small page does.
            wake = m_sleeping > 0 && (m_allAdded || m_jobs.size() - m_next >= kBatch);
        }
        startHelpers();
        if (wake)
            m_work.notify_one();
        return number;
    }

    // No more jobs come: the helpers write whatever is left without waiting for a batch.
    void allAdded() {
        {
            std::lock_guard lock(m_lock);
            m_allAdded = true;
        }
        startHelpers();
        m_work.notify_all();
    }

    PageWrite take(std::size_t number) {
        std::unique_lock lock(m_lock);
        for (;;) {
            if (m_done[number])
                return std::move(m_outcomes[number]);
            if (m_next < m_jobs.size()) {
                writeNext(lock);
                continue;
            }
            m_finished.wait(lock);
        }
    }

    // Once every outcome is taken: the helpers stop and the queues go (a site of many pages
    // holds one entry for each page there).
    void release() {
        stop();
        std::lock_guard lock(m_lock);
        m_jobs = std::deque<WriteJob>();
        m_outcomes = std::deque<PageWrite>();
        m_done = std::deque<bool>();
        m_next = 0;
    }

private:
    static constexpr std::size_t kBatch = 8;

    void stop() {
        {
            std::lock_guard lock(m_lock);
            m_stopping = true;
            m_next = m_jobs.size(); // nothing more is started
        }
        m_work.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
        m_threads.clear();
    }

    static std::size_t heldBytes(const WriteJob& job) {
        return job.prepared && job.prepared->bytes ? job.prepared->bytes->size() : 0;
    }

    // Helpers start once there is work for them: a run of a page or two starts none.
    void startHelpers() {
        std::lock_guard lock(m_lock);
        if (m_started || m_helpers == 0 || m_jobs.size() - m_next < (m_allAdded ? 2 : kBatch))
            return;
        m_started = true;
        // A thread the system refuses (a process limit) leaves its share to the others and to
        // the thread that takes the outcomes.
        try {
            for (std::size_t i = 0; i < m_helpers; ++i)
                m_threads.emplace_back([this] { help(); });
        } catch (const std::system_error&) {
        }
    }

    void help() {
        std::unique_lock lock(m_lock);
        bool atWork = false; // woken for a batch: goes on until no job is left
        for (;;) {
            const std::size_t waiting = m_jobs.size() - m_next;
            if (waiting > 0 && (atWork || m_allAdded || waiting >= kBatch)) {
                atWork = true;
                writeNext(lock);
                continue;
            }
            atWork = false;
            if (m_stopping)
                return;
            ++m_sleeping;
            m_work.wait(lock);
            --m_sleeping;
        }
    }

    // Writes the next job not yet started, the lock released meanwhile.
    void writeNext(std::unique_lock<std::mutex>& lock) {
        const std::size_t number = m_next++;
        // Jobs stay where they are when more are added (a deque), so one is written unlocked.
        WriteJob& job = m_jobs[number];
        lock.unlock();
        PageWrite outcome = m_write(job);
        const std::size_t held = heldBytes(job);
        job.prepared.reset();
        lock.lock();
        m_queuedBytes -= held;
        m_outcomes[number] = std::move(outcome);
        m_done[number] = true;
        m_finished.notify_all();
    }

    WritePage m_write;
    std::size_t m_helpers = 0;
    std::deque<WriteJob> m_jobs;
    std::deque<PageWrite> m_outcomes;
    std::deque<bool> m_done;
    std::size_t m_next = 0; // the first job not started
    std::size_t m_sleeping = 0;
    std::size_t m_queuedBytes = 0;
    bool m_allAdded = false;
    bool m_started = false;
    bool m_stopping = false;
    std::mutex m_lock;
    std::condition_variable m_work;
    std::condition_variable m_finished;
    std::vector<std::thread> m_threads;
};

} // namespace solvina
