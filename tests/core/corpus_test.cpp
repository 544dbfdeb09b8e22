// Real sites by other people, copied into a temporary folder: apply gives every page with a
// body tag one block and the recorded bytes; erase gives back the pages.
#include "apply/page_codec.h"
#include "cli/cli_commands.h"
#include "platform/text_codec.h"
#include "support/added_breaks.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace solvina::test_support {
namespace {

namespace fs = std::filesystem;

struct CorpusSite {
    const char* name;    // a case of the digest file
    const char* folder;  // below the corpus folder
    const char* topPage; // below the site's folder
    const char* minify;  // a page whose lines are joined into one before the run, or nullptr
};

const CorpusSite kSites[] = {
    {"teraterm-ja", "teraterm-ja", "index.html", nullptr},
    {"hsp-manual", "hsp-manual", "index.htm", nullptr},
    {"oi-kochi-web", "oi-kochi-web", "oikochiindex.en.html", nullptr},
    {"diveintohtml5", "diveintohtml5", "index.html", nullptr},
    {"teraterm-ja minified", "teraterm-ja", "index.html", "setup/lng.html"},
};

const std::string kDigestFile = std::string(SOLVINA_TEST_DATA_DIR) + "/corpus-digests.tsv";

// 64-bit FNV-1a: enough to tell any change of a page's bytes.
std::string digest(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::size_t occurrences(std::string_view text, std::string_view pattern) {
    std::size_t count = 0;
    for (std::size_t at = text.find(pattern); at != std::string_view::npos;
         at = text.find(pattern, at + 1))
        ++count;
    return count;
}

// The end markers of a page written in UTF-8 or in CP932.
std::size_t blocksIn(std::string_view page) {
    static const std::string cp932Marker = *cp932().encode(kEndMarker, Unencodable::Fail);
    return occurrences(page, kEndMarker) + occurrences(page, cp932Marker);
}

bool holdsBodyTag(std::string page) {
    for (char& c : page)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return page.find("<BODY") != std::string::npos;
}

std::map<std::string, std::string> readPages(const std::string& folder) {
    std::map<std::string, std::string> pages;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".htm" || extension == ".html" ||
                                        extension == ".HTM" || extension == ".HTML"))
            pages[fs::relative(entry.path(), folder).string()] = TempDir::readFile(entry.path());
    }
    return pages;
}

// "case<TAB>page<TAB>digest" lines, by case and page.
std::map<std::string, std::map<std::string, std::string>> readDigests() {
    std::map<std::string, std::map<std::string, std::string>> digests;
    std::istringstream lines(TempDir::readFile(kDigestFile));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t'), second = line.rfind('\t');
        if (line.empty() || line.front() == '#' || tab == second)
            continue;
        digests[line.substr(0, tab)][line.substr(tab + 1, second - tab - 1)] =
            line.substr(second + 1);
    }
    return digests;
}

TEST(CorpusTest, ApplyWritesTheRecordedBytesAndEraseGivesThePagesBack) {
    const std::string corpus = SOLVINA_CORPUS_DIR;
    if (!fs::is_directory(corpus))
        GTEST_SKIP() << "no corpus at " << corpus;
    // SOLVINA_UPDATE_CORPUS_DIGESTS=1 rewrites the digest file from this run's output.
    const bool update = std::getenv("SOLVINA_UPDATE_CORPUS_DIGESTS") != nullptr;
    const auto recorded = readDigests();
    std::string digestText = "# The output of apply (default options, the sample style) on the "
                             "corpus sites: case, page, 64-bit FNV-1a of its bytes.\n";
    for (const CorpusSite& site : kSites) {
        SCOPED_TRACE(site.name);
        TempDir dir;
        fs::copy(corpus + "/" + site.folder + "/site", dir / "site", fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(dir / "site"))
            fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add);
        if (site.minify != nullptr) {
            std::string page = dir.read(std::string("site/") + site.minify);
            ASSERT_FALSE(page.empty()) << site.minify;
            std::erase_if(page, [](char c) { return c == '\r' || c == '\n'; });
            dir.write(std::string("site/") + site.minify, page);
        }
        const auto original = readPages(dir / "site");
        const std::vector<std::string> args = {"--library", SOLVINA_SAMPLE_LIBRARY, "--style",
                                               "サンプル",
                                               dir / ("site/" + std::string(site.topPage))};
        std::ostringstream out, err;
        EXPECT_EQ(runApplyCommand(args, out, err), 0) << err.str();

        const auto applied = readPages(dir / "site");
        std::size_t reached = 0;
        std::istringstream progress(out.str());
        for (std::string line; std::getline(progress, line);) {
            const std::size_t at = line.find(dir / "site/");
            if (at == std::string::npos)
                continue;
            const std::string page = line.substr(at + (dir / "site/").size());
            ++reached;
            EXPECT_EQ(blocksIn(applied.at(page)), holdsBodyTag(original.at(page)) ? 1u : 0u)
                << page;
        }
        EXPECT_GT(reached, 10u);
        if (site.minify != nullptr) {
            EXPECT_EQ(blocksIn(applied.at(site.minify)), 1u);
        }

        for (const auto& [page, bytes] : applied) {
            digestText += std::string(site.name) + "\t" + page + "\t" + digest(bytes) + "\n";
            if (update)
                continue;
            auto found = recorded.find(site.name);
            const std::string expected = found == recorded.end() || found->second.count(page) == 0
                                             ? "(none recorded)"
                                             : found->second.at(page);
            EXPECT_EQ(digest(bytes), expected)
                << page << ": the output differs from the one recorded in " << kDigestFile
                << " (after a deliberate change: SOLVINA_UPDATE_CORPUS_DIGESTS=1 rewrites it)";
        }

        EXPECT_EQ(runEraseCommand(args, out, err), 0) << err.str();
        for (const auto& [page, bytes] : readPages(dir / "site"))
            EXPECT_TRUE(sameApartFromAddedBreaks(original.at(page), bytes)) << page;
    }
    if (update)
        std::ofstream(kDigestFile, std::ios::binary) << digestText;
}

} // namespace
} // namespace solvina::test_support
