// Shift_JIS <-> JIS X 0208 conversions, checked over every 16-bit code against the row/cell
// layout of Shift_JIS written out independently here, and against glibc's iconv tables.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "protocol/encodings.h"
#include "protocol/sjis.h"

namespace tvx {
namespace {

// Shift_JIS packs two JIS rows into one lead byte: the even-numbered row (0-based) takes the
// trail bytes 0x40..0x9E (skipping 0x7F), the odd one 0x9F..0xFC.
std::vector<std::uint16_t> JisBySjisTable() {
    std::vector<std::uint16_t> table(0x10000, 0);
    for (int row = 0; row < 94; ++row) {
        for (int cell = 0; cell < 94; ++cell) {
            int lead = 0x81 + row / 2;
            if (lead > 0x9F) lead += 0x40;
            int trail;
            if (row % 2 == 0) {
                trail = 0x40 + cell;
                if (trail >= 0x7F) ++trail;
            } else {
                trail = 0x9F + cell;
            }
            table[lead << 8 | trail] =
                static_cast<std::uint16_t>((0x21 + row) << 8 | (0x21 + cell));
        }
    }
    return table;
}

TEST(SjisToJis, MatchesTheRowCellLayoutForEveryCode) {
    std::vector<std::uint16_t> expected = JisBySjisTable();
    int valid = 0;
    for (std::uint32_t sjis = 0; sjis <= 0xFFFF; ++sjis) {
        ASSERT_EQ(SjisToJis(sjis), expected[sjis]) << std::hex << sjis;
        if (expected[sjis] != 0) ++valid;
    }
    EXPECT_EQ(valid, 94 * 94);
}

TEST(SjisToJis, ValidityAtTheEdges) {
    EXPECT_EQ(SjisToJis(0x8140), 0x2121);  // full-width space
    EXPECT_EQ(SjisToJis(0x82A0), 0x2422);  // hiragana a
    EXPECT_EQ(SjisToJis(0x889F), 0x3021);  // first kanji of level 1
    EXPECT_EQ(SjisToJis(0x8740), 0x2D21);  // NEC row 13 passes
    EXPECT_EQ(SjisToJis(0xED40), 0x7921);  // NEC-selected IBM rows pass
    EXPECT_EQ(SjisToJis(0xEEFC), 0x7C7E);
    EXPECT_EQ(SjisToJis(0xEFFC), 0x7E7E);
    EXPECT_EQ(SjisToJis(0x817F), 0);  // trail byte 0x7F
    EXPECT_EQ(SjisToJis(0x81FD), 0);
    EXPECT_EQ(SjisToJis(0x813F), 0);
    EXPECT_EQ(SjisToJis(0xF040), 0);  // user-defined area
    EXPECT_EQ(SjisToJis(0xFA40), 0);  // IBM extension before its replacement
    EXPECT_EQ(SjisToJis(0xA0A0), 0);
    EXPECT_EQ(SjisToJis(0x4142), 0);  // two single-byte characters
    EXPECT_EQ(SjisToJis(0x10000 + 0x8140), 0);
}

TEST(JisToSjis, InvertsTheLayoutForEveryCode) {
    std::vector<std::uint16_t> jis_by_sjis = JisBySjisTable();
    std::map<std::uint16_t, std::uint16_t> sjis_by_jis;
    for (std::uint32_t s = 0; s <= 0xFFFF; ++s) {
        if (jis_by_sjis[s] != 0) sjis_by_jis[jis_by_sjis[s]] = static_cast<std::uint16_t>(s);
    }
    for (std::uint32_t jis = 0; jis <= 0xFFFF; ++jis) {
        auto it = sjis_by_jis.find(static_cast<std::uint16_t>(jis));
        std::uint16_t expected = it == sjis_by_jis.end() ? 0 : it->second;
        ASSERT_EQ(JisToSjis(jis), expected) << std::hex << jis;
    }
    EXPECT_EQ(JisToSjis(0x2121), 0x8140);
    EXPECT_EQ(JisToSjis(0x217F), 0);
    EXPECT_EQ(JisToSjis(0x7F21), 0);
    EXPECT_EQ(JisToSjis(0x2020), 0);
}

TEST(ReplaceIbmExtension, EveryRangeOfTheTable) {
    struct Case {
        std::uint32_t in, out;
    };
    const Case cases[] = {
        {0xFA40, 0xEEEF}, {0xFA49, 0xEEF8}, {0xFA4A, 0xFA4A}, {0xFA54, 0xFA54}, {0xFA55, 0xEEFA},
        {0xFA57, 0xEEFC}, {0xFA58, 0xFA58}, {0xFA5B, 0xFA5B}, {0xFA5C, 0xED40}, {0xFA7E, 0xED62},
        {0xFA7F, 0},      {0xFA80, 0xED63}, {0xFA9B, 0xED7E}, {0xFA9C, 0xED80}, {0xFAFC, 0xEDE0},
        {0xFAFD, 0},      {0xFB3F, 0},      {0xFB40, 0xEDE1}, {0xFB5B, 0xEDFC}, {0xFB5C, 0xEE40},
        {0xFB7E, 0xEE62}, {0xFB7F, 0},      {0xFB80, 0xEE63}, {0xFB9B, 0xEE7E}, {0xFB9C, 0xEE80},
        {0xFBFC, 0xEEE0}, {0xFC40, 0xEEE1}, {0xFC4B, 0xEEEC}, {0xFC4C, 0},      {0xFFFF, 0},
        {0x8140, 0x8140}, {0xF040, 0xF040},
    };
    for (const Case& c : cases) EXPECT_EQ(ReplaceIbmExtension(c.in), c.out) << std::hex << c.in;
}

// glibc's iconv as an independent source. It only answers for cells it assigns.
struct Iconv {
    iconv_t cd;
    Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
    // The converted bytes, or an empty string when the input is rejected.
    std::string Convert(std::uint32_t two_bytes) {
        char in[2] = {static_cast<char>(two_bytes >> 8), static_cast<char>(two_bytes & 0xFF)};
        char out[16];
        char* in_ptr = in;
        char* out_ptr = out;
        std::size_t in_left = 2, out_left = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1))
            return {};
        if (in_left != 0) return {};
        return std::string(out, sizeof out - out_left);
    }
};

