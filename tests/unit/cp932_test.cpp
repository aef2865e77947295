// Code page 932 <-> Unicode: hand-written pairs for each region of the code page and for the
// characters where code page 932 and plain Shift_JIS part ways, the whole double-byte area
// against glibc's CP932 table, and the UTF-8 coder.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "model/cp932.h"

namespace tvx {
namespace {

struct Pair {
    int code;           // byte or lead << 8 | trail
    char32_t cp;        // what it decodes to
    int encodes_to;     // what cp encodes to (the code itself unless a duplicate)
};

std::string Bytes(int code) {
    if (code <= 0xFF) return std::string(1, static_cast<char>(code));
    return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

TEST(Cp932, HandWrittenPairsDecodeAndEncode) {
    const std::vector<Pair> pairs = {
        // ASCII, and half-width katakana as single bytes.
        {0x41, U'A', 0x41},
        {0x5C, U'\\', 0x5C},
        {0x7E, U'~', 0x7E},
        {0xB1, U'ｱ', 0xB1},
        {0xDF, U'ﾟ', 0xDF},
        // Row 1 symbols, kana, level 1 and level 2 kanji.
        {0x8140, U'　', 0x8140},
        {0x8142, U'。', 0x8142},
        {0x82A0, U'あ', 0x82A0},
        {0x8341, U'ア', 0x8341},
        {0x8394, U'ヴ', 0x8394},
        {0x889F, U'亜', 0x889F},
        {0x9872, U'腕', 0x9872},
        {0x989F, U'弌', 0x989F},
        {0xEAA4, U'熙', 0xEAA4},
        // Where code page 932 differs from Shift_JIS: the wave dash, the double vertical line,
        // the minus, the cent, pound and not signs, the backslash.
        {0x8160, U'～', 0x8160},  // U+FF5E, not U+301C
        {0x8161, U'∥', 0x8161},  // U+2225, not U+2016
        {0x817C, U'－', 0x817C},  // U+FF0D, not U+2212
        {0x8191, U'￠', 0x8191},  // U+FFE0, not U+00A2
        {0x8192, U'￡', 0x8192},  // U+FFE1, not U+00A3
        {0x81CA, U'￢', 0x81CA},  // U+FFE2, not U+00AC
        {0x815F, U'＼', 0x815F},  // U+FF3C
        // NEC row 13, and its duplicates of row 2 (which encode to row 2).
        {0x8740, U'①', 0x8740},
        {0x8754, U'Ⅰ', 0x8754},
        {0x8782, U'№', 0x8782},
        {0x8790, U'≒', 0x81E0},
        {0x879A, U'∵', 0x81E6},
        // NEC-selected IBM extensions, and the IBM extensions (which encode to the NEC form).
        {0xED40, U'纊', 0xED40},
        {0xEEEF, U'ⅰ', 0xEEEF},
        {0xEEF9, U'￢', 0x81CA},
        {0xFA40, U'ⅰ', 0xEEEF},
        {0xFA4A, U'Ⅰ', 0x8754},
        {0xFA5C, U'纊', 0xED40},
        {0xFC4B, U'黑', 0xEEEC},
        // The user-defined area, first and last.
        {0xF040, U'\uE000', 0xF040},
        {0xF9FC, U'\uE757', 0xF9FC},
        // The single bytes Windows gives private code points or C1.
        {0x80, U'\u0080', 0x80},
        {0xA0, U'\uF8F0', 0xA0},
        {0xFF, U'\uF8F3', 0xFF},
    };
    for (const Pair& p : pairs) {
        const std::string bytes = Bytes(p.code);
        const DecodedChar ch = DecodeCp932(bytes);
        EXPECT_EQ(ch.code_point, p.cp) << std::hex << p.code;
        EXPECT_EQ(ch.length, bytes.size()) << std::hex << p.code;
        EXPECT_EQ(EncodeCp932(p.cp), p.encodes_to) << std::hex << p.code;
    }
}

TEST(Cp932, JisFormsEncodeToTheCodePageForms) {
    EXPECT_EQ(EncodeCp932(U'〜'), 0x8160);  // U+301C wave dash
    EXPECT_EQ(EncodeCp932(U'‖'), 0x8161);  // U+2016
    EXPECT_EQ(EncodeCp932(U'−'), 0x817C);  // U+2212
    EXPECT_EQ(EncodeCp932(U'¢'), 0x8191);
    EXPECT_EQ(EncodeCp932(U'£'), 0x8192);
    EXPECT_EQ(EncodeCp932(U'¬'), 0x81CA);
    // What the code page cannot hold.
    for (char32_t cp : {U'¥', U'€', U'é', U'한', U'\U0001F600', U'\uFFFD'})
        EXPECT_EQ(EncodeCp932(cp), -1) << std::hex << static_cast<unsigned>(cp);
}

TEST(Cp932, BytesThatAreNoCharacterTakeOneByte) {
    for (const std::string& bytes : {std::string("\x85\x40", 2), std::string("\x81\xAD", 2),
                                    std::string("\x82\x20", 2), std::string("\x82", 1),
                                    std::string("\xEB\x40", 2)}) {
        const DecodedChar ch = DecodeCp932(bytes);
        EXPECT_EQ(ch.code_point, kNoCodePoint);
        EXPECT_EQ(ch.length, 1u);
    }
}

// An independent table: glibc's CP932 must agree on every double-byte code outside the
// user-defined area.
TEST(Cp932, AgreesWithGlibcOnEveryDoubleByteCode) {
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int compared = 0;
    std::vector<std::string> mismatches;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if ((lead >= 0xA0 && lead < 0xE0) || (lead >= 0xF0 && lead <= 0xF9)) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char32_t out[2] = {};
            char* ip = in;
            char* op = reinterpret_cast<char*>(out);
            std::size_t il = 2, ol = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const bool converted = iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) &&
                                   il == 0 && ol == sizeof out - 4;
            const DecodedChar ours = DecodeCp932(std::string_view(in, 2));
            const char32_t theirs = converted ? out[0] : kNoCodePoint;
            const char32_t mine = ours.length == 2 ? ours.code_point : kNoCodePoint;
            ++compared;
            if (mine != theirs) {
                char text[64];
                std::snprintf(text, sizeof text, "%02X%02X: ours %X glibc %X", lead, trail,
                              static_cast<unsigned>(mine), static_cast<unsigned>(theirs));
                mismatches.push_back(text);
            }
        }
    }
    iconv_close(cd);
    EXPECT_GT(compared, 8000);
    EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " first: " << mismatches.front();
}

