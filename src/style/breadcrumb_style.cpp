// The style model's snapshot comparison, start values, path test and colour texts.
#include "style/breadcrumb_style.h"

#include "text/utf8.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace solvina {

namespace {

SnapshotValue rowFieldValue(const StyleRow& row, int field) {
    switch (field) {
    case kFieldText:
        return row.text;
    case kFieldFontSize:
        return row.fontSize;
    case kFieldBold:
        return row.bold;
    case kFieldItalic:
        return row.italic;
    case kFieldUnderline:
        return static_cast<double>(row.underline);
    case kFieldColor:
        return row.color;
    case kFieldImageFile:
        return row.imageFile;
    case kFieldImageWidth:
        return row.imageWidth;
    default:
        return static_cast<double>(row.imageHeight);
    }
}

// The characters of a UTF-8 text, each as its bytes, so that colour texts are cut by
// characters and never inside one.
std::vector<std::string> utf8Characters(const std::string& text) {
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t next = advanceCharacters(text, i, 1);
        characters.push_back(text.substr(i, next - i));
        i = next;
    }
    return characters;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

SnapshotValue BreadcrumbStyle::fieldValue(int slot) const {
    if (slot >= 0 && slot < kRowCount * kFieldsPerRow)
        return rowFieldValue(rows[slot / kFieldsPerRow], slot % kFieldsPerRow);
    switch (slot) {
    case kBackgroundColorSlot:
        return backgroundColor;
    case kBorderWidthSlot:
        return borderWidth;
    case kTableAlignSlot:
        return static_cast<double>(tableAlign);
    case kHeightSlot:
        return height;
    case kCellVAlignSlot:
        return static_cast<double>(cellVAlign);
    default:
        return std::string(); // slots 77..100 mirror nothing
    }
}

bool BreadcrumbStyle::isModified() const {
    for (int slot = 0; slot < kComparedSlots; ++slot) {
        // A slot of the other kind (the empty text of program start against a number field)
        // never equals the field; variant comparison checks the kind first.
        if (snapshot[slot] != fieldValue(slot))
            return true;
    }
    return false;
}

void BreadcrumbStyle::refreshSnapshot() {
    for (int slot = 0; slot < kComparedSlots; ++slot)
        snapshot[slot] = fieldValue(slot);
}

BreadcrumbStyle programStartStyle() {
    return BreadcrumbStyle{};
}

bool FLH(const std::string& text) {
    return text.find('/') == std::string::npos;
}

std::string colorTextFromPicker(std::uint32_t value) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (text.size() < 6)
        text.insert(text.begin(), '0');
    return text;
}

std::string htmlColor(const std::string& colorText) {
    // The last two characters, the two from the third on, the first two; shorter texts give
    // what is there, so "ABC" becomes "BC" + "C" + "AB".
    if (std::all_of(colorText.begin(), colorText.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        // A character a byte, as every colour the picker gives: the same, without a split.
        const std::string_view text = colorText;
        const std::size_t size = text.size();
        std::string color(text.substr(size >= 2 ? size - 2 : 0));
        color += text.substr(std::min<std::size_t>(2, size), 2);
        color += text.substr(0, 2);
        return color;
    }
    std::vector<std::string> characters = utf8Characters(colorText);
    std::size_t count = characters.size();
    auto join = [&](std::size_t from, std::size_t to) {
        std::string part;
        for (std::size_t i = from; i < to && i < count; ++i)
            part += characters[i];
        return part;
    };
    std::string last = join(count >= 2 ? count - 2 : 0, count);
    std::string middle = join(2, 4);
    std::string first = join(0, 2);
    return last + middle + first;
}

std::uint32_t swatchColor(const std::string& colorText) {
    constexpr std::uint32_t kWhite = 0xFFFFFF;
    // Anything but one to six hexadecimal digits is no colour the picker could have given:
    // the swatch shows it as white, like an empty colour.
    if (colorText.empty() || colorText.size() > 6)
        return kWhite;
    std::uint32_t value = 0;
    for (char c : colorText) {
        int digit = hexDigitValue(c);
        if (digit < 0)
            return kWhite;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

} // namespace solvina