TEST(SjisToJis, AgreesWithIconvOnEveryCellBothAssign) {
    Iconv to_euc("EUC-JP", "CP932");
    Iconv to_cp932("CP932", "EUC-JP");
    ASSERT_TRUE(to_euc.ok() && to_cp932.ok());
    int compared = 0;
    std::vector<std::uint32_t> differing;
    for (std::uint32_t sjis = 0x8100; sjis <= 0xEFFF; ++sjis) {
        std::string euc = to_euc.Convert(sjis);
        // Only two-byte JIS X 0208 answers compare; iconv sends a few symbols elsewhere.
        if (euc.size() != 2) continue;
        auto hi = static_cast<unsigned char>(euc[0]), lo = static_cast<unsigned char>(euc[1]);
        if (hi < 0xA1 || lo < 0xA1) continue;
        // NEC row 13 repeats some row 2 symbols; iconv sends those to row 2. Skip duplicates.
        std::string back = to_cp932.Convert(static_cast<std::uint32_t>(hi << 8 | lo));
        if (back != std::string{static_cast<char>(sjis >> 8), static_cast<char>(sjis & 0xFF)})
            continue;
        ++compared;
        std::uint16_t expected = static_cast<std::uint16_t>((hi - 0x80) << 8 | (lo - 0x80));
        if (SjisToJis(sjis) != expected) differing.push_back(sjis);
    }
    EXPECT_GT(compared, 6800);
    EXPECT_TRUE(differing.empty()) << differing.size() << " differ, first " << std::hex
                                   << (differing.empty() ? 0 : differing[0]);
}

TEST(ReplaceIbmExtension, ReplacementIsTheSameCharacterInIconv) {
    Iconv to_utf32("UTF-32BE", "CP932");
    ASSERT_TRUE(to_utf32.ok());
    int compared = 0;
    for (std::uint32_t c = 0xFA40; c <= 0xFCFF; ++c) {
        std::uint32_t replacement = ReplaceIbmExtension(c);
        if (replacement == 0 || replacement == c) continue;
        std::string original = to_utf32.Convert(c);
        std::string nec = to_utf32.Convert(replacement);
        if (original.empty() || nec.empty()) continue;
        ++compared;
        EXPECT_EQ(original, nec) << std::hex << c << " -> " << replacement;
    }
    EXPECT_GT(compared, 350);
}

}  // namespace
}  // namespace tvx
