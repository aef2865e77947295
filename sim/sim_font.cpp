#include "sim_font.h"

namespace tvxsim {
namespace {

// 5 x 7 digits, one row per byte, bit 4 = leftmost dot.
constexpr uint8_t kDigits[16][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // A
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},  // B
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E},  // C
    {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C},  // D
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},  // E
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},  // F
};

constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

void SetDot(uint32_t (&rows)[32], int column, int row) {
    if (column < 0 || column > 31 || row < 0 || row > 31) return;
    rows[row] |= 0x80000000u >> column;
}

// Draws one digit twice its size with its top-left corner at (x, y).
void DrawDigit(uint32_t (&rows)[32], int digit, int x, int y) {
    for (int r = 0; r < 7; ++r) {
        for (int c = 0; c < 5; ++c) {
            if ((kDigits[digit][r] & (0x10 >> c)) == 0) continue;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) SetDot(rows, x + 2 * c + dx, y + 2 * r + dy);
        }
    }
}

}  // namespace

Pattern CharacterPattern(uint16_t jis_code) {
    uint32_t rows[32] = {};
    for (int i = 0; i < 32; ++i) {
        SetDot(rows, i, 0);
        SetDot(rows, i, 31);
        SetDot(rows, 0, i);
        SetDot(rows, 31, i);
    }
    DrawDigit(rows, (jis_code >> 12) & 0xF, 5, 2);
    DrawDigit(rows, (jis_code >> 8) & 0xF, 17, 2);
    DrawDigit(rows, (jis_code >> 4) & 0xF, 5, 17);
    DrawDigit(rows, jis_code & 0xF, 17, 17);

    Pattern out{};
    for (int r = 0; r < 32; ++r)
        for (int k = 0; k < 8; ++k) out[8 * r + k] = kHex[(rows[r] >> (28 - 4 * k)) & 0xF];
    return out;
}

bool PatternDot(const Pattern& pattern, int column, int row) {
    if (column < 0 || column > 31 || row < 0 || row > 31) return false;
    int value = HexValue(pattern[8 * row + column / 4]);
    return (value & (8 >> (column % 4))) != 0;
}

}  // namespace tvxsim
