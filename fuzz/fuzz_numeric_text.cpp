// Fuzz target: the numeric value of a text, its 16-bit rounding and the shortest decimal text.
#include "style/numeric_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace solvina;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = numericValue(text);
    auto rounded = toInt16(value);
    if (rounded && std::fabs(value - *rounded) > 0.5)
        std::abort(); // rounding went to a far neighbour
    if (std::isfinite(value)) {
        // The saved form of a number must read back as the same number.
        const std::string saved = shortestDecimal(value);
        const double back = numericValue(saved);
        if (back != value && !(value == 0 && back == 0))
            std::abort();
    }
    return 0;
}
