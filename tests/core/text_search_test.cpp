// Tests of the byte test that lets a page's pass write a line without decoding it.
#include "apply/text_search.h"

#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace solvina {
namespace {

struct MarkupCase {
    const char* label;
    std::string bytes;
    bool mayHold;
};
void PrintTo(const MarkupCase& c, std::ostream* out) {
    *out << c.label;
}

class MayHoldMarkupTest : public testing::TestWithParam<MarkupCase> {};

TEST_P(MayHoldMarkupTest, FindsEveryTagThePassActsOnInAnyLetterCase) {
    EXPECT_EQ(mayHoldMarkup(GetParam().bytes), GetParam().mayHold);
}

const std::string kCp932Marker =
    *cp932().encode("x<!--ソルビナ(https://solvina.example/)-->", Unencodable::Fail);

INSTANTIATE_TEST_SUITE_P(
    Lines, MayHoldMarkupTest,
    testing::Values(MarkupCase{"empty", "", false},
                    MarkupCase{"text_only", "plain text, no tags", false},
                    MarkupCase{"other_tags", "<p><table><tr><td>x</td></tr></table></p>", false},
                    MarkupCase{"comment", "<!-- note -->", true},
                    MarkupCase{"cp932_marker", kCp932Marker, true},
                    MarkupCase{"title_lower", "<title>t</title>", true},
                    MarkupCase{"title_with_attribute", "<title lang=ja>", false},
                    MarkupCase{"link_mixed_case", "<p><a HrEf=\"x.htm\">", true},
                    MarkupCase{"link_with_other_attribute", "<a class=x href=\"x.htm\">", false},
                    MarkupCase{"body_with_attributes", "<body bgcolor=\"#fff\">", true},
                    MarkupCase{"body_end", "</Body></html>", true},
                    MarkupCase{"tbody_is_not_body", "<tbody></tbody>", false},
                    MarkupCase{"cut_at_line_end", "text <BOD", false},
                    MarkupCase{"after_many_tags",
                               "<b><i><u><s><q></q>" + std::string(50, 'x') + "<a href=\"y.html\">",
                               true}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace solvina
