// Table decoding of a stateless single- and double-byte encoding, filled from iconv.
#include "platform/double_byte_decoder.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace solvina {

// Converts exactly input from the initial state. The character is invalid when iconv refuses
// the first byte, a lead when it wants more bytes; false when the outcome does not fit a table
// (output too long, input only partly taken, state left behind).
bool DoubleByteDecoder::probeBytes(std::string_view input, Character& character) {
    iconv(m_toUtf8, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::array<char, sizeof(Character::utf8) + 1> output{};
    char* out = output.data();
    std::size_t outLeft = output.size();
    const std::size_t rc = iconv(m_toUtf8, &in, &inLeft, &out, &outLeft);
    const int error = errno;
    if (rc == static_cast<std::size_t>(-1)) {
        iconv(m_toUtf8, nullptr, nullptr, nullptr, nullptr);
        if (out != output.data())
            return false;
        if (error == EILSEQ && inLeft == input.size()) {
            character.length = Character::kInvalid;
            return true;
        }
        if (error == EINVAL && input.size() == 1) {
            character.length = Character::kLead;
            return true;
        }
        return false;
    }
    // A stateless encoding has nothing left to write when the input ends.
    char* flushStart = out;
    if (iconv(m_toUtf8, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1) ||
        out != flushStart)
        return false;
    const auto length = static_cast<std::size_t>(out - output.data());
    if (inLeft != 0 || length == 0 || length > character.utf8.size())
        return false;
    character.length = static_cast<std::uint8_t>(length);
    std::memcpy(character.utf8.data(), output.data(), length);
    return true;
}

std::unique_ptr<DoubleByteDecoder> DoubleByteDecoder::probe(iconv_t toUtf8) {
    std::unique_ptr<DoubleByteDecoder> decoder(new DoubleByteDecoder(toUtf8));
    decoder->m_replacement.length = 3;
    std::memcpy(decoder->m_replacement.utf8.data(), "\xEF\xBF\xBD", 3);
    for (int byte = 0; byte < 256; ++byte) {
        const char input = static_cast<char>(byte);
        if (!decoder->probeBytes(std::string_view(&input, 1), decoder->m_singles[byte]))
            return nullptr;
    }
    decoder->m_asciiIsItself = true;
    for (int byte = 0; byte < 0x80; ++byte) {
        const Character& single = decoder->m_singles[byte];
        if (single.length != 1 || single.utf8[0] != static_cast<char>(byte))
            decoder->m_asciiIsItself = false;
    }
    return decoder;
}

bool DoubleByteDecoder::decode(std::string_view bytes, std::string& text) {
    if (m_unusable)
        return false;
    text.reserve(text.size() + bytes.size() * 3 / 2 + 16);
    // Characters are copied whole (all 16 bytes of a table entry) into a chunk on the stack,
    // which is appended to text when it fills up.
    std::array<char, 4096> chunk;
    char* out = chunk.data();
    char* const chunkEnd = chunk.data() + chunk.size() - sizeof(Character);
    const auto put = [&](const Character& character) {
        std::memcpy(out, character.utf8.data(), character.utf8.size());
        out += character.length;
    };
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    while (pos < size) {
        if (out >= chunkEnd) {
            text.append(chunk.data(), static_cast<std::size_t>(out - chunk.data()));
            out = chunk.data();
        }
        if (m_asciiIsItself && static_cast<unsigned char>(bytes[pos]) < 0x80) {
            // Markup is ASCII: copied eight bytes at a time while no other byte comes.
            std::uint64_t word;
            while (pos + sizeof word <= size && out + sizeof word < chunkEnd) {
                std::memcpy(&word, bytes.data() + pos, sizeof word);
                if (word & 0x8080808080808080ULL)
                    break;
                std::memcpy(out, &word, sizeof word);
                out += sizeof word;
                pos += sizeof word;
            }
            if (pos == size)
                break;
        }
        const auto lead = static_cast<unsigned char>(bytes[pos]);
        const Character& single = m_singles[lead];
        if (single.length != Character::kLead) {
            put(single.length == Character::kInvalid ? m_replacement : single);
            ++pos;
            continue;
        }
        if (pos + 1 == size) { // a lead byte cut off at the end
            put(m_replacement);
            ++pos;
            continue;
        }
        std::unique_ptr<Row>& row = m_pairs[lead];
        if (!row)
            row = std::make_unique<Row>();
        const auto trail = static_cast<unsigned char>(bytes[pos + 1]);
        Character& pair = (*row)[trail];
        if (pair.length == Character::kUnknown &&
            (!probeBytes(bytes.substr(pos, 2), pair) || pair.length == Character::kLead)) {
            pair.length = Character::kUnknown;
            m_unusable = true;
            return false;
        }
        if (pair.length == Character::kInvalid) {
            put(m_replacement);
            ++pos;
        } else {
            put(pair);
            pos += 2;
        }
    }
    text.append(chunk.data(), static_cast<std::size_t>(out - chunk.data()));
    return true;
}

} // namespace solvina
