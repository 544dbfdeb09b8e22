// The manifest as JSON, and a reader for the JSON it writes (objects, arrays, strings, numbers,
// true and false).
#include "apply/run_manifest.h"

#include "platform/content_digest.h"

#include <map>
#include <memory>
#include <optional>
#include <string_view>

namespace solvina {

namespace {

constexpr const char* kBadManifest = "記録が壊れています。";

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            static constexpr std::string_view kDigits = "0123456789abcdef";
            out += "\\u00";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xf];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

struct JsonValue {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    bool boolean = false;
    std::uint64_t number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue& operator[](const std::string& key) const {
        static const JsonValue none;
        auto found = members.find(key);
        return found == members.end() ? none : found->second;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : m_text(text) {}

    bool read(JsonValue& value, int depth = 0) {
        skipSpace();
        if (depth > 16 || m_at >= m_text.size())
            return false;
        const char c = m_text[m_at];
        if (c == '{') {
            value.type = JsonValue::Object;
            ++m_at;
            if (next('}'))
                return true;
            do {
                JsonValue key;
                skipSpace();
                if (!readString(key.text) || !next(':') ||
                    !read(value.members[key.text], depth + 1))
                    return false;
            } while (next(','));
            return next('}');
        }
        if (c == '[') {
            value.type = JsonValue::Array;
            ++m_at;
            if (next(']'))
                return true;
            do {
                value.items.emplace_back();
                if (!read(value.items.back(), depth + 1))
                    return false;
            } while (next(','));
            return next(']');
        }
        if (c == '"') {
            value.type = JsonValue::String;
            return readString(value.text);
        }
        if (m_text.compare(m_at, 4, "true") == 0 || m_text.compare(m_at, 5, "false") == 0) {
            value.type = JsonValue::Bool;
            value.boolean = c == 't';
            m_at += value.boolean ? 4 : 5;
            return true;
        }
        if (c >= '0' && c <= '9') {
            value.type = JsonValue::Number;
            while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9')
                value.number = value.number * 10 + static_cast<std::uint64_t>(m_text[m_at++] - '0');
            return true;
        }
        return false;
    }

    bool atEnd() {
        skipSpace();
        return m_at == m_text.size();
    }

    void skipSpace() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\n' ||
                                        m_text[m_at] == '\r' || m_text[m_at] == '\t'))
            ++m_at;
    }

    bool next(char c) {
        skipSpace();
        if (m_at < m_text.size() && m_text[m_at] == c)
            return ++m_at, true;
        return false;
    }

    // Only the escapes quoted() writes are read back.
    bool readString(std::string& out) {
        skipSpace();
        if (m_at >= m_text.size() || m_text[m_at] != '"')
            return false;
        for (++m_at; m_at < m_text.size(); ++m_at) {
            const char c = m_text[m_at];
            if (c == '"')
                return ++m_at, true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++m_at >= m_text.size())
                return false;
            const char escaped = m_text[m_at];
            if (escaped == 'u') {
                if (m_at + 4 >= m_text.size())
                    return false;
                out += static_cast<char>(std::stoi(m_text.substr(m_at + 1, 4), nullptr, 16));
                m_at += 4;
            } else {
                out += escaped;
            }
        }
        return false;
    }

private:
    const std::string& m_text;
    std::size_t m_at = 0;
};

// A kept name that climbs out of the run folder is no record of this program; a quibrel file
// the run created has none.
std::optional<KeptPage> keptFile(const JsonValue& item, bool mayBeCreated) {
    // Runs kept by earlier versions recorded SHA-256 digests.
    const std::string xxh128(digestKindName(DigestKind::Xxh128));
    const std::string sha256(digestKindName(DigestKind::Sha256));
    const bool recent = item.members.contains(xxh128);
    KeptPage page{item["path"].text, item["kept"].text, item["size"].number,
                  (recent ? xxh128 : sha256) + ':' + item[recent ? xxh128 : sha256].text};
    if (page.path.empty() || (page.kept.empty() && !mayBeCreated) ||
        page.kept.find("..") != std::string::npos ||
        (!page.kept.empty() && page.kept.front() == '/'))
        return std::nullopt;
    return page;
}

} // namespace

