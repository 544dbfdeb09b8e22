// The style model: which field each snapshot slot mirrors, the modified test, FLH, colours.
#include "style/breadcrumb_style.h"

#include "platform/paths.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace solvina {
namespace {

// A style whose every mirrored field holds a value of its own, so that a slot mapped to the
// wrong field shows.
BreadcrumbStyle distinctStyle() {
    BreadcrumbStyle style = programStartStyle();
    for (int i = 0; i < kRowCount; ++i) {
        const std::string n = std::to_string(i);
        const auto k = static_cast<std::int16_t>(100 * i);
        style.rows[i] = {"text" + n,          "size" + n,  k + 2.0,     k + 3.0,
                         std::int16_t(k + 4), "color" + n, "image" + n, k + 7.5,
                         std::int16_t(k + 8)};
    }
    style.backgroundColor = "background";
    style.borderWidth = "border";
    style.tableAlign = 2;
    style.height = "height";
    style.cellVAlign = 5;
    return style;
}

TEST(BreadcrumbStyle, EachSlotMirrorsItsField) {
    const BreadcrumbStyle style = distinctStyle();
    for (int i = 0; i < kRowCount; ++i) {
        const std::string n = std::to_string(i);
        const double k = 100 * i;
        const SnapshotValue row[] = {"text" + n,  "size" + n,  k + 2,   k + 3, k + 4,
                                     "color" + n, "image" + n, k + 7.5, k + 8};
        for (int f = 0; f < kFieldsPerRow; ++f)
            EXPECT_EQ(style.fieldValue(kFieldsPerRow * i + f), row[f]) << "row " << i << " " << f;
    }
    const SnapshotValue options[] = {"background", "border", 2.0, "height", 5.0};
    for (int slot = 72; slot < kComparedSlots; ++slot)
        EXPECT_EQ(style.fieldValue(slot), options[slot - 72]) << slot;
}

TEST(BreadcrumbStyle, ProgramStartCountsAsModifiedUntilTheSnapshotIsFilled) {
    // The empty texts of program start stand against number fields.
    BreadcrumbStyle style = programStartStyle();
    EXPECT_TRUE(style.isModified());
    style.refreshSnapshot();
    EXPECT_FALSE(style.isModified());
}

// Each field's slot is pinned above; here the first and last slots and how slots compare.
TEST(BreadcrumbStyle, ModifiedTestComparesEveryMirroredField) {
    const struct {
        const char* name;
        std::function<void(BreadcrumbStyle&)> edit;
        bool modified;
    } cases[] = {
        {"nothing", [](BreadcrumbStyle&) {}, false},
        {"text typed and deleted", [](BreadcrumbStyle& s) { s.rows[2].text = "text2"; }, false},
        {"row 7 text", [](BreadcrumbStyle& s) { s.rows[7].text += "x"; }, true},
        {"case counts", [](BreadcrumbStyle& s) { s.rows[0].color = "COLOR0"; }, true},
        {"image width", [](BreadcrumbStyle& s) { s.rows[1].imageWidth = 0; }, true},
        {"image height", [](BreadcrumbStyle& s) { s.rows[0].imageHeight = 9; }, true},
        {"cell align", [](BreadcrumbStyle& s) { s.cellVAlign = 3; }, true},
        {"unused slot", [](BreadcrumbStyle& s) { s.snapshot[77] = 5.0; }, false},
        {"number slot 1.0 against 1",
         [](BreadcrumbStyle& s) {
             s.rows[0].bold = 1;
             s.snapshot[2] = 1.0;
         },
         false},
        {"number field against a text slot",
         [](BreadcrumbStyle& s) { s.snapshot[2] = std::string("2"); }, true},
    };
    for (const auto& c : cases) {
        BreadcrumbStyle style = distinctStyle();
        style.refreshSnapshot();
        c.edit(style);
        EXPECT_EQ(style.isModified(), c.modified) << c.name;
    }
}

TEST(BreadcrumbStyle, FlhTellsBareNamesFromPaths) {
    const struct {
        const char* text;
        bool bare;
        const char* fileName;
    } cases[] = {
        {"/a/b.gif", false, "b.gif"},
        {"b.gif", true, "b.gif"},
        {"", true, ""},
        {"dir/", false, ""},
        {"/x", false, "x"},
        {"画像/矢印.gif", false, "矢印.gif"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FLH(c.text), c.bare);
        EXPECT_EQ(fileNamePart(c.text), c.fileName);
    }
}

TEST(ColorText, PickerValueBecomesSixUpperCaseDigits) {
    const struct {
        std::uint32_t value;
        const char* text;
    } cases[] = {{0x0000FF, "0000FF"},  {0xFF0000, "FF0000"}, {0, "000000"},
                 {0xFF0, "000FF0"},     {0xABCDEF, "ABCDEF"}, {0x10, "000010"},
                 {0x1000000, "1000000"}};
    for (const auto& c : cases)
        EXPECT_EQ(colorTextFromPicker(c.value), c.text) << c.value;
}

TEST(ColorText, HtmlColorSwapsTheOuterPairsByCharacter) {
    const struct {
        const char* text;
        const char* html;
    } cases[] = {
        {"0000FF", "FF0000"}, {"123456", "563412"},  {"", ""},
        {"A", "AA"},          {"AB", "ABAB"},        {"ABC", "BCCAB"},
        {"ABCD", "CDCDAB"},   {"1234567", "673412"}, {"赤緑青", "緑青青赤緑"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(htmlColor(c.text), c.html) << c.text;
}

TEST(ColorText, SwatchReadsHexadecimalAndShowsWhiteOtherwise) {
    const struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {{"", 0xFFFFFF},        {"0000FF", 0x0000FF}, {"ff0000", 0xFF0000},
                 {"FF0", 0x000FF0},     {"000000", 0},        {"XYZ", 0xFFFFFF},
                 {" 0000FF", 0xFFFFFF}, {"1234567", 0xFFFFFF}};
    for (const auto& c : cases)
        EXPECT_EQ(swatchColor(c.text), c.value) << "\"" << c.text << "\"";
}

} // namespace
} // namespace solvina
