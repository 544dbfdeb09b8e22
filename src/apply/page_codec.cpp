// Decoding and encoding page lines; valid UTF-8 lines of UTF-8 pages pass through untouched.
#include "apply/page_codec.h"

#include "text/ascii.h"
#include "text/utf8.h"

namespace solvina {

PageCodec::PageCodec(EncodingInfo encoding, TextCodec codec)
    : m_encoding(std::move(encoding)), m_codec(std::move(codec)),
      m_isUtf8(m_encoding.name == "UTF-8"), m_keepsAscii(m_isUtf8 || m_codec.isAsciiCompatible()) {
    m_startPattern = markerPattern(kStartMarker);
    m_endPattern = markerPattern(kEndMarker);
}

std::string PageCodec::markerPattern(const char* marker) const {
    return asciiUpper(decode(encode(marker)));
}

std::string PageCodec::decode(std::string_view bytes) const {
    std::string text;
    decodeInto(bytes, text);
    return text;
}

void PageCodec::decodeInto(std::string_view bytes, std::string& text) const {
    // textOf fills text only when it decodes.
    if (textOf(bytes, text).data() == bytes.data())
        text.assign(bytes);
}

std::string_view PageCodec::textOf(std::string_view bytes, std::string& storage) const {
    if (m_isUtf8 && isValidUtf8(bytes))
        return bytes;
    m_codec.decodeInto(bytes, storage);
    return storage;
}

std::string PageCodec::encode(std::string_view utf8) const {
    if (m_isUtf8)
        return std::string(utf8);
    // Outside UTF-8 a replacement character is written as its reference, whatever the encoding
    // may hold for it, so that it reads the same in every page.
    std::string text(utf8);
    for (std::size_t at; (at = text.find(kReplacementCharacter)) != std::string::npos;)
        text.replace(at, kReplacementCharacter.size(), "&#65533;");
    auto encoded = m_codec.encode(text, Unencodable::NumericCharReference);
    return encoded ? std::move(*encoded) : std::string();
}

void PageCodec::appendEncoded(std::string_view utf8, std::string& out) const {
    // Most of a block is markup, ASCII: no copy of its own on the way.
    if (m_isUtf8 || (m_keepsAscii && isAscii(utf8))) {
        out += utf8;
        return;
    }
    constexpr std::size_t kMostEncodedLines = 256;
    {
        std::lock_guard lock(m_encodedLock);
        if (auto known = m_encodedLines.find(utf8); known != m_encodedLines.end()) {
            out += known->second;
            return;
        }
    }
    std::string bytes = encode(utf8);
    out += bytes;
    std::lock_guard lock(m_encodedLock);
    if (m_encodedLines.size() >= kMostEncodedLines)
        m_encodedLines.clear();
    m_encodedLines.emplace(utf8, std::move(bytes));
}

} // namespace solvina
