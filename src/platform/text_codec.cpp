// Conversion between UTF-8 text and the bytes of one character encoding, through iconv.
#include "platform/text_codec.h"

#include "platform/double_byte_decoder.h"
#include "text/ascii.h"
#include "text/utf8.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iconv.h>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace solvina {

namespace {

// iconv_open's failure value is the handle type cast from -1; there is no other way to name it.
const iconv_t kInvalidHandle = reinterpret_cast<iconv_t>(-1); // NOLINT(performance-no-int-to-ptr)

bool isUtf8Name(const std::string& name) {
    const std::string upper = asciiUpper(name);
    return upper == "UTF-8" || upper == "UTF8";
}

// Runs one whole conversion from a fresh state. Stops at the first byte iconv refuses and
// returns its position; output is appended to `out`. Returns npos when all input was taken.
std::size_t convertUntilRefused(iconv_t handle, std::string_view input, std::size_t pos,
                                std::string& out) {
    char* inPtr = const_cast<char*>(input.data() + pos);
    std::size_t inLeft = input.size() - pos;
    // Converted through a chunk on the stack: growing `out` by the worst case each time would
    // clear four times the input's size for nothing.
    std::array<char, 4096> chunk;
    while (true) {
        char* outPtr = chunk.data();
        std::size_t outLeft = chunk.size();
        const std::size_t rc = iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(chunk.data(), chunk.size() - outLeft);
        if (rc != static_cast<std::size_t>(-1)) {
            // End of input: let a stateful encoding return to its initial state.
            outPtr = chunk.data();
            outLeft = chunk.size();
            iconv(handle, nullptr, nullptr, &outPtr, &outLeft);
            out.append(chunk.data(), chunk.size() - outLeft);
            return std::string_view::npos;
        }
        if (error == E2BIG)
            continue;
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        return static_cast<std::size_t>(inPtr - input.data());
    }
}

} // namespace

struct TextCodec::Handles {
    // iconv handles keep conversion state, so one conversion at a time uses them.
    std::mutex lock;
    iconv_t toUtf8 = kInvalidHandle;
    iconv_t fromUtf8 = kInvalidHandle;
    bool isUtf8 = false;
    bool asciiCompatible = false;
    std::unique_ptr<DoubleByteDecoder> table; // CP932: decoding without iconv's per-call cost
    // The bytes of each character met so far, empty when no bytes read back as it: iconv
    // writes some characters as bytes that stand for another one (CP932 gives 0x5C, a
    // backslash, for "¥"). A flat table for the characters of the BMP (made when first needed)
    // keeps the check off the run's time; the few others are looked up.
    struct Known {
        bool known = false;
        std::uint8_t length = 0;
        std::array<char, 4> bytes = {};
    };
    std::vector<Known> bmpBytes;
    std::unordered_map<char32_t, std::string> otherBytes;

    // Decodes with the handles held.
    std::string decode(std::string_view bytes);
    // The bytes that read back as this one character, empty when there are none.
    std::string_view bytesOf(std::string_view character);
    std::string exactBytes(std::string_view character);

    ~Handles() {
        if (toUtf8 != kInvalidHandle)
            iconv_close(toUtf8);
        if (fromUtf8 != kInvalidHandle)
            iconv_close(fromUtf8);
    }
};

TextCodec::TextCodec(std::string name, std::shared_ptr<Handles> handles)
    : m_name(std::move(name)), m_handles(std::move(handles)) {}

Result<TextCodec> TextCodec::open(const std::string& iconvName) {
    auto handles = std::make_shared<Handles>();
    handles->isUtf8 = isUtf8Name(iconvName);
    if (!handles->isUtf8) {
        handles->toUtf8 = iconv_open("UTF-8", iconvName.c_str());
        handles->fromUtf8 = iconv_open(iconvName.c_str(), "UTF-8");
        if (handles->toUtf8 == kInvalidHandle || handles->fromUtf8 == kInvalidHandle)
            return fail("文字コード「" + iconvName + "」はこのシステムで扱えません。");
    }

    // ASCII-compatible: every ASCII byte stands for its own character, both ways.
    std::string ascii(128, '\0');
    for (int c = 0; c < 128; ++c)
        ascii[c] = static_cast<char>(c);
    if (handles->isUtf8) {
        handles->asciiCompatible = true;
    } else {
        std::string decoded, encoded;
        const bool decodes =
            convertUntilRefused(handles->toUtf8, ascii, 0, decoded) == std::string_view::npos;
        const bool encodes =
            convertUntilRefused(handles->fromUtf8, ascii, 0, encoded) == std::string_view::npos;
        handles->asciiCompatible = decodes && encodes && decoded == ascii && encoded == ascii;
        if (asciiUpper(iconvName) == "CP932")
            handles->table = DoubleByteDecoder::probe(handles->toUtf8);
    }
    return TextCodec(iconvName, std::move(handles));
}

