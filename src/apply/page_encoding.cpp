// Deciding a page's encoding as a browser decides it: byte-order mark, <meta> prescan,
// XML declaration, else UTF-8 or Shift_JIS by the page's bytes.
#include "apply/page_encoding.h"

#include "text/ascii.h"

#include <string>
#include <vector>

namespace solvina {

namespace {

// Browsers look for a <meta> charset in this many bytes at the start of a page.
constexpr std::size_t kPrescanLength = 1024;

EncodingInfo tableEntry(std::string_view label) {
    // The labels asked for here are all in the table.
    return encodingForLabel(label).value_or(EncodingInfo{std::string(label), {}});
}

bool isSpace(int c) {
    return c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D || c == 0x20;
}

bool startsWithCaseless(std::string_view text, std::size_t pos, std::string_view word) {
    if (pos + word.size() > text.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (asciiLowerByte(text[pos + i]) != word[i])
            return false;
    return true;
}

// The encoding a content="...; charset=X" value names; nullopt when it names none or an
// unknown one.
std::optional<EncodingInfo> encodingFromContentValue(std::string_view content) {
    std::size_t pos = 0;
    while (true) {
        std::size_t found = std::string_view::npos;
        for (std::size_t i = pos; i + 7 <= content.size(); ++i) {
            if (startsWithCaseless(content, i, "charset")) {
                found = i;
                break;
            }
        }
        if (found == std::string_view::npos)
            return std::nullopt;
        pos = found + 7;
        while (pos < content.size() && isSpace(static_cast<unsigned char>(content[pos])))
            ++pos;
        if (pos < content.size() && content[pos] == '=')
            break;
        // No "=" after this "charset": look for the next one from here.
    }
    ++pos;
    while (pos < content.size() && isSpace(static_cast<unsigned char>(content[pos])))
        ++pos;
    if (pos >= content.size())
        return std::nullopt;
    const char first = content[pos];
    if (first == '"' || first == '\'') {
        const std::size_t close = content.find(first, pos + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        return encodingForLabel(content.substr(pos + 1, close - pos - 1));
    }
    std::size_t end = pos;
    while (end < content.size() && !isSpace(static_cast<unsigned char>(content[end])) &&
           content[end] != ';')
        ++end;
    return encodingForLabel(content.substr(pos, end - pos));
}

struct Attribute {
    std::string name;
    std::string value;
};

// The browsers' prescan over a fixed run of bytes. Running out of bytes anywhere ends it
// without a result.
class Prescanner {
public:
    explicit Prescanner(std::string_view bytes) : m_bytes(bytes) {}

    std::optional<EncodingInfo> run() {
        if (startsWith(std::string_view("<\0?\0x\0", 6)))
            return tableEntry("utf-16le");
        if (startsWith(std::string_view("\0<\0?\0x", 6)))
            return tableEntry("utf-16be");

        while (m_pos < m_bytes.size()) {
            if (startsWith("<!--")) {
                if (!skipComment())
                    return std::nullopt;
            } else if (startsWithMetaTag()) {
                m_pos += 6;
                std::optional<EncodingInfo> charset;
                bool ranOut = false;
                if (readMeta(charset, ranOut))
                    return charset;
                if (ranOut)
                    return std::nullopt;
            } else if (startsWithTagName()) {
                while (m_pos < m_bytes.size() && !isSpace(byteAt(m_pos)) && byteAt(m_pos) != '>')
                    ++m_pos;
                if (m_pos >= m_bytes.size())
                    return std::nullopt;
                bool ranOut = false;
                Attribute ignored;
                while (getAttribute(ignored, ranOut)) {
                }
                if (ranOut)
                    return std::nullopt;
            } else if (startsWith("<!") || startsWith("</") || startsWith("<?")) {
                const std::size_t close = m_bytes.find('>', m_pos + 1);
                if (close == std::string_view::npos)
                    return std::nullopt;
                m_pos = close;
            }
            ++m_pos;
        }
        return std::nullopt;
    }

private:
    int byteAt(std::size_t pos) const { return static_cast<unsigned char>(m_bytes[pos]); }

    bool startsWith(std::string_view prefix) const {
        return m_bytes.substr(m_pos).substr(0, prefix.size()) == prefix;
    }

    bool startsWithMetaTag() const {
        if (!startsWithCaseless(m_bytes, m_pos, "<meta") || m_pos + 5 >= m_bytes.size())
            return false;
        const int after = byteAt(m_pos + 5);
        return isSpace(after) || after == '/';
    }

    bool startsWithTagName() const {
        if (m_pos + 1 >= m_bytes.size() || m_bytes[m_pos] != '<')
            return false;
        std::size_t next = m_pos + 1;
        if (m_bytes[next] == '/')
            ++next;
        return next < m_bytes.size() && isAsciiLetter(m_bytes[next]);
    }

    // Moves to the ">" of the first "-->" after the "<" (the dashes of "<!--" count).
    bool skipComment() {
        for (std::size_t i = m_pos + 4; i < m_bytes.size(); ++i) {
            if (m_bytes[i] == '>' && m_bytes[i - 1] == '-' && m_bytes[i - 2] == '-') {
                m_pos = i;
                return true;
            }
        }
        return false;
    }

    // Reads the attributes of a <meta> tag. True when the tag decides the encoding.
    bool readMeta(std::optional<EncodingInfo>& charset, bool& ranOut) {
        std::vector<std::string> seen;
        bool gotPragma = false;
        enum class NeedPragma { Unset, Yes, No } needPragma = NeedPragma::Unset;
        bool charsetFailed = false; // a charset attribute named an unknown label

        Attribute attribute;
        while (getAttribute(attribute, ranOut)) {
            bool repeated = false;
            for (const std::string& name : seen)
                repeated = repeated || name == attribute.name;
            if (repeated)
                continue;
            seen.push_back(attribute.name);
            if (attribute.name == "http-equiv") {
                if (attribute.value == "content-type")
                    gotPragma = true;
            } else if (attribute.name == "content") {
                std::optional<EncodingInfo> found = encodingFromContentValue(attribute.value);
                if (found && !charset && !charsetFailed) {
                    charset = std::move(found);
                    needPragma = NeedPragma::Yes;
                }
            } else if (attribute.name == "charset") {
                charset = encodingForLabel(attribute.value);
                charsetFailed = !charset;
                needPragma = NeedPragma::No;
            }
        }
        if (ranOut || needPragma == NeedPragma::Unset)
            return false;
        if (needPragma == NeedPragma::Yes && !gotPragma)
            return false;
        if (!charset)
            return false;
        if (charset->name == "UTF-16BE" || charset->name == "UTF-16LE")
            charset = tableEntry("utf-8");
        else if (charset->name == "x-user-defined")
            charset = tableEntry("windows-1252");
        return true;
    }

    // The browsers' "get an attribute": false when the tag has no further attribute (or the
    // bytes ran out, then ranOut is set). Names and values come lower-cased.
    bool getAttribute(Attribute& attribute, bool& ranOut) {
        const auto outOfBytes = [&] {
            if (m_pos < m_bytes.size())
                return false;
            ranOut = true;
            return true;
        };
        while (true) {
            if (outOfBytes())
                return false;
            if (!isSpace(byteAt(m_pos)) && byteAt(m_pos) != '/')
                break;
            ++m_pos;
        }
        if (byteAt(m_pos) == '>')
            return false;
        attribute = Attribute{};

        // The name.
        while (true) {
            if (outOfBytes())
                return false;
            const int c = byteAt(m_pos);
            if (c == '=' && !attribute.name.empty()) {
                ++m_pos;
                break;
            }
            if (isSpace(c)) {
                while (true) {
                    if (outOfBytes())
                        return false;
                    if (!isSpace(byteAt(m_pos)))
                        break;
                    ++m_pos;
                }
                if (byteAt(m_pos) != '=')
                    return true;
                ++m_pos;
                break;
            }
            if (c == '/' || c == '>')
                return true;
            attribute.name += asciiLowerByte(static_cast<char>(c));
            ++m_pos;
        }

        // The value.
        while (true) {
            if (outOfBytes())
                return false;
            if (!isSpace(byteAt(m_pos)))
                break;
            ++m_pos;
        }
        const int first = byteAt(m_pos);
        if (first == '"' || first == '\'') {
            while (true) {
                ++m_pos;
                if (outOfBytes())
                    return false;
                if (byteAt(m_pos) == first) {
                    ++m_pos;
                    return true;
                }
                attribute.value += asciiLowerByte(m_bytes[m_pos]);
            }
        }
        if (first == '>')
            return true;
        attribute.value += asciiLowerByte(static_cast<char>(first));
        ++m_pos;
        while (true) {
            if (outOfBytes())
                return false;
            const int c = byteAt(m_pos);
            if (isSpace(c) || c == '>')
                return true;
            attribute.value += asciiLowerByte(static_cast<char>(c));
            ++m_pos;
        }
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

// The encoding an XML declaration at the very start names (encoding="X" or 'X').
std::optional<EncodingInfo> xmlDeclaredEncoding(std::string_view head) {
    if (head.substr(0, 5) != "<?xml")
        return std::nullopt;
    const std::size_t declarationEnd = head.find('>');
    if (declarationEnd == std::string_view::npos)
        return std::nullopt;
    const std::string_view declaration = head.substr(0, declarationEnd);
    std::size_t pos = declaration.find("encoding");
    if (pos == std::string_view::npos)
        return std::nullopt;
    pos += 8;
    const auto skipControlsAndSpaces = [&] {
        while (pos < declaration.size() && static_cast<unsigned char>(declaration[pos]) <= 0x20)
            ++pos;
    };
    skipControlsAndSpaces();
    if (pos >= declaration.size() || declaration[pos] != '=')
        return std::nullopt;
    ++pos;
    skipControlsAndSpaces();
    if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\''))
        return std::nullopt;
    const char quote = declaration[pos];
    const std::size_t close = declaration.find(quote, pos + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string_view label = declaration.substr(pos + 1, close - pos - 1);
    for (char c : label)
        if (static_cast<unsigned char>(c) <= 0x20)
            return std::nullopt;
    std::optional<EncodingInfo> named = encodingForLabel(label);
    // A declaration read as ASCII bytes cannot be UTF-16, whatever it says: browsers take UTF-8.
    if (named && (named->name == "UTF-16BE" || named->name == "UTF-16LE"))
        return tableEntry("utf-8");
    return named;
}

} // namespace

std::size_t byteOrderMarkLength(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        return 3;
    if (head.substr(0, 2) == "\xFE\xFF" || head.substr(0, 2) == "\xFF\xFE")
        return 2;
    return 0;
}

std::optional<EncodingInfo> declaredPageEncoding(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        return tableEntry("utf-8");
    if (head.substr(0, 2) == "\xFE\xFF")
        return tableEntry("utf-16be");
    if (head.substr(0, 2) == "\xFF\xFE")
        return tableEntry("utf-16le");

    const std::string_view prescanned = head.substr(0, kPrescanLength);
    if (std::optional<EncodingInfo> meta = Prescanner(prescanned).run())
        return meta;
    return xmlDeclaredEncoding(prescanned);
}

EncodingInfo undeclaredPageEncoding(const Utf8Validator& wholePage) {
    if (wholePage.valid() && wholePage.sawNonAscii())
        return tableEntry("utf-8");
    return tableEntry("shift_jis");
}

} // namespace solvina
