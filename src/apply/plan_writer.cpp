// Writing the planned pages: temporary files, one sync, renames, folder syncs.
#include "apply/plan_writer.h"

#include "apply/breadcrumb_block.h"
#include "apply/line_reader.h"
#include "apply/link_paths.h"
#include "apply/page_pass.h"
#include "platform/paths.h"

#include <algorithm>
#include <set>

namespace solvina {

namespace {

class PlanWriter {
public:
    PlanWriter(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
               ApplyRunSummary& summary)
        : m_plan(plan), m_options(options), m_env(env), m_summary(summary) {}

    void run() {
        const auto planned = std::count_if(m_plan.steps.begin(), m_plan.steps.end(),
                                           [](const PlanStep& step) { return !step.isFailure; });
        for (const PlanStep& step : m_plan.steps) {
            if (step.isFailure) {
                m_env.reporter.pageFailed(m_plan.failures[step.index]);
                continue;
            }
            const PlannedPage& page = m_plan.pages[step.index];
            if (writeTemporary(page))
                m_written.push_back(&page);
            m_env.reporter.pageWritten(page.path, ++m_done, static_cast<int>(planned));
        }
        if (m_written.empty())
            return;
        // Every new page is on the disk before the first rename: a power cut can leave a page
        // old or new, never empty.
        std::vector<std::string> temporaries;
        for (const PlannedPage* page : m_written)
            temporaries.push_back(page->realPath + ".tmp");
        if (auto synced = m_env.fs.syncFiles(temporaries); !synced) {
            for (const std::string& temporary : temporaries)
                (void)m_env.fs.removeFile(temporary);
            return failed(synced.error());
        }
        std::set<std::string> folders;
        for (const PlannedPage* page : m_written) {
            if (auto status = m_env.fs.replaceFile(page->realPath + ".tmp", page->realPath);
                !status) {
                (void)m_env.fs.removeFile(page->realPath + ".tmp");
                failed(status.error());
                continue;
            }
            folders.insert(folderPart(page->realPath));
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
    bool writeTemporary(const PlannedPage& page) {
        auto input = m_env.fs.openForReading(page.realPath);
        if (!input)
            return false; // gone since it was planned: passed over silently, as when planning
        const std::string tempPath = page.realPath + ".tmp";
        auto output = m_env.fs.createFile(tempPath);
        if (!output)
            return false; // no temporary file: passed over silently
        auto abandon = [&](const std::string& description) {
            input->reset();
            output->reset();
            (void)m_env.fs.removeFile(tempPath);
            failed(description);
            return false;
        };
        ApplyRunState state;
        state.levelLinks[page.level] = page.link;
        std::size_t blocks = 0;
        LineReader reader(**input);
        PagePass pass(
            m_options, state, *page.codec, page.level,
            [](const std::string&, const std::string&) {},
            [&](const std::string& titleEntry) {
                const std::string& own =
                    page.blockTitles.empty()
                        ? titleEntry
                        : page.blockTitles[std::min(blocks++, page.blockTitles.size() - 1)];
                fillChain(m_plan, page, own, m_chain);
                return breadcrumbBlock(m_env.style, m_env.styleFolder, m_options, m_chain,
                                       page.level);
            });
        if (auto status = pass.run(reader, **output); !status)
            return abandon(withPathNote(status.error(), page.path));
        input->reset();
        if (auto status = (*output)->close(); !status)
            return abandon(status.error());
        return true;
    }

    static std::string withPathNote(const std::string& sentence, const std::string& path) {
        return sentence + "（" + path + "）";
    }

    const SitePlan& m_plan;
    const ApplyOptions& m_options;
    ApplyEnvironment& m_env;
    ApplyRunSummary& m_summary;
    ApplyRunState m_chain; // the chain of the block being written
    std::vector<const PlannedPage*> m_written;
    int m_done = 0;
};

} // namespace

void writePlan(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
               ApplyRunSummary& summary) {
    PlanWriter(plan, options, env, summary).run();
}

} // namespace solvina