bool TextCodec::isAsciiCompatible() const {
    return m_handles->asciiCompatible;
}

std::string TextCodec::decode(std::string_view bytes) const {
    std::string text;
    decodeInto(bytes, text);
    return text;
}

void TextCodec::decodeInto(std::string_view bytes, std::string& text) const {
    if (m_handles->asciiCompatible && isAscii(bytes)) {
        text.assign(bytes);
        return;
    }
    if (m_handles->isUtf8) {
        text = sanitizedUtf8(bytes);
        return;
    }
    std::lock_guard guard(m_handles->lock);
    if (m_handles->table) {
        text.clear();
        if (m_handles->table->decode(bytes, text))
            return;
    }
    text = m_handles->decode(bytes);
}

std::string TextCodec::Handles::decode(std::string_view bytes) {
    std::string text;
    if (table) {
        if (table->decode(bytes, text))
            return text;
        text.clear();
    }
    text.reserve(bytes.size() * 3 / 2 + 16);
    std::size_t pos = 0;
    while (pos != std::string_view::npos && pos < bytes.size()) {
        pos = convertUntilRefused(toUtf8, bytes, pos, text);
        if (pos != std::string_view::npos) {
            // An invalid or truncated sequence: its first byte alone is replaced.
            text += kReplacementCharacter;
            ++pos;
        }
    }
    return text;
}

std::string TextCodec::Handles::exactBytes(std::string_view character) {
    std::string bytes;
    // U+FFFD stands for bytes that could not be read. Outside UTF-8 it is never written as the
    // target's own character (GB18030 has one), so a reader sees it was a bad byte.
    if (character == kReplacementCharacter ||
        convertUntilRefused(fromUtf8, character, 0, bytes) != std::string_view::npos ||
        decode(bytes) != character)
        return {};
    return bytes;
}

std::string_view TextCodec::Handles::bytesOf(std::string_view character) {
    const char32_t codePoint = codePointOf(character);
    if (codePoint < 0x10000) {
        if (bmpBytes.empty())
            bmpBytes.resize(0x10000);
        Known& entry = bmpBytes[codePoint];
        if (entry.known)
            return {entry.bytes.data(), entry.length};
        if (!otherBytes.contains(codePoint)) {
            std::string bytes = exactBytes(character);
            if (bytes.size() > entry.bytes.size())
                return otherBytes.emplace(codePoint, std::move(bytes)).first->second;
            entry.length = static_cast<std::uint8_t>(bytes.size());
            bytes.copy(entry.bytes.data(), bytes.size());
            entry.known = true;
            return {entry.bytes.data(), entry.length};
        }
    }
    auto known = otherBytes.find(codePoint);
    if (known == otherBytes.end())
        known = otherBytes.emplace(codePoint, exactBytes(character)).first;
    return known->second;
}

Result<std::string> TextCodec::encode(std::string_view utf8, Unencodable policy) const {
    if (m_handles->asciiCompatible && isAscii(utf8))
        return std::string(utf8);
    std::string text = sanitizedUtf8(utf8);
    if (m_handles->isUtf8)
        return text;

    std::lock_guard guard(m_handles->lock);
    const std::string_view all(text);
    std::string bytes;
    bytes.reserve(text.size() + 16);
    std::size_t pos = 0;
    while (pos < all.size()) {
        if (m_handles->asciiCompatible && static_cast<unsigned char>(all[pos]) < 0x80) {
            std::size_t end = pos + 1;
            while (end < all.size() && static_cast<unsigned char>(all[end]) < 0x80)
                ++end;
            bytes.append(all.substr(pos, end - pos));
            pos = end;
            continue;
        }
        std::size_t length = validSequenceLength(all, pos);
        if (length == 0)
            length = 1; // cannot happen after sanitising; guards the loop's progress
        const std::string_view character = all.substr(pos, length);
        // A character is written as bytes only when they read back as the same character.
        if (const std::string_view exact = m_handles->bytesOf(character); !exact.empty())
            bytes += exact;
        else if (policy == Unencodable::Fail)
            return fail("文字「" + std::string(character) + "」はこの文字コードで書けません。");
        else
            bytes +=
                "&#" + std::to_string(static_cast<unsigned long>(codePointOf(character))) + ";";
        pos += length;
    }
    return bytes;
}

const TextCodec& cp932() {
    static const TextCodec codec = [] {
        Result<TextCodec> opened = TextCodec::open("CP932");
        if (!opened) {
            std::fprintf(stderr, "%s\n", opened.error().c_str());
            std::abort();
        }
        return std::move(opened).value();
    }();
    return codec;
}

} // namespace solvina
