// Building the BreadcrumbList JSON-LD: JSON text, URLs and names.
#include "render/json_ld.h"

#include "text/ascii.h"
#include "text/utf8.h"

#include <array>
#include <cstdint>

namespace solvina {

namespace {

constexpr std::string_view kHex = "0123456789ABCDEF";

void appendUnicodeEscape(std::string& out, std::uint32_t unit) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(unit >> shift) & 0xF];
}

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) {
            const std::size_t length = validSequenceLength(text, at);
            std::uint32_t code = length > 0 ? codePointOf(text.substr(at, length)) : 0xFFFD;
            at += length > 0 ? length : 1;
            if (code >= 0x10000) {
                code -= 0x10000;
                appendUnicodeEscape(out, 0xD800 + (code >> 10));
                appendUnicodeEscape(out, 0xDC00 + (code & 0x3FF));
            } else {
                appendUnicodeEscape(out, code);
            }
            continue;
        }
        const char c = text[at++];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || (c == '<' && text.substr(at, 3) == "!--")) {
            appendUnicodeEscape(out, byte); // "<!--" would change how the script is read
        } else if (c == '/' && !out.empty() && out.back() == '<') {
            out += "\\/";
        } else {
            out += c;
        }
    }
    out += '"';
}

bool isUnreserved(char c) {
    return isAsciiAlphanumeric(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

// The named references a title is likely to hold; others stay as written.
struct NamedReference {
    std::string_view name;
    char32_t code;
};
constexpr std::array<NamedReference, 6> kNamedReferences{
    {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}}};

} // namespace

std::string breadcrumbJsonLd(const std::vector<JsonLdItem>& items) {
    std::string out = "<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\","
                      "\"@type\":\"BreadcrumbList\",\"itemListElement\":[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ',';
        out += "{\"@type\":\"ListItem\",\"position\":";
        out += std::to_string(i + 1);
        out += ",\"name\":";
        appendJsonString(out, items[i].name);
        out += ",\"item\":";
        appendJsonString(out, items[i].url);
        out += '}';
    }
    out += "]}</script>";
    return out;
}

std::optional<std::string> jsonLdBaseError(std::string_view base) {
    std::string_view rest;
    if (startsWithIgnoringAsciiCase(base, "https://"))
        rest = base.substr(8);
    else if (startsWithIgnoringAsciiCase(base, "http://"))
        rest = base.substr(7);
    else
        return std::string(kJsonLdBaseMessage);
    const bool hasHost = !rest.empty() && rest.front() != '/';
    bool plain = true;
    for (char c : base)
        plain = plain && static_cast<unsigned char>(c) > 0x20 && c != 0x7F && c != '?' &&
                c != '#' && c != '"' && c != '<' && c != '>' && c != '\\';
    if (!hasHost || !plain)
        return std::string(kJsonLdBaseMessage);
    return std::nullopt;
}

std::string itemUrl(std::string_view base, std::string_view levelLink) {
    std::string url;
    url.reserve(base.size() + levelLink.size() * 3 + 1);
    for (char c : base) {
        if (static_cast<unsigned char>(c) >= 0x80)
            appendPercentEncoded(url, c);
        else
            url += c;
    }
    if (url.empty() || url.back() != '/')
        url += '/';
    for (char c : levelLink) {
        if (isUnreserved(c) || c == '/')
            url += c;
        else
            appendPercentEncoded(url, c);
    }
    return url;
}

std::string titleTextName(std::string_view titleText) {
    std::string name;
    std::size_t at = 0;
    while (at < titleText.size()) {
        const std::size_t semicolon = titleText.find(';', at);
        if (titleText[at] != '&' || semicolon == std::string_view::npos || semicolon - at > 10) {
            name += titleText[at++];
            continue;
        }
        const std::string_view reference = titleText.substr(at + 1, semicolon - at - 1);
        char32_t code = 0;
        if (reference.size() > 1 && reference[0] == '#') {
            const bool hex = reference[1] == 'x' || reference[1] == 'X';
            for (char c : reference.substr(hex ? 2 : 1)) {
                const int digit = isAsciiDigit(c)              ? c - '0'
                                  : hex && isAsciiHexLetter(c) ? (c | 0x20) - 'a' + 10
                                                               : -1;
                if (digit < 0 || code > 0x10FFFF) {
                    code = 0;
                    break;
                }
                code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
            }
        } else {
            for (const auto& named : kNamedReferences)
                if (named.name == reference)
                    code = named.code;
        }
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            name += titleText[at++];
            continue;
        }
        appendUtf8(name, code);
        at = semicolon + 1;
    }
    const std::size_t first = name.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace solvina
