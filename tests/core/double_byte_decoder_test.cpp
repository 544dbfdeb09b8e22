// Tests that the table decoding of CP932 gives exactly the text of a plain iconv loop, and that
// an encoding with longer sequences is handed back to iconv.
#include "platform/double_byte_decoder.h"
#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace solvina {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

// The reference: iconv over the whole input, one U+FFFD for each byte it refuses.
std::string iconvLoopDecode(const char* encoding, std::string_view bytes) {
    iconv_t handle = iconv_open("UTF-8", encoding);
    std::string text;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes.data() + pos);
        std::size_t inLeft = bytes.size() - pos;
        std::string out(inLeft * 4 + 16, '\0');
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        const bool refused = iconv(handle, &in, &inLeft, &outPtr, &outLeft) == std::size_t(-1);
        text.append(out.data(), out.size() - outLeft);
        pos = bytes.size() - inLeft;
        if (refused) {
            text += kFffd;
            ++pos;
        }
    }
    iconv_close(handle);
    return text;
}

TEST(DoubleByteDecoderTest, EveryByteAndPairDecodesAsIconvDoes) {
    const TextCodec& codec = cp932();
    for (int first = 0; first < 256; ++first) {
        const std::string single(1, static_cast<char>(first));
        ASSERT_EQ(codec.decode(single), iconvLoopDecode("CP932", single)) << first;
        for (int second = 0; second < 256; ++second) {
            // The pair between ASCII letters, so that a refused byte is followed by more input.
            const std::string bytes = "a" + single + static_cast<char>(second) + "z";
            ASSERT_EQ(codec.decode(bytes), iconvLoopDecode("CP932", bytes))
                << first << " " << second;
        }
    }
}

TEST(DoubleByteDecoderTest, MixedLinesDecodeAsIconvDoes) {
    std::uint64_t state = 12345;
    const auto nextByte = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<char>(state >> 56);
    };
    const std::string japanese = *cp932().encode(
        "<p class=\"lead\">ソルビナの表能力 ｿﾙﾋﾞﾅ ①Ⅱ髙<a href=\"index.htm\">top</a></p>",
        Unencodable::Fail);
    for (int line = 0; line < 2000; ++line) {
        std::string bytes = japanese;
        for (int i = 0; i < line % 40; ++i)
            bytes.insert(bytes.begin() + (line * 7 + i) % bytes.size(), nextByte());
        ASSERT_EQ(cp932().decode(bytes), iconvLoopDecode("CP932", bytes)) << line;
    }
}

TEST(DoubleByteDecoderTest, LongerSequencesAreLeftToIconv) {
    iconv_t handle = iconv_open("UTF-8", "EUC-JP");
    ASSERT_NE(handle, reinterpret_cast<iconv_t>(-1));
    auto decoder = DoubleByteDecoder::probe(handle);
    ASSERT_TRUE(decoder);
    std::string text;
    EXPECT_TRUE(decoder->decode("\xA5\xBD", text)); // ソ: two bytes
    EXPECT_EQ(text, "ソ");
    EXPECT_FALSE(decoder->decode("\x8F\xB0\xA1", text)); // JIS X 0212: three bytes
    EXPECT_FALSE(decoder->decode("\xA5\xBD", text));     // stays handed back
    iconv_close(handle);

    Result<TextCodec> eucJp = TextCodec::open("EUC-JP");
    ASSERT_TRUE(eucJp.ok());
    EXPECT_EQ(eucJp->decode("\x8F\xB0\xA1"), iconvLoopDecode("EUC-JP", "\x8F\xB0\xA1"));
}

} // namespace
} // namespace solvina
