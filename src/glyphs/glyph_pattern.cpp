#include "glyphs/glyph_pattern.h"

namespace tvx {

namespace {

constexpr int kCharsPerRow = kGlyphDots / 4;

int CharIndex(int column, int row) {
    return kCharsPerRow * row + column / 4;
}

int DotBit(int column) {
    return 8 >> (column % 4);
}

}  // namespace

int PatternCharValue(char c) {
    const int code = static_cast<unsigned char>(c);
    return code > '9' ? code - 55 : code - 48;
}

char PatternValueChar(int value) {
    const int v = value & 0xF;
    return static_cast<char>(v < 10 ? '0' + v : 'A' + v - 10);
}

bool DotLit(const char* pattern, int column, int row) {
    return (PatternCharValue(pattern[CharIndex(column, row)]) & DotBit(column)) != 0;
}

std::vector<std::string> PatternDotRows(const char* pattern) {
    std::vector<std::string> rows;
    for (int row = 0; row < kGlyphDots; ++row) {
        std::string dots;
        for (int column = 0; column < kGlyphDots; ++column)
            dots += DotLit(pattern, column, row) ? '#' : '.';
        rows.push_back(std::move(dots));
    }
    return rows;
}

bool SetDot(char* pattern, int column, int row, bool lit) {
    if (column < 0 || column >= kGlyphDots || row < 0 || row >= kGlyphDots) return false;
    char& ch = pattern[CharIndex(column, row)];
    const int value = PatternCharValue(ch);
    const char updated = PatternValueChar(lit ? value | DotBit(column) : value & ~DotBit(column));
    if (updated == ch) return false;
    ch = updated;
    return true;
}

bool GridDotAt(int x, int y, int& column, int& row) {
    // The outer ring of dots cannot be reached: the bounds stop one dot short of each edge.
    if (x < 27 || x > 476 || y < 24 || y > 383) return false;
    column = (x - kGridLeft) / kGridDotWidth;
    row = (y - kGridTop) / kGridDotHeight;
    return true;
}

int GlyphListCellAt(int x, int y) {
    int row = -1;
    if (y >= 11 && y <= 105) row = 0;
    if (y >= 158 && y <= 252) row = 1;
    if (row < 0) return -1;
    for (int c = 0; c < kListColumns; ++c) {
        if (x >= 12 + kCellPitch * c && x <= 106 + kCellPitch * c) return c + kListColumns * row;
    }
    return -1;
}

void RenderGlyphPicture(const char* pattern, int dot_width, int dot_height, std::uint32_t* pixels,
                        int stride) {
    for (int row = 0; row < kGlyphDots; ++row) {
        for (int column = 0; column < kGlyphDots; ++column) {
            const bool lit = DotLit(pattern, column, row);
            std::uint32_t* dot = pixels + row * dot_height * stride + column * dot_width;
            for (int y = 0; y < dot_height; ++y) {
                std::uint32_t* line = dot + y * stride;
                const bool edge_row = y == 0 || y == dot_height - 1;
                for (int x = 0; x < dot_width; ++x) {
                    const bool edge = edge_row || x == 0 || x == dot_width - 1;
                    line[x] = lit ? kLitColour : edge ? kOutlineColour : kBackgroundColour;
                }
            }
        }
    }
}

}  // namespace tvx
