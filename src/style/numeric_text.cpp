// Reading numbers out of typed texts and writing them back in their shortest form.
#include "style/numeric_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace solvina {

namespace {

bool isSkipped(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

double numericValue(std::string_view text) {
    // Gather the characters of the number without the skipped blanks, then let the standard
    // conversion do the rounding.
    std::string number;
    std::size_t i = 0;
    auto skip = [&] {
        while (i < text.size() && isSkipped(text[i]))
            ++i;
    };
    skip();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (;; ++i) {
        skip();
        if (i >= text.size())
            break;
        char c = text[i];
        if (isDigit(c)) {
            number += c;
            digits = true;
        } else if (c == '.' && !point) {
            number += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    // The exponent counts only when digits follow its letter and sign.
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        auto skipAt = [&] {
            while (j < text.size() && isSkipped(text[j]))
                ++j;
        };
        skipAt();
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponent += text[j];
            ++j;
        }
        bool exponentDigits = false;
        for (;; ++j) {
            skipAt();
            if (j >= text.size() || !isDigit(text[j]))
                break;
            exponent += text[j];
            exponentDigits = true;
        }
        if (exponentDigits)
            number += exponent;
    }
    if (number.front() == '.')
        number.insert(number.begin(), '0');
    double value = 0.0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Tell overflow from underflow by the size of the number as written.
        double probe = std::strtod(number.c_str(), nullptr);
        value = std::isinf(probe) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

Result<std::int16_t> toInt16(double value) {
    if (!std::isfinite(value))
        return fail(kOverflowDescription);
    double rounded = std::nearbyint(value); // the default rounding mode sends halves to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return fail(kOverflowDescription);
    return static_cast<std::int16_t>(rounded);
}

std::string shortestDecimal(double value) {
    if (!std::isfinite(value) || value == 0.0)
        return "0";
    std::array<char, 400> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed);
    if (error != std::errc())
        return "0";
    return {buffer.data(), end};
}

} // namespace solvina