std::string manifestHead(const KeptRun& run) {
    std::string json = "{\n";
    json += "  \"id\": " + quoted(run.id) + ",\n";
    json += "  \"topPage\": " + quoted(run.topPage) + ",\n";
    json += "  \"time\": " + quoted(run.time) + ",\n";
    json += "  \"kind\": " + quoted(run.kind) + ",\n";
    json += "  \"options\": " + quoted(run.options) + ",\n";
    json += "  \"quibrel\": " + quoted(run.quibrel) + ",\n";
    json += "  \"quibrelFolders\": [";
    for (std::size_t i = 0; i < run.quibrelFolders.size(); ++i)
        json += (i ? ", " : "") + quoted(run.quibrelFolders[i]);
    json += "],\n";
    json += "  \"quibrelFiles\": [";
    for (std::size_t i = 0; i < run.quibrelFiles.size(); ++i)
        json += manifestEntry(run.quibrelFiles[i], i);
    json += run.quibrelFiles.empty() ? "]" : "\n  ]";
    return json + ",\n  \"pages\": [";
}

std::string manifestEntry(const KeptPage& page, std::size_t index) {
    // The digest's kind names its field.
    const std::string_view kind = digestKindName(digestKindOf(page.digest));
    std::string_view hex = page.digest;
    if (hex.starts_with(kind) && hex.substr(kind.size()).starts_with(':'))
        hex.remove_prefix(kind.size() + 1);
    return (index ? ",\n    " : "\n    ") + ("{\"path\": " + quoted(page.path)) +
           ", \"kept\": " + quoted(page.kept) + ", \"size\": " + std::to_string(page.size) +
           ", \"" + std::string(kind) + "\": " + quoted(std::string(hex)) + "}";
}

std::string manifestEnd(std::size_t pages) {
    return pages == 0 ? "]\n}\n" : "\n  ]\n}\n";
}

std::string manifestJson(const KeptRun& run) {
    std::string json = manifestHead(run);
    for (std::size_t i = 0; i < run.pages.size(); ++i)
        json += manifestEntry(run.pages[i], i);
    return json + manifestEnd(run.pages.size());
}

Result<KeptRun> parseManifest(const std::string& json, ManifestPart part,
                              const std::function<void(const KeptPage&)>& onPage) {
    // Member by member, each kept file on its own: a run of many pages is read without a
    // tree of them all.
    JsonReader reader(json);
    KeptRun run;
    bool headRead = false;
    auto files = [&](std::vector<KeptPage>& pages, bool mayBeCreated, bool handOn) {
        if (!reader.next('['))
            return false;
        if (reader.next(']'))
            return true;
        do {
            JsonValue item;
            if (!reader.read(item, 1))
                return false;
            auto file = keptFile(item, mayBeCreated);
            if (!file)
                return false;
            if (handOn)
                onPage(*file);
            else
                pages.push_back(std::move(*file));
        } while (reader.next(','));
        return reader.next(']');
    };
    if (!reader.next('{'))
        return fail(kBadManifest);
    if (!reader.next('}')) {
        do {
            std::string key;
            if (!reader.readString(key) || !reader.next(':'))
                return fail(kBadManifest);
            if (key == "pages" && part == ManifestPart::Head) {
                headRead = true;
                break;
            }
            if (key == "pages" || key == "quibrelFiles") {
                const bool pages = key == "pages";
                if (!files(pages ? run.pages : run.quibrelFiles, !pages, pages && onPage))
                    return fail(kBadManifest);
                continue;
            }
            JsonValue value;
            if (!reader.read(value, 1))
                return fail(kBadManifest);
            if (key == "quibrelFolders") {
                for (const JsonValue& item : value.items)
                    run.quibrelFolders.push_back(item.text);
            }
            for (auto [name, field] :
                 {std::pair{"id", &run.id}, std::pair{"topPage", &run.topPage},
                  std::pair{"time", &run.time}, std::pair{"kind", &run.kind},
                  std::pair{"options", &run.options}, std::pair{"quibrel", &run.quibrel}})
                if (key == name)
                    *field = value.text;
        } while (reader.next(','));
        if (!headRead && (!reader.next('}') || !reader.atEnd()))
            return fail(kBadManifest);
    }
    if (run.id.empty() || run.topPage.empty())
        return fail(kBadManifest);
    return run;
}

} // namespace solvina
