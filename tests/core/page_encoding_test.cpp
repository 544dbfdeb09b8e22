// Tests of how a page's encoding is decided: label table, byte-order marks, the <meta>
// prescan, XML declarations and the UTF-8 check of undeclared pages.
#include "apply/page_encoding.h"
#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace solvina {
namespace {

struct LabelCase {
    const char* label;
    std::string text;
    const char* expectedName; // nullptr: unknown label
    const char* expectedIconv;
};

class LabelTest : public testing::TestWithParam<LabelCase> {};

TEST_P(LabelTest, ResolvesAsBrowsersDo) {
    const LabelCase& c = GetParam();
    std::optional<EncodingInfo> info = encodingForLabel(c.text);
    if (!c.expectedName) {
        EXPECT_FALSE(info.has_value());
        return;
    }
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->name, c.expectedName);
    EXPECT_EQ(info->iconvName, c.expectedIconv);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelTest,
    testing::Values(LabelCase{"utf8", "utf8", "UTF-8", "UTF-8"},
                    LabelCase{"upper_utf8", "UTF-8", "UTF-8", "UTF-8"},
                    LabelCase{"sjis", "sjis", "Shift_JIS", "CP932"},
                    LabelCase{"ms932", "ms932", "Shift_JIS", "CP932"},
                    LabelCase{"windows_31j", "Windows-31J", "Shift_JIS", "CP932"},
                    LabelCase{"x_sjis", "x-sjis", "Shift_JIS", "CP932"},
                    LabelCase{"padded_shift_jis", " \t Shift_JIS \r\n\f", "Shift_JIS", "CP932"},
                    LabelCase{"iso_8859_1", "iso-8859-1", "windows-1252", "CP1252"},
                    LabelCase{"latin1", "latin1", "windows-1252", "CP1252"},
                    LabelCase{"us_ascii", "us-ascii", "windows-1252", "CP1252"},
                    LabelCase{"euc_jp", "EUC-JP", "EUC-JP", "EUC-JP"},
                    LabelCase{"iso_2022_jp_unsupported", "iso-2022-jp", "ISO-2022-JP", ""},
                    LabelCase{"utf16_unsupported", "utf-16", "UTF-16LE", ""},
                    LabelCase{"unknown", "klingon", nullptr, nullptr},
                    LabelCase{"inner_space_is_not_trimmed", "shift jis", nullptr, nullptr},
                    LabelCase{"non_breaking_space_is_not_trimmed", "\xC2\xA0utf-8", nullptr,
                              nullptr},
                    LabelCase{"empty", "", nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(EncodingTableTest, EverySupportedEncodingOpensInIconv) {
    // Each handled encoding's iconv name must be one this system's iconv knows.
    for (const char* label : {"utf-8", "ibm866", "iso-8859-2", "iso-8859-8-i", "koi8-u",
                              "macintosh", "windows-874", "windows-1258", "x-mac-cyrillic", "gbk",
                              "gb18030", "big5", "euc-jp", "shift_jis", "euc-kr"}) {
        std::optional<EncodingInfo> info = encodingForLabel(label);
        ASSERT_TRUE(info && info->supported()) << label;
        Result<TextCodec> codec = TextCodec::open(info->iconvName);
        EXPECT_TRUE(codec.ok()) << info->iconvName;
        EXPECT_TRUE(codec.ok() && codec->isAsciiCompatible()) << info->iconvName;
    }
}

struct DeclaredCase {
    const char* label;
    std::string head;
    const char* expectedName; // nullptr: nothing decides
};

class DeclaredTest : public testing::TestWithParam<DeclaredCase> {};

TEST_P(DeclaredTest, FindsTheDeclaration) {
    const DeclaredCase& c = GetParam();
    std::optional<EncodingInfo> info = declaredPageEncoding(c.head);
    if (!c.expectedName) {
        EXPECT_FALSE(info.has_value()) << info->name;
        return;
    }
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->name, c.expectedName);
}

const std::string kPadding(1100, ' ');

INSTANTIATE_TEST_SUITE_P(
    Heads, DeclaredTest,
    testing::Values(
        DeclaredCase{"nothing", "<html><head><title>x</title></head>", nullptr},
        DeclaredCase{"empty", "", nullptr},
        DeclaredCase{"meta_charset", "<meta charset=utf-8>", "UTF-8"},
        DeclaredCase{"meta_charset_quoted_upper", "<META CHARSET=\"Shift_JIS\">", "Shift_JIS"},
        DeclaredCase{"meta_charset_slash", "<meta/charset='euc-jp'/>", "EUC-JP"},
        DeclaredCase{"http_equiv_quoted",
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">",
                     "Shift_JIS"},
        DeclaredCase{"http_equiv_unquoted",
                     "<meta http-equiv=content-type content=text/html;charset=utf-8>", "UTF-8"},
        DeclaredCase{"content_before_http_equiv",
                     "<meta content='text/html; charset=\"iso-8859-1\"' http-equiv=Content-Type>",
                     "windows-1252"},
        DeclaredCase{"content_without_pragma_ignored",
                     "<meta content=\"text/html; charset=utf-8\"><meta charset=sjis>", "Shift_JIS"},
        DeclaredCase{"content_charset_without_equals_then_with",
                     "<meta http-equiv=content-type content=\"charset; charset = utf-8\">",
                     "UTF-8"},
        DeclaredCase{"repeated_attribute_first_wins", "<meta charset=utf-8 charset=sjis>", "UTF-8"},
        DeclaredCase{"comment_hides_meta", "<!-- <meta charset=utf-8> --><meta charset=sjis>",
                     "Shift_JIS"},
        DeclaredCase{"short_comment", "<!--><meta charset=utf-8>", "UTF-8"},
        DeclaredCase{"unclosed_comment", "<!-- <meta charset=utf-8>", nullptr},
        DeclaredCase{"attribute_value_hides_meta",
                     "<div title=\"<meta charset=utf-8>\"><meta charset=euc-jp>", "EUC-JP"},
        DeclaredCase{"meta_without_space_is_other_tag", "<metacharset=utf-8>", nullptr},
        DeclaredCase{"processing_instruction_skipped", "<?php echo '<meta charset=utf-8>' ?>",
                     nullptr},
        DeclaredCase{"unknown_label_skipped", "<meta charset=klingon><meta charset=utf-8>",
                     "UTF-8"},
        DeclaredCase{"unknown_charset_blocks_content",
                     "<meta charset=klingon http-equiv=content-type content='charset=utf-8'>"
                     "<meta charset=sjis>",
                     "Shift_JIS"},
        DeclaredCase{"utf16_meta_becomes_utf8", "<meta charset=utf-16>", "UTF-8"},
        DeclaredCase{"x_user_defined_becomes_1252", "<meta charset=x-user-defined>",
                     "windows-1252"},
        DeclaredCase{"unsupported_meta_returned", "<meta charset=iso-2022-jp>", "ISO-2022-JP"},
        DeclaredCase{"meta_after_1024_bytes_ignored", kPadding + "<meta charset=utf-8>", nullptr},
        DeclaredCase{"meta_cut_at_1024_bytes_ignored",
                     std::string(1010, ' ') + "<meta charset=utf-8>", nullptr},
        DeclaredCase{"meta_ending_at_1024_bytes", std::string(1004, ' ') + "<meta charset=utf-8>",
                     "UTF-8"},
        DeclaredCase{"utf8_bom", "\xEF\xBB\xBF<p>", "UTF-8"},
        DeclaredCase{"bom_beats_meta", "\xEF\xBB\xBF<meta charset=sjis>", "UTF-8"},
        DeclaredCase{"utf16be_bom", "\xFE\xFF\0<", "UTF-16BE"},
        DeclaredCase{"utf16le_bom", "\xFF\xFE<\0", "UTF-16LE"},
        DeclaredCase{"xml_declaration", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><p>",
                     "Shift_JIS"},
        DeclaredCase{"xml_declaration_single_quotes", "<?xml version='1.0' encoding = 'euc-jp'?>",
                     "EUC-JP"},
        DeclaredCase{"xml_utf16_stays_utf16", "<?xml version='1.0' encoding='utf-16'?>",
                     "UTF-16LE"},
        DeclaredCase{"xml_declaration_not_at_start", " <?xml version='1.0' encoding='euc-jp'?>",
                     nullptr},
        DeclaredCase{"meta_beats_xml_declaration",
                     "<?xml version='1.0' encoding='euc-jp'?><meta charset=utf-8>", "UTF-8"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ByteOrderMarkTest, Lengths) {
    EXPECT_EQ(byteOrderMarkLength("\xEF\xBB\xBFx"), 3u);
    EXPECT_EQ(byteOrderMarkLength("\xFE\xFFx"), 2u);
    EXPECT_EQ(byteOrderMarkLength("\xFF\xFEx"), 2u);
    EXPECT_EQ(byteOrderMarkLength("\xEF\xBB"), 0u);
    EXPECT_EQ(byteOrderMarkLength("<html>"), 0u);
}

struct ValidatorCase {
    const char* label;
    std::vector<std::string> pieces;
    bool valid;
    const char* expectedEncoding;
};

class ValidatorTest : public testing::TestWithParam<ValidatorCase> {};

TEST_P(ValidatorTest, ChecksTheWholeStream) {
    const ValidatorCase& c = GetParam();
    Utf8Validator validator;
    for (const std::string& piece : c.pieces)
        validator.feed(piece);
    EXPECT_EQ(validator.valid(), c.valid);
    EXPECT_EQ(undeclaredPageEncoding(validator).name, c.expectedEncoding);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ValidatorTest,
    testing::Values(
        ValidatorCase{"ascii_only", {"<p>", "x</p>"}, true, "Shift_JIS"},
        ValidatorCase{"nothing", {}, true, "Shift_JIS"},
        ValidatorCase{"utf8_whole", {"ソルビナ"}, true, "UTF-8"},
        ValidatorCase{"split_after_lead", {"a\xE3", "\x82\xBD"}, true, "UTF-8"},
        ValidatorCase{"split_into_bytes", {"\xF0", "\x9F", "\x98", "\x80"}, true, "UTF-8"},
        ValidatorCase{"truncated_at_end", {"ソ", "\xE3\x82"}, false, "Shift_JIS"},
        ValidatorCase{"cp932_bytes", {"\x83\x5C"}, false, "Shift_JIS"},
        ValidatorCase{"overlong", {"\xC0\xAF"}, false, "Shift_JIS"},
        ValidatorCase{"overlong_three_bytes", {"\xE0\x80", "\xAF"}, false, "Shift_JIS"},
        ValidatorCase{"surrogate", {"\xED", "\xA0\x80"}, false, "Shift_JIS"},
        ValidatorCase{"above_10ffff", {"\xF4\x90\x80\x80"}, false, "Shift_JIS"},
        ValidatorCase{"lead_f5", {"\xF5\x80\x80\x80"}, false, "Shift_JIS"},
        ValidatorCase{"invalid_then_valid", {"\xFF", "ソ"}, false, "Shift_JIS"},
        ValidatorCase{"lead_interrupted", {"\xE3", "a\x82"}, false, "Shift_JIS"},
        ValidatorCase{"max_code_point", {"\xF4\x8F\xBF\xBF"}, true, "UTF-8"},
        // Long ASCII runs are skipped word by word; what stands around them counts.
        ValidatorCase{
            "ascii_runs_around_utf8", {"0123456789abcdefソ0123456789abcdef"}, true, "UTF-8"},
        ValidatorCase{"invalid_after_ascii_run", {"0123456789abcdef\xFF"}, false, "Shift_JIS"},
        ValidatorCase{"lead_before_ascii_run", {"\xE3", "0123456789abcdef"}, false, "Shift_JIS"},
        ValidatorCase{"split_after_ascii_run",
                      {"0123456789abcde\xE3", "\x82\xBD"
                                              "012345678"},
                      true,
                      "UTF-8"}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace solvina
