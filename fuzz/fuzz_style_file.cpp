// Fuzz target: the style-file reader on any bytes; a style that loads is saved and read again
// and must come back with the same numbers.
#include "style/style_file.h"
#include "support/memory_file_system.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace solvina;
    test_support::MemoryFileSystem fs;
    fs.files["/lib/F/F.sty"] = std::string(reinterpret_cast<const char*>(data), size);
    BreadcrumbStyle style = programStartStyle();
    StyleReadResult result = readStyleFile(fs, "/lib/F/F.sty", style);
    if (!result.ok())
        return 0;
    if (!writeStyleFile(fs, "/lib/F/saved.sty", style).ok())
        return 0; // values that cannot be saved are refused before anything is written
    BreadcrumbStyle again = programStartStyle();
    if (!readStyleFile(fs, "/lib/F/saved.sty", again).ok())
        std::abort(); // a saved style must load
    for (int row = 0; row < kRowCount; ++row) {
        const StyleRow& a = style.rows[row];
        const StyleRow& b = again.rows[row];
        if (a.bold != b.bold || a.italic != b.italic || a.underline != b.underline ||
            a.imageWidth != b.imageWidth || a.imageHeight != b.imageHeight)
            std::abort();
    }
    if (style.tableAlign != again.tableAlign || style.cellVAlign != again.cellVAlign)
        std::abort();
    return 0;
}
