// The numeric value of typed texts, the 16-bit conversion and the shortest decimal form.
#include "style/numeric_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace solvina {
namespace {

struct NumericCase {
    const char* text;
    double value;
};

TEST(NumericValue, ReadsTheLeadingNumberAsTyped) {
    const NumericCase cases[] = {
        {"", 0},      {"abc", 0},    {"0", 0},       {" 1 ", 1},       {" 1 5", 15}, {"\t\n-3", -3},
        {"- 3", -3},  {"+7", 7},     {"12.5", 12.5}, {"1.2.3", 1.2},   {".5", 0.5},  {"80px", 80},
        {"2em", 2},   {"2e3", 2000}, {"2E-1", 0.2},  {"2e", 2},        {"2e+", 2},   {"1 e 2", 100},
        {"30px", 30}, {"１２", 0},   {"+-1", 0},     {"100.5", 100.5}, {"-", 0},     {".", 0},
        {"0x10", 0},  {"nan", 0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(numericValue(c.text), c.value) << "text: \"" << c.text << "\"";
}

TEST(NumericValue, OverflowGivesInfinity) {
    EXPECT_TRUE(std::isinf(numericValue("1e999")));
    EXPECT_LT(numericValue("-1e999"), 0);
    EXPECT_EQ(numericValue("1e-999"), 0);
}

TEST(ToInt16, RoundsHalvesToEvenAndChecksTheRange) {
    const struct {
        double value;
        int expected;
    } cases[] = {{100.5, 100},   {101.5, 102},     {12.5, 12},       {13.5, 14},        {-2.5, -2},
                 {32767, 32767}, {-32768, -32768}, {32767.4, 32767}, {-32768.5, -32768}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        auto result = toInt16(c.value);
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(*result, c.expected);
    }
    for (double bad : {32767.5, 32768.0, -32769.0, double(INFINITY), double(NAN)})
        EXPECT_FALSE(toInt16(bad).ok()) << bad;
}

TEST(ShortestDecimal, NeverUsesExponentForm) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0, "0"},     {-0.0, "0"}, {100.5, "100.5"}, {-3, "-3"},
                 {0.1, "0.1"}, {24, "24"},  {1e-5, "0.00001"}};
    for (const auto& c : cases)
        EXPECT_EQ(shortestDecimal(c.value), c.text) << c.value;
    EXPECT_EQ(shortestDecimal(1e21), "1000000000000000000000");
}

} // namespace
} // namespace solvina
