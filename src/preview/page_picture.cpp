#include "preview/page_picture.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "glyphs/glyph_pattern.h"
#include "model/cp932.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

constexpr std::string_view kLayoutNote = "レイアウトの目安";
constexpr const char* kPositionNames[kPositionCount] = {"Top", "Bottom", "Top", "Bottom"};

int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

void FillRect(RgbImage& out, int left, int top, int width, int height, Rgb colour) {
    for (int y = std::max(top, 0); y < std::min(top + height, out.height); ++y) {
        for (int x = std::max(left, 0); x < std::min(left + width, out.width); ++x) {
            std::uint8_t* px = &out.rgb[(static_cast<std::size_t>(y) * out.width + x) * 3];
            px[0] = colour.r;
            px[1] = colour.g;
            px[2] = colour.b;
        }
    }
}

std::uint8_t Blend(std::uint8_t under, std::uint8_t over, unsigned ink) {
    return static_cast<std::uint8_t>((under * (255u - ink) + over * ink + 127u) / 255u);
}

// Lays ink over the picture in a colour; what falls outside is cut off.
void Stamp(RgbImage& out, int left, int top, const InkImage& ink, Rgb colour) {
    for (int y = 0; y < ink.height; ++y) {
        const int ty = top + y;
        if (ty < 0 || ty >= out.height) continue;
        for (int x = 0; x < ink.width; ++x) {
            const int tx = left + x;
            const unsigned amount = ink.ink[static_cast<std::size_t>(y) * ink.width + x];
            if (tx < 0 || tx >= out.width || amount == 0) continue;
            std::uint8_t* px = &out.rgb[(static_cast<std::size_t>(ty) * out.width + tx) * 3];
            px[0] = Blend(px[0], colour.r, amount);
            px[1] = Blend(px[1], colour.g, amount);
            px[2] = Blend(px[2], colour.b, amount);
        }
    }
}

// The average of each divisor x divisor square.
InkImage Shrink(const InkImage& full, int divisor) {
    if (divisor <= 1) return full;
    InkImage small(full.width / divisor, full.height / divisor);
    const unsigned area = static_cast<unsigned>(divisor * divisor);
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            unsigned sum = 0;
            for (int dy = 0; dy < divisor; ++dy) {
                for (int dx = 0; dx < divisor; ++dx)
                    sum += full.At(x * divisor + dx, y * divisor + dy);
            }
            small.ink[static_cast<std::size_t>(y) * small.width + x] =
                static_cast<std::uint8_t>((sum + area / 2) / area);
        }
    }
    return small;
}

bool HalfWidth(char32_t ch) {
    return ch < 0x100 || (ch >= 0xFF61 && ch <= 0xFF9F);
}

bool HasFont(const PagePainter& p) {
    return p.font != nullptr && p.font->data != nullptr;
}

// A character of the font in a size x size cell, shrunk by divisor; a half-width one (in the
// labels) is drawn in the left half of its cell. Each is drawn once and kept.
const InkImage& CharacterInk(PagePainter& p, char32_t ch, int size, int divisor, bool half) {
    const std::uint64_t key = std::uint64_t{ch} << 24 | std::uint64_t(size) << 8 |
                              std::uint64_t(divisor) << 1 | (half ? 1u : 0u);
    auto found = p.characters.find(key);
    if (found != p.characters.end()) return found->second;
    CellPlacement placement{size, static_cast<double>(size), half ? -size / 4.0 : 0.0, 0.0};
    InkImage ink = HasFont(p) ? DrawCharacter(*p.font, ch, placement) : InkImage(size, size);
    return p.characters.emplace(key, Shrink(ink, divisor)).first->second;
}

// Draws UTF-8 text from its top-left corner; returns its width. Without a font nothing shows.
int DrawText(PagePainter& p, RgbImage* out, int left, int top, int size, std::string_view utf8,
             Rgb colour) {
    int x = left;
    while (!utf8.empty()) {
        const DecodedChar d = DecodeUtf8(utf8);
        utf8.remove_prefix(d.length);
        if (d.code_point == kNoCodePoint) continue;
        const bool half = HalfWidth(d.code_point);
        if (out != nullptr && d.code_point != U' ') {
            Stamp(*out, x, top, CharacterInk(p, d.code_point, size, 1, half), colour);
        }
        x += half ? size / 2 : size;
    }
    return x - left;
}

