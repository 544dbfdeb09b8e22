// Conversion between UTF-8 text and the bytes of one character encoding, through iconv.
#pragma once

#include "platform/result.h"

#include <memory>
#include <string>
#include <string_view>

namespace solvina {

// What becomes of a character the target encoding cannot hold.
enum class Unencodable {
    Fail,                 // the conversion fails with a description
    NumericCharReference, // written as "&#N;", N the code point in decimal
};

class TextCodec {
public:
    // iconvName as in the encoding table ("CP932", "UTF-8", "CP1252", ...). Fails when iconv
    // does not know it.
    static Result<TextCodec> open(const std::string& iconvName);

    const std::string& name() const { return m_name; }

    // Bytes to UTF-8. Each byte that does not start a valid sequence becomes one U+FFFD and
    // decoding resumes at the next byte.
    std::string decode(std::string_view bytes) const;
    // The same into text, whose storage is kept from call to call.
    void decodeInto(std::string_view bytes, std::string& text) const;

    // UTF-8 to bytes. Invalid UTF-8 in the input is taken as U+FFFD.
    Result<std::string> encode(std::string_view utf8, Unencodable policy) const;

    // True when the encoding writes ASCII characters as their ASCII bytes, one byte each.
    bool isAsciiCompatible() const;

private:
    struct Handles;
    explicit TextCodec(std::string name, std::shared_ptr<Handles> handles);
    std::string m_name;
    std::shared_ptr<Handles> m_handles;
};

// The code page of style files and pre.html.
const TextCodec& cp932();

} // namespace solvina
