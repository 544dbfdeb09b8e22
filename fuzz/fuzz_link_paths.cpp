// Fuzz target: link targets taken out of a line, the page-target test and path normalising.
#include "apply/link_paths.h"
#include "platform/paths.h"
#include "text/ascii.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// A normalised path holds no repeated "/", no "/./" and no "/../", and normalising it again
// changes nothing.
void checkNormalized(const std::string& path) {
    const std::string once = solvina::normalizePath(path);
    if (once.find("//") != std::string::npos || once.find("/./") != std::string::npos ||
        once.find("/../") != std::string::npos)
        std::abort();
    if (solvina::normalizePath(once) != once)
        std::abort();
    if (once.size() > path.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace solvina;
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string upper = asciiUpper(line);
    std::size_t total = 0;
    for (const std::string& target : linkTargets(line, upper)) {
        // Every target is a piece of the line as read.
        if (line.find(target) == std::string::npos)
            std::abort();
        total += target.size();
        if (total > 2 * line.size() + 64)
            std::abort(); // targets must not overlap over and over
        (void)isPageTarget(target);
        checkNormalized("/site/sub/" + target);
        // A link that may be followed is a normalised path from the root of the file system.
        const std::string linked = linkedPath(target, "/site/sub/", "/site/");
        if (!linked.empty() && (normalizePath(linked) != linked || !linked.starts_with("/")))
            std::abort();
    }
    checkNormalized(line);
    (void)folderPart(line);
    return 0;
}
