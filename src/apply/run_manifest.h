// What a kept run records (manifest.json in its folder): enough to put the site back as it was
// before the run, and to tell a page changed since the run from one the run left.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace solvina {

struct KeptPage {
    std::string path; // the page's real path
    std::string kept; // its old content, relative to the run folder
    std::uint64_t size = 0;
    std::string digest; // of the content the run wrote, its kind in front ("xxh128:...")
};

struct KeptRun {
    std::string id;      // also the name of its folder; sorts by time
    std::string topPage; // real path
    std::string time;    // local time, "2026-12-07 15:40:01"
    std::string kind;    // "apply" or "erase"
    std::string options; // as command-line options
    std::string quibrel; // the site's quibrel folder
    std::vector<KeptPage> pages;
    // The quibrel files the run wrote: kept empty for one it created.
    std::vector<KeptPage> quibrelFiles;
    // The quibrel folders the run created (quibrel itself first when it did), parents first.
    std::vector<std::string> quibrelFolders;
};

std::string manifestJson(const KeptRun& run);
// The manifest in three parts, for a run of many pages written piece by piece: all but the
// pages (and the opening of their list), each page (index: its place in the list), the end.
std::string manifestHead(const KeptRun& run);
std::string manifestEntry(const KeptPage& page, std::size_t index);
std::string manifestEnd(std::size_t pages);

enum class ManifestPart {
    Whole,
    Head, // everything before the pages; json may stop anywhere after that
};
// With onPage, the pages are handed to it one by one instead of kept in run.pages.
Result<KeptRun> parseManifest(const std::string& json, ManifestPart part = ManifestPart::Whole,
                              const std::function<void(const KeptPage&)>& onPage = {});

} // namespace solvina
