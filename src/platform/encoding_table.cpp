// The browsers' table of charset labels, read once from the compiled-in copy of
// data/encoding-labels.tsv.
#include "platform/encoding_table.h"

#include <string_view>
#include <unordered_map>
#include <vector>

extern const std::string_view kEncodingLabelsTsv;

namespace solvina {

namespace {

bool isAsciiWhitespace(char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isAsciiWhitespace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isAsciiWhitespace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string asciiLowercase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

using LabelMap = std::unordered_map<std::string, EncodingInfo>;

LabelMap parseTable(std::string_view table) {
    LabelMap labels;
    for (std::string_view line : split(table, '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (trimmed(line).empty() || line.front() == '#')
            continue;
        const std::vector<std::string_view> columns = split(line, '\t');
        if (columns.size() < 3)
            continue;
        EncodingInfo info{std::string(trimmed(columns[0])), std::string(trimmed(columns[1]))};
        if (info.iconvName == "-")
            info.iconvName.clear();
        for (std::string_view label : split(columns[2], ' ')) {
            label = trimmed(label);
            if (!label.empty())
                labels.emplace(asciiLowercase(label), info);
        }
    }
    return labels;
}

const LabelMap& labelMap() {
    static const LabelMap labels = parseTable(kEncodingLabelsTsv);
    return labels;
}

} // namespace

std::optional<EncodingInfo> encodingForLabel(std::string_view label) {
    const LabelMap& labels = labelMap();
    const auto found = labels.find(asciiLowercase(trimmed(label)));
    if (found == labels.end())
        return std::nullopt;
    return found->second;
}

} // namespace solvina
