// What a kept run records (manifest.json in its folder): enough to put the site back as it was
// before the run, and to tell a page changed since the run from one the run left.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace solvina {

struct KeptPage {
    std::string path; // the page's real path
    std::string kept; // its old content, relative to the run folder
    std::uint64_t size = 0;
    std::string sha256; // of the content the run wrote
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
Result<KeptRun> parseManifest(const std::string& json);

} // namespace solvina
