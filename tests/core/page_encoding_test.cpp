// Tests of how a page's encoding is decided: label table, byte-order marks, the <meta>
// prescan, XML declarations and the UTF-8 check of undeclared pages.
#include "apply/page_encoding.h"
#include "platform/text_codec.h"
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace solvina {
namespace {

TEST(PageEncodingTest, LabelsResolveAsBrowsersDo) {
    const struct {
        const char* label;
        std::string text;
        const char* expectedName; // nullptr: unknown label
        const char* expectedIconv;
    } cases[] = {
        {"utf8", "utf8", "UTF-8", "UTF-8"},
        {"upper_utf8", "UTF-8", "UTF-8", "UTF-8"},
        {"sjis", "sjis", "Shift_JIS", "CP932"},
        {"x_sjis", "x-sjis", "Shift_JIS", "CP932"},
        {"padded_shift_jis", " \t Shift_JIS \r\n\f", "Shift_JIS", "CP932"},
        {"iso_8859_1", "iso-8859-1", "windows-1252", "CP1252"},
        {"euc_jp", "EUC-JP", "EUC-JP", "EUC-JP"},
        {"iso_2022_jp_unsupported", "iso-2022-jp", "ISO-2022-JP", ""},
        {"utf16_unsupported", "utf-16", "UTF-16LE", ""},
        {"unknown", "klingon", nullptr, nullptr},
        {"inner_space_is_not_trimmed", "shift jis", nullptr, nullptr},
        {"non_breaking_space_is_not_trimmed", "\xC2\xA0utf-8", nullptr, nullptr},
        {"empty", "", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::optional<EncodingInfo> info = encodingForLabel(c.text);
        ASSERT_EQ(info.has_value(), c.expectedName != nullptr);
        if (info) {
            EXPECT_EQ(info->name, c.expectedName);
            EXPECT_EQ(info->iconvName, c.expectedIconv);
        }
    }
}

TEST(EncodingTableTest, EverySupportedEncodingOpensInIconv) {
    // Each handled encoding's iconv name must be one this system's iconv knows.
    for (const char* label : {"utf-8", "ibm866", "iso-8859-2", "iso-8859-8-i", "koi8-u",
                              "macintosh", "windows-874", "windows-1258", "x-mac-cyrillic", "gbk",
                              "gb18030", "big5", "euc-jp", "shift_jis", "euc-kr"}) {
        std::optional<EncodingInfo> info = encodingForLabel(label);
        ASSERT_TRUE(info && info->supported()) << label;
        Result<TextCodec> codec = TextCodec::open(info->iconvName);
        EXPECT_TRUE(codec.ok() && codec->isAsciiCompatible()) << info->iconvName;
    }
}

// The encoding a page gets, its bytes coming in the pieces the reads cut (a sequence may span
// pieces): a byte-order mark, else the first charset a <meta> declares in the first 1024 bytes,
// else an XML declaration at byte 0; without any, UTF-8 when the whole page is valid UTF-8
// holding a non-ASCII byte, else Shift_JIS (CP932).
std::string decidedEncoding(const std::vector<std::string>& pieces) {
    std::string whole;
    for (const std::string& piece : pieces)
        whole += piece;
    if (auto declared = declaredPageEncoding(whole))
        return declared->name;
    Utf8Validator validator;
    for (const std::string& piece : pieces)
        validator.feed(piece);
    // The whole-text check agrees with the one fed in pieces.
    EXPECT_EQ(isValidUtf8(whole), validator.valid()) << whole;
    return undeclaredPageEncoding(validator).name;
}

TEST(PageEncodingTest, DecidesAsBrowsersDo) {
    const std::string padding(1100, ' ');
    const struct {
        const char* label;
        std::vector<std::string> pieces;
        const char* expectedName;
    } cases[] = {
        {"nothing", {"<html><head><title>x</title></head>"}, "Shift_JIS"},
        {"empty", {}, "Shift_JIS"},
        {"meta_charset", {"<meta charset=utf-8>"}, "UTF-8"},
        {"meta_charset_quoted_upper", {"<META CHARSET=\"Shift_JIS\">ソ"}, "Shift_JIS"},
        {"meta_charset_slash", {"<meta/charset='euc-jp'/>"}, "EUC-JP"},
        {"http_equiv_quoted",
         {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">ソ"},
         "Shift_JIS"},
        {"http_equiv_unquoted",
         {"<meta http-equiv=content-type content=text/html;charset=utf-8>"},
         "UTF-8"},
        {"content_before_http_equiv",
         {"<meta content='text/html; charset=\"iso-8859-1\"' http-equiv=Content-Type>"},
         "windows-1252"},
        {"content_without_pragma_ignored",
         {"<meta content=\"text/html; charset=utf-8\"><meta charset=euc-jp>"},
         "EUC-JP"},
        {"content_charset_without_equals_then_with",
         {"<meta http-equiv=content-type content=\"charset; charset = utf-8\">"},
         "UTF-8"},
        {"repeated_attribute_first_wins", {"<meta charset=utf-8 charset=sjis>"}, "UTF-8"},
        {"comment_hides_meta", {"<!-- <meta charset=utf-8> --><meta charset=euc-jp>"}, "EUC-JP"},
        {"short_comment", {"<!--><meta charset=utf-8>"}, "UTF-8"},
        {"unclosed_comment", {"<!-- <meta charset=euc-jp>"}, "Shift_JIS"},
        {"attribute_value_hides_meta",
         {"<div title=\"<meta charset=utf-8>\"><meta charset=euc-jp>"},
         "EUC-JP"},
        {"meta_without_space_is_other_tag", {"<metacharset=euc-jp>"}, "Shift_JIS"},
        {"processing_instruction_skipped", {"<?php echo '<meta charset=euc-jp>' ?>"}, "Shift_JIS"},
        {"unknown_label_skipped", {"<meta charset=klingon><meta charset=utf-8>"}, "UTF-8"},
        {"unknown_charset_blocks_content",
         {"<meta charset=klingon http-equiv=content-type content='charset=utf-8'>"
          "<meta charset=euc-jp>"},
         "EUC-JP"},
        {"utf16_meta_becomes_utf8", {"<meta charset=utf-16>"}, "UTF-8"},
        {"x_user_defined_becomes_1252", {"<meta charset=x-user-defined>"}, "windows-1252"},
        {"unsupported_meta_returned", {"<meta charset=iso-2022-jp>"}, "ISO-2022-JP"},
        {"meta_after_1024_bytes_ignored", {padding + "<meta charset=euc-jp>"}, "Shift_JIS"},
        {"meta_cut_at_1024_bytes_ignored",
         {std::string(1010, ' ') + "<meta charset=euc-jp>"},
         "Shift_JIS"},
        {"meta_ending_at_1024_bytes", {std::string(1003, ' ') + "<meta charset=euc-jp>"}, "EUC-JP"},
        {"utf8_bom", {"\xEF\xBB\xBF<p>"}, "UTF-8"},
        {"bom_beats_meta", {"\xEF\xBB\xBF<meta charset=sjis>"}, "UTF-8"},
        {"utf16be_bom", {"\xFE\xFF\0<"}, "UTF-16BE"},
        {"utf16le_bom", {"\xFF\xFE<\0"}, "UTF-16LE"},
        {"xml_declaration", {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><p>ソ"}, "Shift_JIS"},
        {"xml_declaration_single_quotes", {"<?xml version='1.0' encoding = 'euc-jp'?>"}, "EUC-JP"},
        // Bytes that spell the declaration in ASCII are no UTF-16, whatever it names.
        {"xml_utf16_becomes_utf8", {"<?xml version='1.0' encoding='UTF-16'?>"}, "UTF-8"},
        {"xml_utf16le_becomes_utf8", {"<?xml version=\"1.0\" encoding=\"utf-16le\"?>"}, "UTF-8"},
        {"xml_utf16be_becomes_utf8", {"<?xml version='1.0' encoding='Utf-16BE'?>ソ"}, "UTF-8"},
        {"xml_declaration_not_at_start", {" <?xml version='1.0' encoding='euc-jp'?>"}, "Shift_JIS"},
        {"meta_beats_xml_declaration",
         {"<?xml version='1.0' encoding='euc-jp'?><meta charset=utf-8>"},
         "UTF-8"},
        // Undeclared pages: the UTF-8 check covers the whole stream, whatever the pieces.
        {"utf8_whole", {"ソルビナ"}, "UTF-8"},
        {"split_after_lead", {"a\xE3", "\x82\xBD"}, "UTF-8"},
        {"split_into_bytes", {"\xF0", "\x9F", "\x98", "\x80"}, "UTF-8"},
        {"truncated_at_end", {"ソ", "\xE3\x82"}, "Shift_JIS"},
        {"cp932_bytes", {"\x83\x5C"}, "Shift_JIS"},
        {"overlong", {"\xC0\xAF"}, "Shift_JIS"},
        {"overlong_three_bytes", {"\xE0\x80", "\xAF"}, "Shift_JIS"},
        {"surrogate", {"\xED", "\xA0\x80"}, "Shift_JIS"},
        {"above_10ffff", {"\xF4\x90\x80\x80"}, "Shift_JIS"},
        {"lead_f5", {"\xF5\x80\x80\x80"}, "Shift_JIS"},
        {"invalid_then_valid", {"\xFF", "ソ"}, "Shift_JIS"},
        {"lead_interrupted", {"\xE3", "a\x82"}, "Shift_JIS"},
        {"max_code_point", {"\xF4\x8F\xBF\xBF"}, "UTF-8"},
        // Long ASCII runs are skipped word by word; what stands around them counts.
        {"ascii_runs_around_utf8", {"0123456789abcdefソ0123456789abcdef"}, "UTF-8"},
        {"invalid_after_ascii_run", {"0123456789abcdef\xFF"}, "Shift_JIS"},
        {"lead_before_ascii_run", {"\xE3", "0123456789abcdef"}, "Shift_JIS"},
        {"split_after_ascii_run",
         {"0123456789abcde\xE3", std::string("\x82\xBD") + "012345678"},
         "UTF-8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decidedEncoding(c.pieces), c.expectedName) << c.label;
}

// Long texts are checked 32 bytes a step: each kind of sequence, valid or not, cut short or
// not, on either side of a step's edge, gives the first invalid byte a reading one sequence at a
// time gives.
TEST(Utf8CheckTest, LongTextsFindTheFirstInvalidByte) {
    const auto oneByOne = [](std::string_view bytes) {
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t length = validSequenceLength(bytes, at);
            if (length == 0)
                return at;
            at += length;
        }
        return std::string_view::npos;
    };
    const char* sequences[] = {"\xE3\x82\xBD",
                               "\xC2\x80",
                               "\xF4\x8F\xBF\xBF",
                               "\xEF\xBF\xBD",
                               "\xC0\xAF",
                               "\xE0\x80\xAF",
                               "\xED\xA0\x80",
                               "\xF4\x90\x80\x80",
                               "\xF5\x80",
                               "\xFF",
                               "\x80",
                               "\xE3\x82",
                               "\xF0\x9F\x98",
                               ("\xE3" // a lead byte, then a letter ("\xE3a" would be one escape)
                                "a")};
    for (const std::string filler : {"a", "\xE3\x82\xBD"})
        for (const char* sequence : sequences)
            for (std::size_t at : {0u, 28u, 30u, 31u, 32u, 63u, 64u, 95u, 97u}) {
                std::string text;
                while (text.size() < 100)
                    text += filler;
                text.insert(std::min(at, text.size()) / filler.size() * filler.size(), sequence);
                for (const std::string& cut : {text, text.substr(0, at + 2)})
                    EXPECT_EQ(firstInvalidUtf8(cut), oneByOne(cut)) << at << " " << sequence;
            }
}

TEST(ByteOrderMarkTest, Lengths) {
    EXPECT_EQ(byteOrderMarkLength("\xEF\xBB\xBFx"), 3u);
    EXPECT_EQ(byteOrderMarkLength("\xFE\xFFx"), 2u);
    EXPECT_EQ(byteOrderMarkLength("\xFF\xFEx"), 2u);
    EXPECT_EQ(byteOrderMarkLength("\xEF\xBB"), 0u);
    EXPECT_EQ(byteOrderMarkLength("<html>"), 0u);
}

} // namespace
} // namespace solvina
