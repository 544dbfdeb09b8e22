// Structured data for search engines: the breadcrumb as a schema.org BreadcrumbList in a
// JSON-LD script element.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvina {

inline constexpr const char* kJsonLdBaseMessage =
    "構造化データ（JSON-LD）のベース URL には http:// か https:// で始まる URL "
    "を指定してください。";

struct JsonLdItem {
    std::string name; // UTF-8 text
    std::string url;  // absolute
};

// The script element on one line. Every character outside ASCII is written as \u escape, so
// the JSON reads the same in a page of any encoding, and "</" as "<\/", so the text cannot
// end the script early.
std::string breadcrumbJsonLd(const std::vector<JsonLdItem>& items);

// nullopt when base is an absolute http or https URL without query or fragment.
std::optional<std::string> jsonLdBaseError(std::string_view base);

// The base followed by the level link (relative to the top folder), as a URL: a "/" between
// them, and every byte of the link outside the unreserved characters and "/" percent-encoded.
std::string itemUrl(std::string_view base, std::string_view levelLink);

// A title's text as a name: character references decoded, outer blanks dropped.
std::string titleTextName(std::string_view titleText);

} // namespace solvina