void DrawTextRight(PagePainter& p, RgbImage& out, int right, int top, int size,
                   std::string_view utf8, Rgb colour) {
    const int width = DrawText(p, nullptr, 0, 0, size, utf8, colour);
    DrawText(p, &out, right - width, top, size, utf8, colour);
}

std::string ThreeDigits(int value) {
    char digits[3];
    FormatThreeDigits(value, digits);
    return std::string(digits, 3);
}

// A box inside a cell, drawn solid or dashed, with its diagonals when crossed.
InkImage BoxMark(bool dashed, bool crossed) {
    InkImage ink(kCellPx, kCellPx);
    constexpr int lo = 3;
    constexpr int hi = kCellPx - 4;
    auto dot = [&ink](int x, int y) { ink.ink[static_cast<std::size_t>(y) * kCellPx + x] = 255; };
    for (int i = lo; i <= hi; ++i) {
        if (dashed && (i - lo) % 6 >= 3) continue;
        dot(i, lo);
        dot(i, hi);
        dot(lo, i);
        dot(hi, i);
    }
    if (crossed) {
        for (int i = lo; i <= hi; ++i) {
            dot(i, i);
            dot(i, lo + hi - i);
        }
    }
    return ink;
}

InkImage GlyphInk(const char* pattern) {
    InkImage ink(kCellPx, kCellPx);
    for (int row = 0; row < kGlyphDots; ++row) {
        for (int column = 0; column < kGlyphDots; ++column) {
            if (DotLit(pattern, column, row))
                ink.ink[static_cast<std::size_t>(row) * kCellPx + column] = 255;
        }
    }
    return ink;
}

// The marks are the same in every cell: drawn once for each size.
const InkImage& MarkInk(PagePainter& p, int mark, int divisor) {
    const std::uint64_t key =
        std::uint64_t{0xFFFFFF00u + static_cast<unsigned>(mark)} << 24 | std::uint64_t(divisor);
    auto found = p.characters.find(key);
    if (found != p.characters.end()) return found->second;
    return p.characters.emplace(key, Shrink(BoxMark(mark == 1, mark == 2), divisor)).first->second;
}

void DrawCell(PagePainter& p, RgbImage& out, int x, int y, const PageCell& cell, int divisor) {
    enum { kMissing = 0, kUnknownGlyph = 1, kRefused = 2 };
    switch (cell.kind) {
        case CellKind::Blank:
            return;
        case CellKind::Character:
            if (cell.code_point != 0 && HasFont(p) && FontHasCharacter(*p.font, cell.code_point)) {
                Stamp(out, x, y, CharacterInk(p, cell.code_point, kCellPx, divisor, false),
                      kCharacterColour);
            } else {
                Stamp(out, x, y, MarkInk(p, kMissing, divisor), kMarkColour);
            }
            return;
        case CellKind::Glyph:
            if (p.patterns != nullptr) {
                Stamp(out, x, y, Shrink(GlyphInk(p.patterns[cell.glyph]), divisor),
                      kCharacterColour);
                return;
            }
            [[fallthrough]];
        case CellKind::UnknownGlyph:
            Stamp(out, x, y, MarkInk(p, kUnknownGlyph, divisor), kMarkColour);
            return;
        case CellKind::Refused:
            Stamp(out, x, y, MarkInk(p, kRefused, divisor), kRefusedColour);
            return;
    }
}

