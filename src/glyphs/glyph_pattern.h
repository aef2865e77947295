// The 32 x 32 glyph pattern and its pictures. A pattern is 256 characters, each a hexadecimal
// digit carrying four dots: character k covers dot row k / 8 and the columns 4 * (k % 8) ..
// 4 * (k % 8) + 3, the bit of value 8 leftmost. Any byte is accepted as a pattern character;
// drawing looks at its value's low four bits only.
//
// Pictures are drawn into 32-bit pixels 0x00RRGGBB, rows top to bottom, so that the editor's
// grid, the list's cells and the bitmap export all show the one picture computed here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/settings_model.h"

namespace tvx {

constexpr int kGlyphDots = 32;  // dots per row and rows per glyph

// Character to value: above "9" the code less 55, otherwise the code less 48 (codes 0..255).
int PatternCharValue(char c);
// Value to character: the low four bits as "0".."9", "A".."F".
char PatternValueChar(int value);

bool DotLit(const char* pattern, int column, int row);
// The 32 rows of dots as text, top first: "#" lit, "." background.
std::vector<std::string> PatternDotRows(const char* pattern);
// Sets or clears one dot (0..31 each); true when the pattern character changed.
bool SetDot(char* pattern, int column, int row, bool lit);

// The editor's grid: 15 x 12 pixels per dot, its corner at (12, 12) of the dialog's client area.
constexpr int kGridLeft = 12;
constexpr int kGridTop = 12;
constexpr int kGridDotWidth = 15;
constexpr int kGridDotHeight = 12;
constexpr int kGridWidth = kGridDotWidth * kGlyphDots;    // 480
constexpr int kGridHeight = kGridDotHeight * kGlyphDots;  // 384

// The dot a mouse point (client pixels) may edit: only the inner 30 x 30 dots can be reached.
// False outside 27..476 x 24..383.
bool GridDotAt(int x, int y, int& column, int& row);

// The list's cells: 16 per page, 8 columns by 2 rows, 3 x 3 pixels per dot.
constexpr int kListCells = 16;
constexpr int kListColumns = 8;
constexpr int kCellDot = 3;
constexpr int kCellPicture = kCellDot * kGlyphDots;  // 96
constexpr int kCellPitch = 114;                      // client pixels from one column to the next
constexpr int kCellLeft = 12;
constexpr int kCellTop[2] = {11, 158};
// The cell (0..15) under a double click at (x, y) of the list's client area, or -1.
int GlyphListCellAt(int x, int y);

// Colours of the pictures.
constexpr std::uint32_t kLitColour = 0xFFFFFF;
constexpr std::uint32_t kOutlineColour = 0x000000;
constexpr std::uint32_t kBackgroundColour = 0x0000FF;

// Draws the 1024 dots, each dot_width x dot_height pixels: a lit dot all white, a background dot
// a black one-pixel outline around a blue inside. pixels points at the picture's top-left pixel;
// stride is the distance between rows in pixels. Writes 32 * dot_width by 32 * dot_height pixels.
void RenderGlyphPicture(const char* pattern, int dot_width, int dot_height, std::uint32_t* pixels,
                        int stride);

}  // namespace tvx
