// The breadcrumb style being edited: eight rows, the whole-list options and the snapshot of
// the values as last loaded or saved.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

namespace solvina {

inline constexpr const char* kStandardFontSize = "標準";

// One element row. Rows 0..6 are the connectors (header, levels 1..4, level 5 and deeper,
// footer); row 7 holds the page-title text settings and, as imageFile, the list's background.
struct StyleRow {
    std::string text;
    std::string fontSize = kStandardFontSize;
    double bold = 0;   // a check state; only exactly 1 counts as on
    double italic = 0; // as bold
    std::int16_t underline = 0;
    std::string color = "000000"; // BBGGRR
    std::string imageFile;        // empty: drawn as text; bare name: in the style folder
    double imageWidth = 0;
    std::int16_t imageHeight = 0;

    bool isBold() const { return bold == 1; }
    bool isItalic() const { return italic == 1; }
    bool isUnderlined() const { return underline == 1; }
};

inline constexpr int kRowCount = 8;
inline constexpr int kHeaderRow = 0;       // the connector before the top page's title
inline constexpr int kDeepestLevelRow = 5; // the connector before level 5 and every deeper one
inline constexpr int kFooterRow = 6;       // the connector after the last title
inline constexpr int kTitleRow = 7;        // the titles' text settings and the background image
inline constexpr int kFieldsPerRow = 9;
inline constexpr int kSnapshotSlots = 101;
inline constexpr int kComparedSlots = 77; // slots 0..76 mirror fields

// The fields of a row in the order the style file stores them; row i's field f has snapshot
// slot kFieldsPerRow * i + f.
enum StyleRowField {
    kFieldText,
    kFieldFontSize,
    kFieldBold,
    kFieldItalic,
    kFieldUnderline,
    kFieldColor,
    kFieldImageFile,
    kFieldImageWidth,
    kFieldImageHeight,
};

// The snapshot slots of the whole-list options, after the rows'.
inline constexpr int kBackgroundColorSlot = 72;
inline constexpr int kBorderWidthSlot = 73;
inline constexpr int kTableAlignSlot = 74;
inline constexpr int kHeightSlot = 75;
inline constexpr int kCellVAlignSlot = 76;

// A snapshot slot holds a text or a number; every slot starts as the empty text.
using SnapshotValue = std::variant<std::string, double>;

struct BreadcrumbStyle {
    std::string styleName;
    std::array<StyleRow, kRowCount> rows;
    std::string backgroundColor; // empty: none; else BBGGRR
    std::string borderWidth = "0";
    int tableAlign = 0; // 0 left, 1 centre, 2 right
    std::string height;
    int cellVAlign = 4; // 3 top, 4 middle, 5 bottom
    std::array<SnapshotValue, kSnapshotSlots> snapshot;
    std::int16_t currentRow = 0;

    // The current value of the field mirrored by snapshot slot 0..76.
    SnapshotValue fieldValue(int slot) const;
    // True when any of slots 0..76 differs from the field it mirrors.
    bool isModified() const;
    // Copies every mirrored field into its slot.
    void refreshSnapshot();
};

// The program-start values: rows and list options as the empty main window shows them,
// every snapshot slot the empty text.
BreadcrumbStyle programStartStyle();

// The rows' texts of a newly created style.
inline constexpr std::array<const char*, kRowCount> kNewStyleRowTexts = {"[Navi:", ">", ">", ">",
                                                                         ">",      ">", "]", ""};

// FLH: true when the text holds no "/" (a bare file name, or empty).
bool FLH(const std::string& text);

// Colour texts. A picker value 0x00BBGGRR as six upper-case hexadecimal digits.
std::string colorTextFromPicker(std::uint32_t value);
// "BBGGRR" to HTML's "RRGGBB" (last two, the two from the third, the first two), without "#".
std::string htmlColor(const std::string& colorText);
// The swatch's 0x00BBGGRR value: the text read as a hexadecimal number; white when empty.
std::uint32_t swatchColor(const std::string& colorText);

} // namespace solvina
