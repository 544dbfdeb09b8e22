// Reading and writing the 78-line style file, keeping the snapshot in step line by line.
#include "style/style_file.h"

#include "platform/text_codec.h"
#include "style/numeric_text.h"
#include "style/style_library_paths.h"

#include <cmath>
#include <cstddef>
#include <string_view>
#include <vector>

namespace solvina {

namespace {

inline constexpr const char* kPastEndDescription = "ファイルの終わりを越えて読み込もうとしました。";
inline constexpr const char* kBadOptionDescription = "インデックスが有効範囲にありません。";
inline constexpr const char* kLineBreakDescription =
    "行の区切りになる改行文字を含む値はクイブレルスタイルファイルに書き込めません。";
inline constexpr const char* kLineEnd = "\r\n";

// The lines of the file's bytes: a line ends at CR LF or at a lone CR; a lone LF belongs to
// the line. CP932 never uses CR in a double-byte character, so the bytes can be split first.
class StyleLineReader {
public:
    explicit StyleLineReader(std::string_view bytes) : m_bytes(bytes) {}

    Result<std::string> next() {
        if (m_position >= m_bytes.size())
            return fail(kPastEndDescription);
        std::size_t end = m_bytes.find('\r', m_position);
        if (end == std::string_view::npos)
            end = m_bytes.size();
        std::string_view line = m_bytes.substr(m_position, end - m_position);
        m_position = end;
        if (m_position < m_bytes.size()) {
            ++m_position; // the CR
            if (m_position < m_bytes.size() && m_bytes[m_position] == '\n')
                ++m_position;
        }
        return cp932().decode(line);
    }

private:
    std::string_view m_bytes;
    std::size_t m_position = 0;
};

Result<double> finiteNumber(const std::string& line) {
    double value = numericValue(line);
    if (!std::isfinite(value))
        return fail(kOverflowDescription);
    return value;
}

std::string* rowTextField(StyleRow& row, int field) {
    switch (field) {
    case kFieldText:
        return &row.text;
    case kFieldFontSize:
        return &row.fontSize;
    case kFieldColor:
        return &row.color;
    case kFieldImageFile:
        return &row.imageFile;
    default:
        return nullptr;
    }
}

// One line goes into its field and its snapshot slot at once; on a failure neither changes.
Status readRowLine(StyleLineReader& lines, StyleRow& row, int field, SnapshotValue& slot) {
    auto line = lines.next();
    if (!line)
        return std::move(line).takeError();
    if (std::string* text = rowTextField(row, field)) {
        *text = *line;
        slot = *line;
        return {};
    }
    auto value = finiteNumber(*line);
    if (!value)
        return std::move(value).takeError();
    if (field == kFieldUnderline || field == kFieldImageHeight) {
        auto rounded = toInt16(*value);
        if (!rounded)
            return std::move(rounded).takeError();
        (field == kFieldUnderline ? row.underline : row.imageHeight) = *rounded;
    } else {
        (field == kFieldBold     ? row.bold
         : field == kFieldItalic ? row.italic
                                 : row.imageWidth) = *value;
    }
    slot = *value; // the value as read, before rounding
    return {};
}

Status readTextLine(StyleLineReader& lines, std::string& field, SnapshotValue& slot) {
    auto line = lines.next();
    if (!line)
        return std::move(line).takeError();
    field = *line;
    slot = *line;
    return {};
}

// Lines 76 and 78 select one of the six alignment buttons: 0..2 the table's alignment,
// 3..5 the cells' vertical alignment, whichever line the index stands on.
Status readAlignmentLine(StyleLineReader& lines, BreadcrumbStyle& style, SnapshotValue& slot) {
    auto line = lines.next();
    if (!line)
        return std::move(line).takeError();
    auto value = finiteNumber(*line);
    if (!value)
        return std::move(value).takeError();
    auto index = toInt16(*value);
    if (!index)
        return std::move(index).takeError();
    if (*index < 0 || *index > 5)
        return fail(kBadOptionDescription);
    (*index <= 2 ? style.tableAlign : style.cellVAlign) = *index;
    slot = *value;
    return {};
}

Status readBody(StyleLineReader& lines, BreadcrumbStyle& style) {
    for (int row = 0; row < kRowCount; ++row) {
        for (int field = 0; field < kFieldsPerRow; ++field) {
            Status status = readRowLine(lines, style.rows[row], field,
                                        style.snapshot[row * kFieldsPerRow + field]);
            if (!status)
                return status;
        }
    }
    Status status =
        readTextLine(lines, style.backgroundColor, style.snapshot[kBackgroundColorSlot]);
    if (status)
        status = readTextLine(lines, style.borderWidth, style.snapshot[kBorderWidthSlot]);
    if (status)
        status = readAlignmentLine(lines, style, style.snapshot[kTableAlignSlot]);
    if (status)
        status = readTextLine(lines, style.height, style.snapshot[kHeightSlot]);
    if (status)
        status = readAlignmentLine(lines, style, style.snapshot[kCellVAlignSlot]);
    return status;
}

// The save's number form: a blank (or the minus sign), the shortest decimal, a blank.
std::string savedNumber(double value) {
    std::string digits = shortestDecimal(value);
    if (!digits.empty() && digits.front() == '-')
        return digits + " ";
    return " " + digits + " ";
}

// One line of the save: its text, and what goes into its snapshot slot once it is written.
struct SavedLine {
    std::string text;
    bool isRowText = false;
    SnapshotValue slotValue;
};

std::vector<SavedLine> savedLines(const BreadcrumbStyle& style) {
    std::vector<SavedLine> lines;
    for (int slot = 0; slot < kComparedSlots; ++slot) {
        SnapshotValue value = style.fieldValue(slot);
        if (slot == kTableAlignSlot) // the selected button of the table group: 0, else 1, else 2
            value = style.tableAlign == 0 ? 0.0 : style.tableAlign == 1 ? 1.0 : 2.0;
        else if (slot == kCellVAlignSlot) // the vertical group: 3, else 4, else 5
            value = style.cellVAlign == 3 ? 3.0 : style.cellVAlign == 4 ? 4.0 : 5.0;
        SavedLine line;
        line.isRowText = slot < kRowCount * kFieldsPerRow && slot % kFieldsPerRow == kFieldText;
        if (const auto* text = std::get_if<std::string>(&value))
            line.text = *text;
        else
            line.text = savedNumber(std::get<double>(value));
        line.slotValue = value;
        lines.push_back(std::move(line));
    }
    return lines;
}

// Checks every line before a byte is written: a CR inside a value would end its line early and
// shift every later one, an LF at its start would be taken for the end of the line before, an
// infinite number cannot be written, and only connector and title texts may carry characters
// that CP932 lacks (as "&#N;").
Result<std::string> encodeSavedLines(const std::vector<SavedLine>& lines) {
    std::string bytes = std::string(kStyleFileHeader) + kLineEnd;
    for (const SavedLine& line : lines) {
        if (line.text.find('\r') != std::string::npos || line.text.starts_with('\n'))
            return fail(kLineBreakDescription);
        if (const double* number = std::get_if<double>(&line.slotValue);
            number && !std::isfinite(*number))
            return fail(kOverflowDescription);
        auto encoded = cp932().encode(line.text, line.isRowText ? Unencodable::NumericCharReference
                                                                : Unencodable::Fail);
        if (!encoded)
            return std::move(encoded).takeError();
        bytes += *encoded;
        bytes += kLineEnd;
    }
    return bytes;
}

} // namespace

std::string styleFilePath(const std::string& libraryFolder, const std::string& styleName) {
    return styleFolder(libraryFolder, styleName) + styleName + ".sty";
}

StyleReadResult readStyleFile(FileSystem& fs, const std::string& path, BreadcrumbStyle& style) {
    using Outcome = StyleReadResult::Outcome;
    auto bytes = fs.readWholeFile(path);
    if (!bytes)
        return {Outcome::Failed, bytes.error()};
    StyleLineReader lines(*bytes);
    auto header = lines.next();
    if (!header)
        return {Outcome::Failed, header.error()};
    if (*header != kStyleFileHeader)
        return {Outcome::WrongHeader, kWrongHeaderMessage};
    Status status = readBody(lines, style);
    if (!status)
        return {Outcome::Failed, status.error()};
    return {};
}

Status writeStyleFile(FileSystem& fs, const std::string& path, BreadcrumbStyle& style) {
    std::vector<SavedLine> lines = savedLines(style);
    auto bytes = encodeSavedLines(lines);
    if (!bytes)
        return std::move(bytes).takeError();
    Status written = fs.writeWholeFile(path, *bytes);
    if (!written)
        return written;
    // The file is written whole, so the snapshot follows only once all of it is on disk.
    for (int slot = 0; slot < kComparedSlots; ++slot)
        style.snapshot[slot] = lines[slot].slotValue;
    return {};
}

Status writeDefaultStyleFile(FileSystem& fs, const std::string& path) {
    std::string text = std::string(kStyleFileHeader) + kLineEnd;
    for (int row = 0; row < kRowCount; ++row) {
        for (const char* value :
             {kNewStyleRowTexts[row], kStandardFontSize, "0", "0", "0", "000000", "", "0", "0"})
            text += std::string(value) + kLineEnd;
    }
    for (const char* value : {"", "0", "0", "", "4"})
        text += std::string(value) + kLineEnd;
    auto bytes = cp932().encode(text, Unencodable::Fail);
    if (!bytes)
        return std::move(bytes).takeError();
    return fs.writeWholeFile(path, *bytes);
}

} // namespace solvina
