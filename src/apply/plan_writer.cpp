// Writing the planned pages: temporary files, one sync, renames, folder syncs.
#include "apply/plan_writer.h"

#include "apply/breadcrumb_block.h"
#include "apply/line_reader.h"
#include "apply/link_paths.h"
#include "apply/page_pass.h"
#include "apply/run_undo.h"
#include "platform/paths.h"

#include <algorithm>
#include <optional>
#include <set>

namespace solvina {

namespace {

constexpr std::size_t kCopySize = std::size_t{64} * 1024;
// A page's bytes differ from those the plan was made from: its blocks would land elsewhere.
constexpr const char* kChangedDescription = "ページが計画の後に変わりました。";

// Copies a page's bytes to the new page up to a point, and takes the bytes of a line.
class ByteCopier {
public:
    ByteCopier(InputFile& input, OutputFile& output) : m_input(input), m_output(output) {}

    // Copies up to the byte at offset (to the end when none).
    Status copyTo(std::optional<std::uint64_t> offset) {
        while (!offset || m_position < *offset) {
            if (m_start == m_buffer.size())
                if (auto status = fill(); !status)
                    return status;
            if (m_start == m_buffer.size()) {
                if (!offset)
                    return {};
                return fail(kChangedDescription);
            }
            std::size_t size = m_buffer.size() - m_start;
            if (offset)
                size =
                    static_cast<std::size_t>(std::min<std::uint64_t>(size, *offset - m_position));
            if (auto status = m_output.write(std::string_view(m_buffer).substr(m_start, size));
                !status)
                return status;
            m_start += size;
            m_position += size;
        }
        return {};
    }

    // The next length bytes; valid until the next call.
    Result<std::string_view> take(std::size_t length) {
        if (m_start > 0) {
            m_buffer.erase(0, m_start);
            m_start = 0;
        }
        while (m_buffer.size() < length) {
            auto got = appendRead(m_input, m_buffer, std::max(kCopySize, length - m_buffer.size()));
            if (!got)
                return std::move(got).takeError();
            if (*got == 0)
                return fail(kChangedDescription);
        }
        m_start = length;
        m_position += length;
        return std::string_view(m_buffer).substr(0, length);
    }

private:
    Status fill() {
        m_buffer.clear();
        m_start = 0;
        auto got = appendRead(m_input, m_buffer, kCopySize);
        if (!got)
            return std::move(got).takeError();
        return {};
    }

    InputFile& m_input;
    OutputFile& m_output;
    std::string m_buffer;
    std::size_t m_start = 0;      // first byte not yet copied
    std::uint64_t m_position = 0; // in the page, of m_buffer[m_start]
};

class PlanWriter {
public:
    PlanWriter(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
               ApplyRunSummary& summary, RunKeeper* keeper)
        : m_plan(plan), m_options(options), m_env(env), m_summary(summary), m_keeper(keeper) {}

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
            m_env.reporter.pageWritten(page.path(), ++m_done, static_cast<int>(planned));
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
            if (auto kept = m_keeper->keepPages(m_written); !kept) {
                for (const std::string& temporary : temporaries)
                    (void)m_env.fs.removeFile(temporary);
                return failed(kept.error());
            }
        std::set<std::string> folders;
        for (const PlannedPage* page : m_written) {
            if (auto status = m_env.fs.replaceFile(page->realPath() + ".tmp", page->realPath());
                !status) {
                (void)m_env.fs.removeFile(page->realPath() + ".tmp");
                failed(status.error());
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
    bool writeTemporary(const PlannedPage& page) {
        if (!unchangedSincePlanned(page))
            return failed(withPathNote(kChangedDescription, page.path())), false;
        auto input = m_env.fs.openForReading(page.realPath());
        if (!input)
            return false; // gone since it was planned: passed over silently, as when planning
        const std::string tempPath = page.realPath() + ".tmp";
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
        state.levelLinks[page.level] = page.link();
        std::size_t blocks = 0;
        LineReader reader(**input);
        PagePass pass(
            m_options, state, *page.codec, page.level,
            [](const std::string&, const std::string&) {},
            [&](const std::string& titleEntry) {
                const std::string& own =
                    page.blocks() == 0 ? titleEntry : page.blockTitle(blocks++);
                fillChain(m_plan, page, own, m_chain);
                return breadcrumbBlock(m_env.style, m_env.styleFolder, m_options, m_chain,
                                       page.level);
            });
        const Status written = page.onlyPlacedLinesChange
                                   ? rewritePlacedLines(page, pass, **input, **output)
                                   : pass.run(reader, **output);
        if (!written)
            return abandon(withPathNote(written.error(), page.path()));
        input->reset();
        if (auto status = (*output)->close(); !status)
            return abandon(status.error());
        // Changed while it was read: the new page would hold a mix of old and new bytes.
        if (!unchangedSincePlanned(page))
            return abandon(withPathNote(kChangedDescription, page.path()));
        return true;
    }

    // A page gone since it was planned counts as unchanged: opening it then passes it over.
    bool unchangedSincePlanned(const PlannedPage& page) {
        auto now = m_env.fs.identity(page.realPath());
        return !now || sameFileUnchanged(page.identity(), *now);
    }

    // The page copied as it is but for the lines that get a block: no line of it is split or
    // read as text.
    static Status rewritePlacedLines(const PlannedPage& page, PagePass& pass, InputFile& input,
                                     OutputFile& output) {
        ByteCopier copier(input, output);
        for (const PlacedLine& line : page.placedLines) {
            if (auto status = copier.copyTo(line.offset); !status)
                return status;
            auto bytes = copier.take(line.length);
            if (!bytes)
                return std::move(bytes).takeError();
            std::string_view text = *bytes;
            std::size_t endLength = 0;
            if (!text.empty() && text.back() == '\n')
                endLength = text.size() >= 2 && text[text.size() - 2] == '\r' ? 2 : 1;
            else if (!text.empty() && text.back() == '\r')
                endLength = 1;
            const RawLine raw{text.substr(0, text.size() - endLength),
                              text.substr(text.size() - endLength)};
            if (auto status = pass.placeBlock(raw, line.inComment, page.firstLineEnd, output);
                !status)
                return status;
        }
        return copier.copyTo(std::nullopt);
    }

    static std::string withPathNote(const std::string& sentence, const std::string& path) {
        return sentence + "（" + path + "）";
    }

    const SitePlan& m_plan;
    const ApplyOptions& m_options;
    ApplyEnvironment& m_env;
    ApplyRunSummary& m_summary;
    RunKeeper* m_keeper;
    ApplyRunState m_chain; // the chain of the block being written
    std::vector<const PlannedPage*> m_written;
    int m_done = 0;
};

} // namespace

void writePlan(const SitePlan& plan, const ApplyOptions& options, ApplyEnvironment& env,
               ApplyRunSummary& summary, RunKeeper* keeper) {
    PlanWriter(plan, options, env, summary, keeper).run();
}

} // namespace solvina
