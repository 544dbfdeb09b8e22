// Tests of the byte test that lets a page's pass write a line without decoding it.
#include "apply/text_search.h"

#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace solvina {
namespace {

TEST(MayHoldMarkupTest, FindsEveryTagThePassActsOnInAnyLetterCase) {
    const struct {
        const char* label;
        std::string bytes;
        bool mayHold;
    } cases[] = {
        {"empty", "", false},
        {"text_only", "plain text, no tags", false},
        {"other_tags", "<p><table><tr><td>x</td></tr></table></p>", false},
        {"comment", "<!-- note -->", true},
        {"cp932_marker",
         *cp932().encode("x<!--ソルビナ(https://solvina.example/)-->", Unencodable::Fail), true},
        {"title_lower", "<title>t</title>", true},
        {"title_with_attribute", "<title lang=ja>", false},
        {"link_mixed_case", "<p><a HrEf=\"x.htm\">", true},
        {"link_with_other_attribute", "<a class=x href=\"x.htm\">", false},
        {"body_with_attributes", "<body bgcolor=\"#fff\">", true},
        {"body_end", "</Body></html>", true},
        {"tbody_is_not_body", "<tbody></tbody>", false},
        {"cut_at_line_end", "text <BOD", false},
        {"after_many_tags", "<b><i><u><s><q></q>" + std::string(50, 'x') + "<a href=\"y.html\">",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(mayHoldMarkup(c.bytes), c.mayHold);
    }
}

} // namespace
} // namespace solvina
