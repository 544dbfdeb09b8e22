// Tests of decoding and encoding through TextCodec: replacement of bad bytes, unencodable
// characters, and the bytes CP932 shares with ASCII.
#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace solvina {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TextCodec codecFor(const std::string& name) {
    Result<TextCodec> codec = TextCodec::open(name);
    EXPECT_TRUE(codec.ok()) << name;
    return std::move(codec).value();
}

// Each bad byte gives one replacement character. Every CP932 byte pair is checked against
// iconv by the decoder's own test; these pin the choices iconv leaves open.
TEST(TextCodecTest, DecodesToUtf8) {
    const struct {
        const char* label;
        const char* encoding;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"cp932_ascii", "CP932", "a\\b~c", "a\\b~c"},
        {"cp932_second_byte_is_backslash", "CP932", "\x83\x5C\x95\x5C\x94\x5C", "ソ表能"},
        {"cp932_bad_trail_resumes_at_next_byte", "CP932", "\x83 x", kFffd + " x"},
        {"cp932_truncated_at_end", "CP932", "ab\x83", "ab" + kFffd},
        {"utf8_valid", "UTF-8", "ソルビナ", "ソルビナ"},
        {"utf8_truncated_mid_line", "UTF-8", "\xE3\x82x", kFffd + kFffd + "x"},
        {"utf8_truncated_at_end", "UTF-8", "a\xE3\x82", "a" + kFffd + kFffd},
        {"utf8_overlong", "UTF-8", "\xC0\x80", kFffd + kFffd},
        {"utf8_surrogate", "UTF-8", "\xED\xA0\x80", kFffd + kFffd + kFffd},
        {"utf8_above_10ffff", "UTF-8", "\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
        {"utf8_stray_continuation", "UTF-8", "\x80ソ", kFffd + "ソ"},
        {"utf8_byte_order_mark_kept", "UTF-8", "\xEF\xBB\xBFx", "\xEF\xBB\xBFx"},
        {"cp1252_euro", "CP1252", "\x80", "€"},
        {"cp1252_unassigned", "CP1252", "a\x81z", "a" + kFffd + "z"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(codecFor(c.encoding).decode(c.bytes), c.expected) << c.label;
}

TEST(TextCodecTest, WritesUnencodableCharactersAsReferences) {
    const struct {
        const char* label;
        const char* encoding;
        std::string text;
        std::string expected;
    } cases[] = {
        {"cp932_round_trip", "CP932", "ソ表能\\~", "\x83\x5C\x95\x5C\x94\x5C\\~"},
        // iconv writes these as bytes that read back as another character.
        {"cp932_yen_and_overline", "CP932", "¥100‾", "&#165;100&#8254;"},
        {"cp932_dashes_and_wave", "CP932", "—〜‖−", "&#8212;&#12316;&#8214;&#8722;"},
        {"cp932_latin_signs", "CP932", "¢£¬¦", "&#162;&#163;&#172;&#166;"},
        {"cp932_what_those_read_back_as", "CP932", "―～∥－￠￡￢￤",
         "\x81\x5C\x81\x60\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA\xFA\x55"},
        {"eucjp_yen_and_overline", "EUC-JP", "¥‾ソ", "&#165;&#8254;\xA5\xBD"},
        {"cp932_emoji", "CP932", "a😀b", "a&#128512;b"},
        {"cp932_replacement_character", "CP932", kFffd, "&#65533;"},
        {"cp932_invalid_input", "CP932", "x\xFFy", "x&#65533;y"},
        {"cp1252_katakana", "CP1252", "ソルビナ", "&#12477;&#12523;&#12499;&#12490;"},
        {"cp1252_mixed", "CP1252", "é€ソ", "\xE9\x80&#12477;"},
        {"gb18030_replacement_character_as_reference", "GB18030", "a" + kFffd + "中",
         "a&#65533;\xD6\xD0"},
        {"gb18030_invalid_input_as_reference", "GB18030", "\xFF", "&#65533;"},
        {"utf8_replacement_kept", "UTF-8", kFffd, kFffd},
        {"utf8_invalid_input", "UTF-8", "a\xC0z", "a" + kFffd + "z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Result<std::string> bytes =
            codecFor(c.encoding).encode(c.text, Unencodable::NumericCharReference);
        ASSERT_TRUE(bytes.ok()) << bytes.error();
        EXPECT_EQ(*bytes, c.expected);
    }
}

// Whatever CP932 reads can be written again (a style file that loads can be saved): the
// round-trip check refuses only characters CP932 never gives.
TEST(TextCodecTest, EveryCharacterCp932ReadsIsWrittenBack) {
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = -1; trail < 256; ++trail) {
            std::string bytes(1, static_cast<char>(lead));
            if (trail >= 0)
                bytes += static_cast<char>(trail);
            const std::string text = cp932().decode(bytes);
            if (text.find(kFffd) != std::string::npos)
                continue;
            Result<std::string> written = cp932().encode(text, Unencodable::Fail);
            ASSERT_TRUE(written.ok()) << lead << " " << trail;
            ASSERT_EQ(cp932().decode(*written), text) << lead << " " << trail;
        }
    }
}

TEST(TextCodecTest, FailPolicyNamesTheCharacter) {
    for (const std::string character : {"😀", "¥", "〜"}) {
        Result<std::string> bytes = cp932().encode("abc" + character + ".gif", Unencodable::Fail);
        ASSERT_FALSE(bytes.ok()) << character;
        EXPECT_EQ(bytes.error(), "文字「" + character + "」はこの文字コードで書けません。");
    }
}

TEST(TextCodecTest, UnknownEncodingFailsToOpen) {
    EXPECT_FALSE(TextCodec::open("NO-SUCH-ENCODING").ok());
}

TEST(TextCodecTest, AsciiCompatibility) {
    EXPECT_TRUE(cp932().isAsciiCompatible());
    EXPECT_TRUE(codecFor("UTF-8").isAsciiCompatible());
    EXPECT_TRUE(codecFor("CP1252").isAsciiCompatible());
    EXPECT_FALSE(codecFor("UTF-16LE").isAsciiCompatible());
}

TEST(TextCodecTest, StateDoesNotLeakBetweenCalls) {
    // A refused sequence at the end of one call must not change how the next call starts.
    EXPECT_EQ(cp932().decode("\x83"), kFffd);
    EXPECT_EQ(cp932().decode("\x5C"), "\\");
    EXPECT_EQ(cp932().decode("\x83\x5C"), "ソ");
}

} // namespace
} // namespace solvina
