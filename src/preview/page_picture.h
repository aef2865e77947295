// Pictures of pages: what a page puts on both channels, drawn from its layout (page_layout.h),
// and a contact sheet of all 144 pages. The device's own font is not ours to have: text is drawn
// in a Japanese font the user chose, and every picture says "レイアウトの目安" in its top right
// corner. External characters are drawn from their 32 x 32 patterns, one dot a pixel.
//
// A page picture: a header with the page number, then one screen per channel with its Top and
// Bottom lines of 21 cells of 32 x 32 pixels. Beside each line, outside the screen, the title's
// number and the position's name (with "OFF" when the page does not show it there). A line
// moves down by kOffsetStepPx pixels for each step of its offset above kOffsetHome, up below it.
// The sheet: 12 x 12 tiles in page order, each the page's two screens at a quarter of the size
// under its three-digit number.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "model/settings_model.h"
#include "pictures/font_face.h"
#include "pictures/images.h"
#include "preview/page_layout.h"

namespace tvx {

constexpr int kCellPx = 32;  // one cell of the line: one pixel a dot
// One offset step is two dots: the 16 steps move a line through the height of one cell.
constexpr int kOffsetStepPx = 2;

constexpr int kScreenWidth = 720;
constexpr int kScreenHeight = 224;
constexpr int kLineLeft = 24;  // the first cell, from the screen's left edge
constexpr int kLineHome[2] = {40, kScreenHeight - 40 - kCellPx};  // Top, Bottom at offset 7
constexpr int kPictureMargin = 16;
constexpr int kLabelColumn = 112;
constexpr int kHeaderHeight = 48;
constexpr int kScreenGap = 16;
constexpr int kPictureWidth = kPictureMargin + kLabelColumn + kScreenWidth + kPictureMargin;
constexpr int kPictureHeight = kHeaderHeight + 2 * kScreenHeight + kScreenGap + kPictureMargin;

// The sheet: tiles at a quarter of the size.
constexpr int kTileScale = 4;
constexpr int kSheetColumns = 12;
constexpr int kTileLabelHeight = 18;
constexpr int kTileWidth = kScreenWidth / kTileScale;
constexpr int kTileHeight = kTileLabelHeight + (2 * kScreenHeight + kScreenGap) / kTileScale;
constexpr int kTileGap = 8;
constexpr int kSheetWidth =
    2 * kPictureMargin + kSheetColumns * kTileWidth + (kSheetColumns - 1) * kTileGap;
constexpr int kSheetRows = (kPageCount + kSheetColumns - 1) / kSheetColumns;
constexpr int kSheetHeight =
    kHeaderHeight + kSheetRows * kTileHeight + (kSheetRows - 1) * kTileGap + kPictureMargin;

struct PixelPoint {
    int x = 0;
    int y = 0;
};
// The top-left corner of channel 0's or 1's screen in a page picture.
PixelPoint ScreenOrigin(int channel);
// The top-left corner of the first cell of position 0..3's line at an offset 0..15.
PixelPoint LineOrigin(int position, int offset);
// The top-left corner of page 0..143's tile in the sheet, and of its first screen.
PixelPoint TileOrigin(int page);
PixelPoint TileScreenOrigin(int page, int channel);

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kPaperColour{255, 255, 255};
constexpr Rgb kScreenColour{16, 24, 48};
constexpr Rgb kCharacterColour{255, 255, 255};
constexpr Rgb kLabelColour{32, 32, 32};
constexpr Rgb kLabelOffColour{160, 160, 160};
constexpr Rgb kMarkColour{150, 150, 150};   // a character the font lacks, an unknown glyph
constexpr Rgb kRefusedColour{230, 60, 60};  // a cell the device does not take

// What the pictures are drawn with. The painter keeps each character it has drawn, at each
// size, and reuses it: a sheet draws every distinct character once.
struct PagePainter {
    const FontFace* font = nullptr;  // null or empty: no text, characters as marked boxes
    // The glyphs' patterns (the model's glyph_pattern); null when they are not known, and the
    // external characters are drawn as marked boxes.
    const char (*patterns)[kGlyphSlotBytes] = nullptr;
    std::unordered_map<std::uint64_t, InkImage> characters;
};

RgbImage DrawPagePicture(PagePainter& painter, const PageLayout& layout);
RgbImage DrawContactSheet(PagePainter& painter, const SettingsModel& model);

}  // namespace tvx
