// The numeric value of a text as every number field of a style reads it, and the
// conversions between numbers and the texts that style files and HTML carry.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace solvina {

// The number at the start of the text. Blanks, tabs and line feeds are skipped wherever they
// stand (" 1 5" is 15); then an optional sign, ASCII digits, one decimal point and an exponent
// (E or e with optional sign and digits; "2em" is 2). Reading stops at the first character that
// cannot continue the number; a text without a number gives 0. A value too large for a double
// gives an infinity of its sign.
double numericValue(std::string_view text);

// The value taken to the nearest integer, halves to the even neighbour; fails with the
// overflow description outside -32768..32767 (and for infinities and NaN).
Result<std::int16_t> toInt16(double value);

// The shortest decimal text that reads back as the same number, never in exponent form;
// minus zero is "0". Non-finite values give "0".
std::string shortestDecimal(double value);

// The description of a number beyond the range of its field.
inline constexpr const char* kOverflowDescription = "オーバーフローしました。";

} // namespace solvina
