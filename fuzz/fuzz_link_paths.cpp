// Fuzz target: link targets taken out of a line (from its text, and from its bytes as UTF-8 and
// CP932), the page-target test and path normalising.
#include "apply/link_paths.h"
#include "apply/page_codec.h"
#include "apply/text_search.h"
#include "platform/paths.h"
#include "text/ascii.h"
#include "text/utf8.h"

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
    // Joined to a folder that needs no folding, only the rest is folded: the same path.
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash + 1);
        if (solvina::normalizePath(folder) == folder &&
            solvina::normalizeInFolder(folder, std::string_view(path).substr(slash + 1)) != once)
            std::abort();
    }
}

// Links taken from the bytes are those of the decoded line.
void checkTakenFromBytes(const solvina::PageCodec& codec, std::string_view bytes) {
    using namespace solvina;
    const auto decodeInto = [&](std::string_view part, std::string& text) {
        codec.decodeInto(part, text);
    };
    // Targets left from an earlier line are reused, never kept.
    std::vector<std::string> fromBytes{"a target left from an earlier line", "x"};
    if (!linkTargetsOfBytes(bytes, decodeInto, fromBytes))
        return;
    const std::string text = codec.decode(bytes);
    if (fromBytes != linkTargets(text))
        std::abort();
}

const solvina::PageCodec& pageCodec(const char* name) {
    static const solvina::PageCodec utf8({"UTF-8", "UTF-8"}, *solvina::TextCodec::open("UTF-8"));
    static const solvina::PageCodec shiftJis({"Shift_JIS", "CP932"},
                                             *solvina::TextCodec::open("CP932"));
    return std::string_view(name) == "UTF-8" ? utf8 : shiftJis;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace solvina;
    const std::string line(reinterpret_cast<const char*>(data), size);
    // Searching in either letter case finds what a search in the upper-cased copy finds.
    const std::string upper = asciiUpper(line);
    for (std::string_view pattern : {"<A HREF=", "<!--NOTQUIBREL-->", "<TITLE>", "<B", "-->"})
        for (std::size_t from : {std::size_t{0}, size / 2, size})
            if (findIgnoringAsciiCase(line, pattern, from) !=
                std::string_view(upper).find(pattern, from))
                std::abort();
    std::size_t total = 0;
    for (const std::string& target : linkTargets(line)) {
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
        // Folded from where it joins a normal folder, or whole: the same path.
        if (linkedPath(target, "/site/sub/", "/site/", true) != linked)
            std::abort();
    }
    Utf8Validator validator;
    validator.feed(line);
    if (validator.valid() != isValidUtf8(line))
        std::abort();
    checkTakenFromBytes(pageCodec("UTF-8"), line);
    checkTakenFromBytes(pageCodec("Shift_JIS"), line);
    checkNormalized(line);
    (void)folderPart(line);
    return 0;
}
