// Field encodings of commands and replies, and the title and glyph character codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "protocol/encodings.h"

namespace tvx {
namespace {

std::string Two(int v) {
    char out[2];
    FormatTwoDigits(v, out);
    return std::string(out, 2);
}
std::string Three(int v) {
    char out[3];
    FormatThreeDigits(v, out);
    return std::string(out, 3);
}
std::string Hex(std::uint32_t v) {
    char out[4];
    EncodeHex16(v, out);
    return std::string(out, 4);
}
std::string Pos(int p) {
    char out[3];
    FormatPosition(p, out);
    return std::string(out, 3);
}
std::string Page(int page) {
    char out[3] = {'x', 'x', 'x'};
    return std::string(out, FormatPage(page, out));
}

TEST(Encodings, DigitFieldsRoundTrip) {
    EXPECT_EQ(Two(0), "00");
    EXPECT_EQ(Two(7), "07");
    EXPECT_EQ(Two(99), "99");
    EXPECT_EQ(Three(1), "001");
    EXPECT_EQ(Three(144), "144");
    EXPECT_EQ(Three(999), "999");
    for (int v = 0; v < 100; ++v) EXPECT_EQ(DecodeTwoDigits(Two(v).c_str()), v);
    for (int v = 0; v < 1000; ++v) EXPECT_EQ(DecodeThreeDigits(Three(v).c_str()), v);
}

TEST(Encodings, DecodersRefuseWhatIsNotADigit) {
    EXPECT_EQ(DecodeTwoDigits("1A"), -1);
    EXPECT_EQ(DecodeTwoDigits(" 1"), -1);
    EXPECT_EQ(DecodeThreeDigits("1/0"), -1);
    EXPECT_EQ(DecodeThreeDigits("A00"), -1);
    EXPECT_EQ(DecodeHexByte("0G"), -1);
    EXPECT_EQ(DecodeHexByte("a0"), -1);  // the device writes upper case only
    EXPECT_EQ(DecodeHexByte("\r\n"), -1);
}

TEST(Encodings, HexDigits) {
    EXPECT_EQ(Hex(0x2121), "2121");
    EXPECT_EQ(Hex(0xA365), "A365");
    EXPECT_EQ(Hex(0x0000), "0000");
    EXPECT_EQ(Hex(0xFFFF), "FFFF");
    EXPECT_EQ(Hex(0x9ABC), "9ABC");
    for (int v = 0; v < 256; ++v) {
        std::string h = Hex(static_cast<std::uint32_t>(v << 8 | v));
        EXPECT_EQ(DecodeHexByte(h.c_str()), v);
        EXPECT_EQ(DecodeHexByte(h.c_str() + 2), v);
    }
}

TEST(Encodings, PositionSelector) {
    EXPECT_EQ(Pos(0), "01T");
    EXPECT_EQ(Pos(1), "01B");
    EXPECT_EQ(Pos(2), "02T");
    EXPECT_EQ(Pos(3), "02B");
    for (int p = 0; p < 4; ++p) EXPECT_EQ(DecodePosition(Pos(p).c_str()), p);
    EXPECT_EQ(DecodePosition("01X"), 0);  // any letter but B is Top
    EXPECT_EQ(DecodePosition("00T"), -1);
    EXPECT_EQ(DecodePosition("03B"), -1);
    EXPECT_EQ(DecodePosition("11T"), -1);
    EXPECT_EQ(DecodePosition("0?T"), -1);
}

TEST(Encodings, PageField) {
    EXPECT_EQ(Page(0), "001");
    EXPECT_EQ(Page(143), "144");
    EXPECT_EQ(Page(144), "AS");
}

TEST(Encodings, GlyphCodes) {
    EXPECT_EQ(glyph_code(0), 0xA365);
    EXPECT_EQ(glyph_code(25), 0xA37E);
    EXPECT_EQ(glyph_code(26), 0xA421);
    EXPECT_EQ(glyph_code(63), 0xA446);
    EXPECT_EQ(glyph_code(119), 0xA47E);
    EXPECT_EQ(glyph_code(120), 0xA521);
    EXPECT_EQ(glyph_code(159), 0xA548);
    EXPECT_EQ(glyph_code(-1), 0);
    EXPECT_EQ(glyph_code(160), 0);
    // The table form of the rule, row by row.
    for (int g = 0; g < 160; ++g) {
        int expected = g <= 25 ? 0xA365 + g : g <= 119 ? 0xA407 + g : 0xA4A9 + g;
        EXPECT_EQ(glyph_code(g), expected) << g;
    }
}

TEST(Encodings, TitleWireCodes) {
    EXPECT_EQ(title_wire_code(0x8140), 0x2121);
    EXPECT_EQ(title_wire_code(0x82A0), 0x2422);
    EXPECT_EQ(title_wire_code(0x1020), 0xA365);  // glyph index 0 held in a title
    EXPECT_EQ(title_wire_code(0x1339), 0xA67E);
    EXPECT_EQ(title_wire_code(0x133A), 0);       // neither external nor Shift_JIS
    EXPECT_EQ(title_wire_code(0xFA40), 0x7C71);  // IBM small roman one via 0xEEEF
    EXPECT_EQ(title_wire_code(0xFA5C), 0x7921);  // via 0xED40
    EXPECT_EQ(title_wire_code(0xFA4A), 0);       // no NEC-selected equivalent
    EXPECT_EQ(title_wire_code(0xF040), 0);       // user-defined character
    EXPECT_EQ(title_wire_code(0x4142), 0);       // two half-width letters
    EXPECT_EQ(title_wire_code(0x817F), 0);
    // External characters and glyph codes agree.
    for (int g = 0; g < 160; ++g)
        EXPECT_EQ(title_wire_code(glyph_code(g) - 0x9345), glyph_code(g)) << g;
}

std::string DecodeTitle(const std::string& hex84, bool* ok = nullptr) {
    char title[kTitleBytes];
    std::memset(title, 'z', sizeof title);
    bool result = DecodeTitleCodes(hex84.c_str(), title);
    if (ok) *ok = result;
    if (!result) return "<refused>";
    EXPECT_EQ(title[strnlen(title, kTitleBytes)], '\0');
    return std::string(title);
}

std::string Codes(std::initializer_list<const char*> codes, int pad_to = 21) {
    std::string s;
    int n = 0;
    for (const char* c : codes) {
        s += c;
        ++n;
    }
    for (; n < pad_to; ++n) s += "2121";
    return s;
}

TEST(Encodings, TitleDecoding) {
    // "あい" then padding.
    EXPECT_EQ(DecodeTitle(Codes({"2422", "2424"})), "\x82\xA0\x82\xA2");
    // All spaces: the empty title.
    EXPECT_EQ(DecodeTitle(Codes({})), "");
    // A space inside the title stays, only the trailing ones go.
    EXPECT_EQ(DecodeTitle(Codes({"2121", "2422"})), "\x81\x40\x82\xA0");
    // 16 characters then five spaces give 16 characters.
    std::string sixteen;
    for (int i = 0; i < 16; ++i) sixteen += "3021";
    std::string title16 = DecodeTitle(sixteen + "21212121212121212121");
    EXPECT_EQ(title16.size(), 32u);
    // External character: glyph index 0 comes back as its title code.
    EXPECT_EQ(DecodeTitle(Codes({"A365", "2422"})), "\x10\x20\x82\xA0");
    // 21 characters with no padding fill the title to 42 bytes.
    std::string full;
    for (int i = 0; i < 21; ++i) full += "2422";
    EXPECT_EQ(DecodeTitle(full).size(), 42u);
}

TEST(Encodings, TitleDecodingOfBadCodes) {
    bool ok = true;
    DecodeTitle(Codes({"24x2"}), &ok);
    EXPECT_FALSE(ok);
    DecodeTitle(Codes({"2422", "2a22"}), &ok);  // lower-case hex is not the device's
    EXPECT_FALSE(ok);
    // A code that is no character ends the title there, as it cannot be kept.
    EXPECT_EQ(DecodeTitle(Codes({"2422", "7F7F", "2422"})), "\x82\xA0");
    // Codes above the JIS range but below the shifted external range are no character either.
    EXPECT_EQ(DecodeTitle(Codes({"2422", "8000", "2422"})), "\x82\xA0");
    EXPECT_EQ(DecodeTitle(Codes({"2422", "A67F", "2422"})), "\x82\xA0");
}

}  // namespace
}  // namespace tvx
