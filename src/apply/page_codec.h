// A page's encoding at work: decoding its lines for searching, encoding the block's lines into
// it, and the forms in which the block's markers stand in such a page.
#pragma once

#include "platform/encoding_table.h"
#include "platform/text_codec.h"
#include "text/text_hash.h"

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace solvina {

inline constexpr const char* kStartMarker = "<!--ソルビナ(https://solvina.example/)-->";
inline constexpr const char* kEndMarker = "<!--ソルビナここまで-->";

class PageCodec {
public:
    PageCodec(EncodingInfo encoding, TextCodec codec);

    const EncodingInfo& encoding() const { return m_encoding; }

    // The line's characters as UTF-8 (invalid bytes as U+FFFD).
    std::string decode(std::string_view bytes) const;
    // The same into text, whose storage is kept from line to line.
    void decodeInto(std::string_view bytes, std::string& text) const;
    // The line's characters: the bytes themselves when they are already UTF-8 text (valid
    // UTF-8 of a UTF-8 page), else decoded into storage.
    std::string_view textOf(std::string_view bytes, std::string& storage) const;
    // A block line in the page's encoding; characters it cannot hold become "&#N;".
    std::string encode(std::string_view utf8) const;
    // encode's bytes appended to out.
    void appendEncoded(std::string_view utf8, std::string& out) const;

    // The start and end markers as a search finds them in this page: upper-cased, in the form
    // the block writes them.
    const std::string& startMarkerPattern() const { return m_startPattern; }
    const std::string& endMarkerPattern() const { return m_endPattern; }

private:
    std::string markerPattern(const char* marker) const;
    EncodingInfo m_encoding;
    TextCodec m_codec;
    bool m_isUtf8;
    bool m_keepsAscii; // ASCII text is its own bytes
    // Lines encoded character by character, by their text: the block lines of a site's pages
    // repeat their ancestors' titles. Written by whichever thread writes a page.
    mutable std::mutex m_encodedLock;
    mutable std::unordered_map<std::string, std::string, TextHash, std::equal_to<>> m_encodedLines;
    std::string m_startPattern;
    std::string m_endPattern;
};

} // namespace solvina