TEST(Cp932, WholeTextsMarkWhatDoesNotConvert) {
    std::string out;
    EXPECT_TRUE(Cp932ToUtf8("\x82\xA0\x41\xB1\x81\x60", out));
    EXPECT_EQ(out, "あAｱ～");
    EXPECT_FALSE(Cp932ToUtf8(std::string("\x85\x40\x41", 3), out, "〓"));
    EXPECT_EQ(out, "〓@A");  // 0x85 is no character; 0x40 is "@" again

    EXPECT_TRUE(Utf8ToCp932("あAｱ〜", out));
    EXPECT_EQ(out, "\x82\xA0\x41\xB1\x81\x60");
    EXPECT_FALSE(Utf8ToCp932("a€\xFFz", out));
    EXPECT_EQ(out, "a??z");
}

TEST(Utf8, StrictDecoding) {
    struct Case {
        std::string bytes;
        char32_t cp;
        std::size_t length;
    };
    const std::vector<Case> cases = {
        {"A", U'A', 1},
        {"\xC2\xA5", U'¥', 2},
        {"\xE3\x81\x82", U'あ', 3},
        {"\xF0\x9F\x98\x80", U'\U0001F600', 4},
        {"\xC0\xAF", kNoCodePoint, 1},          // overlong "/"
        {"\xE0\x80\xAF", kNoCodePoint, 1},      // overlong
        {"\xED\xA0\x80", kNoCodePoint, 1},      // a surrogate
        {"\xF4\x90\x80\x80", kNoCodePoint, 1},  // above U+10FFFF
        {"\xE3\x81", kNoCodePoint, 1},          // cut short
        {"\x82\xA0", kNoCodePoint, 1},          // code page 932, not UTF-8
    };
    for (const Case& c : cases) {
        const DecodedChar ch = DecodeUtf8(c.bytes);
        EXPECT_EQ(ch.code_point, c.cp) << testing::PrintToString(c.bytes);
        EXPECT_EQ(ch.length, c.length) << testing::PrintToString(c.bytes);
        if (c.cp == kNoCodePoint) continue;
        std::string back;
        AppendUtf8(c.cp, back);
        EXPECT_EQ(back, c.bytes);
    }
}

}  // namespace
}  // namespace tvx
