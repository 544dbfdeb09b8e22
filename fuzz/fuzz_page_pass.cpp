// Fuzz target: an apply run over pages made of random bytes, in memory. Byte 0 chooses the
// options, byte 1 how many bytes one read hands out; the rest is split at "\n#PAGE#\n" into the
// top page index.htm and the pages a.htm, sub/b.htm and sub/deep/c.html that it may link to.
// Whatever the pages hold, the run ends, leaves no temporary file, and every page is still there;
// reading long lines in pieces writes what holding them whole writes.
// An erase run afterwards gives every page back its bytes, apart from the line breaks a split
// body-tag line gains, unless a page held something like a marker or its encoding changed.
#include "apply/apply_run.h"
#include "apply/page_encoding.h"
#include "support/added_breaks.h"
#include "support/memory_file_system.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace {

class QuietReporter : public solvina::ApplyReporter {
public:
    void pageEntered(const std::string&) override {}
    void pageFailed(const std::string&) override {}
};

solvina::ApplyOptions optionsFrom(std::uint8_t bits) {
    solvina::ApplyOptions options;
    options.topPagePath = "/site/index.htm";
    options.insertAtTop = bits & 1;
    options.insertAtBottom = bits & 2;
    options.addRule = bits & 4;
    options.linkTitles = bits & 8;
    options.skipTopPage = bits & 16;
    options.useTopPageTitle = bits & 32;
    options.topPageTitle = "トップ<ページ>\\";
    options.eraseAll = bits & 64;
    options.linkHeader = options.linkFooter = bits & 128;
    options.headerLink = "..\\top.htm";
    options.footerLink = "http://example.com/";
    return options;
}

std::string encodingOf(std::string_view page) {
    if (auto declared = solvina::declaredPageEncoding(page.substr(0, 1024)))
        return declared->name;
    solvina::Utf8Validator validator;
    validator.feed(page);
    return solvina::undeclaredPageEncoding(validator).name;
}

// A marker begins "<!--" and a non-ASCII character, in some encoding or as a reference.
bool mayHoldMarker(std::string_view page) {
    for (std::size_t at = page.find("<!--"); at != std::string_view::npos;
         at = page.find("<!--", at + 1)) {
        if (at + 4 < page.size() &&
            (static_cast<unsigned char>(page[at + 4]) >= 0x80 || page[at + 4] == '&'))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace solvina;
    if (size < 2)
        return 0;
    static const char* const kPages[] = {"/site/index.htm", "/site/a.htm", "/site/sub/b.htm",
                                         "/site/sub/deep/c.html"};
    test_support::MemoryFileSystem fs;
    fs.readChunk = data[1] == 0 ? 64 * 1024 : data[1];
    fs.files["/lib/Std/Std.sty"] = "<quibrel v1.0>\r\n";
    fs.files["/lib/Std/arrow.gif"] = "GIF89a";

    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    constexpr std::string_view kSeparator = "\n#PAGE#\n";
    for (const char* page : kPages) {
        std::size_t cut = rest.find(kSeparator);
        fs.files[page] = std::string(rest.substr(0, cut));
        if (cut == std::string_view::npos)
            break;
        rest.remove_prefix(cut + kSeparator.size());
    }

    BreadcrumbStyle style = programStartStyle();
    style.styleName = "Std";
    style.rows[0].text = "[Navi:";
    style.rows[3].imageFile = "arrow.gif";
    style.rows[3].imageWidth = 8;
    style.rows[3].imageHeight = 8;
    QuietReporter reporter;
    ApplyEnvironment env{fs, style, "/lib/Std/", reporter};
    ApplyOptions options = optionsFrom(data[0]);
    options.longLine = 1 + data[1] % 32;
    ApplyRunState state;
    state.reset();
    const std::map<std::string, std::string> original = fs.files;
    (void)runApply(options, state, env);

    // Long lines were read in pieces: holding them whole writes the same pages.
    test_support::MemoryFileSystem wholeFs;
    wholeFs.readChunk = fs.readChunk;
    wholeFs.files = original;
    ApplyEnvironment wholeEnv{wholeFs, style, "/lib/Std/", reporter};
    ApplyOptions whole = options;
    whole.longLine = kLongLine;
    state.reset();
    (void)runApply(whole, state, wholeEnv);
    if (wholeFs.files != fs.files)
        std::abort();

    for (const auto& [path, bytes] : fs.files)
        if (path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0)
            std::abort(); // a temporary file was left behind

    // A title image address can carry a marker into other pages' blocks: no page may hold one.
    for (const char* page : kPages)
        if (original.count(page) != 0 && mayHoldMarker(original.at(page)))
            return 0;
    std::map<std::string, bool> sameEncoding;
    for (const char* page : kPages)
        if (original.count(page) != 0)
            sameEncoding[page] = encodingOf(original.at(page)) == encodingOf(fs.files[page]);
    ApplyOptions erase = options;
    erase.eraseAll = true;
    state.reset();
    (void)runApply(erase, state, env);
    for (const char* page : kPages)
        if (original.count(page) != 0 && sameEncoding[page] &&
            !solvina::test_support::sameApartFromAddedBreaks(original.at(page), fs.files[page]))
            std::abort(); // apply and erase changed the page
    return 0;
}