// Both channels' screens with the lines the page shows, from the first screen's corner, at
// 1 / divisor of the full size.
void DrawScreens(PagePainter& p, RgbImage& out, PixelPoint corner, const PageLayout& layout,
                 int divisor) {
    const int cell = kCellPx / divisor;
    for (int channel = 0; channel < 2; ++channel) {
        const int screen_top = corner.y + channel * (kScreenHeight + kScreenGap) / divisor;
        FillRect(out, corner.x, screen_top, kScreenWidth / divisor, kScreenHeight / divisor,
                 kScreenColour);
        for (int position = 2 * channel; position < 2 * channel + 2; ++position) {
            const PositionLine& line = layout.lines[position];
            if (!line.shown || line.title < 0) continue;
            const int y = screen_top + FloorDiv(kLineHome[position % 2] +
                                                    (line.offset - kOffsetHome) * kOffsetStepPx,
                                                divisor);
            const int x = corner.x + kLineLeft / divisor;
            for (int i = 0; i < kLineCells; ++i)
                DrawCell(p, out, x + i * cell, y, line.cells[i], divisor);
        }
    }
}

void DrawLineLabel(PagePainter& p, RgbImage& out, int position, const PositionLine& line) {
    const int left = kPictureMargin;
    const int top = ScreenOrigin(position / 2).y + kLineHome[position % 2];
    const Rgb colour = line.shown ? kLabelColour : kLabelOffColour;
    DrawText(p, &out, left, top, 16, line.title >= 0 ? "T" + ThreeDigits(line.title + 1) : "T---",
             colour);
    std::string name = kPositionNames[position];
    if (!line.shown) name += " OFF";
    DrawText(p, &out, left, top + 18, 14, name, colour);
    if (line.title >= 0 && !line.sendable) {
        DrawText(p, &out, left, top + 36, 12, "送れない文字", kRefusedColour);
    }
}

}  // namespace

PixelPoint ScreenOrigin(int channel) {
    return {kPictureMargin + kLabelColumn, kHeaderHeight + channel * (kScreenHeight + kScreenGap)};
}

PixelPoint LineOrigin(int position, int offset) {
    const PixelPoint screen = ScreenOrigin(position / 2);
    return {screen.x + kLineLeft,
            screen.y + kLineHome[position % 2] + (offset - kOffsetHome) * kOffsetStepPx};
}

PixelPoint TileOrigin(int page) {
    return {kPictureMargin + (page % kSheetColumns) * (kTileWidth + kTileGap),
            kHeaderHeight + (page / kSheetColumns) * (kTileHeight + kTileGap)};
}

PixelPoint TileScreenOrigin(int page, int channel) {
    const PixelPoint tile = TileOrigin(page);
    return {tile.x,
            tile.y + kTileLabelHeight + channel * (kScreenHeight + kScreenGap) / kTileScale};
}

RgbImage DrawPagePicture(PagePainter& p, const PageLayout& layout) {
    RgbImage out(kPictureWidth, kPictureHeight, 255);
    DrawText(p, &out, kPictureMargin, 12, 24, "ページ " + ThreeDigits(layout.page + 1),
             kLabelColour);
    DrawTextRight(p, out, kPictureWidth - kPictureMargin, 16, 16, kLayoutNote, kLabelColour);
    for (int channel = 0; channel < 2; ++channel) {
        DrawText(p, &out, kPictureMargin, ScreenOrigin(channel).y + 8, 16,
                 channel == 0 ? "ch.1" : "ch.2", kLabelColour);
    }
    for (int position = 0; position < kPositionCount; ++position) {
        DrawLineLabel(p, out, position, layout.lines[position]);
    }
    DrawScreens(p, out, ScreenOrigin(0), layout, 1);
    return out;
}

RgbImage DrawContactSheet(PagePainter& p, const SettingsModel& model) {
    RgbImage out(kSheetWidth, kSheetHeight, 255);
    DrawText(p, &out, kPictureMargin, 12, 24, "ページ一覧", kLabelColour);
    DrawTextRight(p, out, kSheetWidth - kPictureMargin, 16, 16, kLayoutNote, kLabelColour);
    for (int page = 0; page < kPageCount; ++page) {
        const PixelPoint tile = TileOrigin(page);
        DrawText(p, &out, tile.x, tile.y + 1, 14, ThreeDigits(page + 1), kLabelColour);
        DrawScreens(p, out, TileScreenOrigin(page, 0), LayOutPage(model, page), kTileScale);
    }
    return out;
}

}  // namespace tvx
