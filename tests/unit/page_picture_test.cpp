// Pictures of pages: which cell holds what, and where it lands in the picture. The geometry
// asserted here is the picture's own design (32 x 32 pixels a cell, two pixels an offset step);
// the glyph's dots are written by the test itself and must come out pixel for pixel.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "preview/page_picture.h"

namespace tvx {
namespace {

using namespace std::string_literals;

struct Fixture {
    std::unique_ptr<SettingsModel> model = std::make_unique<SettingsModel>();
    std::unique_ptr<AppState> app = std::make_unique<AppState>();
    FontFace face;
    Fixture() {
        ResetToDefaults(*model, *app);
        std::ifstream in("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", std::ios::binary);
        OpenFontFace({std::istreambuf_iterator<char>(in), {}}, 0, face);
    }
    void Title(int t, const std::string& bytes) {
        std::memset(model->title_text[t], 0, kTitleBytes);
        bytes.copy(model->title_text[t], std::min<std::size_t>(bytes.size(), kTitleBytes));
    }
    PagePainter Painter(bool with_font = true, bool with_patterns = true) {
        PagePainter painter;
        painter.font = with_font ? &face : nullptr;
        painter.patterns = with_patterns ? model->glyph_pattern : nullptr;
        return painter;
    }
};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

Rgb PixelAt(const RgbImage& image, int x, int y) {
    const std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
    return {p[0], p[1], p[2]};
}

// The pixels of a rectangle that are not the screen's colour.
int InkIn(const RgbImage& image, int left, int top, int width, int height) {
    int count = 0;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x)
            count += PixelAt(image, x, y) == kScreenColour ? 0 : 1;
    }
    return count;
}

TEST(PageLayout, EachPairBecomesTheCellTheDeviceShows) {
    struct Case {
        std::string title;
        std::vector<CellKind> kinds;  // the first cells; the rest are blank
        bool sendable;
    };
    using K = CellKind;
    const Case cases[] = {
        {""s, {}, true},
        {"\x88\xea\x81\x40\x8c\xfb"s, {K::Character, K::Blank, K::Character}, true},  // 一　口
        {"\x10\x20\x11\x00\x88\xea"s, {K::Glyph, K::Glyph, K::Character}, true},  // glyphs 1, 63
        {"\x10\x00"s, {K::UnknownGlyph}, true},  // an external code of no glyph of ours
        {"\xfa\x40"s, {K::Character}, true},     // an IBM extension the device takes
        {"AB"s, {K::Refused}, false},            // half-width
        {"\x88\xea"
         "A"s,
         {K::Character, K::Refused},
         false},                             // odd length
        {"\xf0\x40"s, {K::Refused}, false},  // user-defined
        {"\x09\x41"s, {K::Refused}, false},  // a pasted tab
        {Repeat("\x88\xea", 21), std::vector<CellKind>(21, K::Character), true},
        {Repeat("\x88\xea", 21) + "A", std::vector<CellKind>(21, K::Character), false},  // 43 bytes
    };
    Fixture f;
    for (const Case& c : cases) {
        f.Title(0, c.title);
        PageCell cells[kLineCells];
        EXPECT_EQ(LayOutTitle(*f.model, 0, cells), c.sendable) << testing::PrintToString(c.title);
        for (int i = 0; i < static_cast<int>(c.kinds.size()); ++i)
            EXPECT_EQ(cells[i].kind, c.kinds[i])
                << testing::PrintToString(c.title) << " cell " << i;
        for (int i = static_cast<int>(c.kinds.size()); i < kLineCells; ++i)
            EXPECT_EQ(cells[i].kind, K::Blank) << testing::PrintToString(c.title) << " cell " << i;
    }
    f.Title(0, "\x88\xea\x10\x20\x11\x00\xfa\x40"s);
    PageCell cells[kLineCells];
    LayOutTitle(*f.model, 0, cells);
    EXPECT_EQ(cells[0].code_point, U'一');
    EXPECT_EQ(cells[1].glyph, 0);
    EXPECT_EQ(cells[2].glyph, 62);
    EXPECT_EQ(cells[3].code_point, U'ⅰ');
    EXPECT_FALSE(LayOutTitle(*f.model, kTitleCount, cells));
}

TEST(PageLayout, DamagedValuesAreKeptInBoundsAndTheShownPageIsFound) {
    Fixture f;
    SettingsModel& m = *f.model;
    m.page_title_number[0][3] = 200;
    m.page_title_number[1][3] = -1;
    m.page_title_number[2][3] = 143;
    m.page_display_on[3][3] = 0;
    m.position_offset[0] = 99;
    m.position_offset[1] = -3;
    const PageLayout layout = LayOutPage(m, 3);
    EXPECT_EQ(layout.lines[0].title, -1);
    EXPECT_EQ(layout.lines[1].title, -1);
    EXPECT_EQ(layout.lines[2].title, 143);
    EXPECT_TRUE(layout.lines[2].shown);
    EXPECT_FALSE(layout.lines[3].shown);
    EXPECT_EQ(layout.lines[0].offset, 15);
    EXPECT_EQ(layout.lines[1].offset, 0);
    EXPECT_EQ(LayOutPage(m, 500).page, 0);

    EXPECT_EQ(PageShownNow(m), 0);
    m.display_page[0] = kAutoSwitchPage;
    m.display_page[1] = 11;
    EXPECT_EQ(PageShownNow(m), 11);
    for (int& page : m.display_page) page = kAutoSwitchPage;
    EXPECT_EQ(PageShownNow(m), 0);
}

TEST(PagePicture, PositionsOffLeaveTheScreensEmptyAndCellsHoldTheirCharacters) {
    Fixture f;
    for (int p = 0; p < kPositionCount; ++p) f.model->page_display_on[p][4] = 0;
    f.Title(4, "\x88\xea\x81\x40\x81\x40\x81\x40\x81\x40\x8c\xfb"s);  // 一 at cell 0, 口 at 5
    PagePainter painter = f.Painter();
    RgbImage off = DrawPagePicture(painter, LayOutPage(*f.model, 4));
    ASSERT_EQ(off.width, kPictureWidth);
    for (int channel = 0; channel < 2; ++channel) {
        const PixelPoint s = ScreenOrigin(channel);
        EXPECT_EQ(InkIn(off, s.x, s.y, kScreenWidth, kScreenHeight), 0) << channel;
    }

    f.model->page_display_on[1][4] = 1;  // ch.1 Bottom alone
    const RgbImage on = DrawPagePicture(painter, LayOutPage(*f.model, 4));
    const PixelPoint line = LineOrigin(1, kOffsetHome);
    const PixelPoint screen = ScreenOrigin(0);
    const int cell0 = InkIn(on, line.x, line.y, kCellPx, kCellPx);
    const int cell5 = InkIn(on, line.x + 5 * kCellPx, line.y, kCellPx, kCellPx);
    EXPECT_GT(cell0, 20);
    EXPECT_GT(cell5, 20);
    EXPECT_EQ(InkIn(on, screen.x, screen.y, kScreenWidth, kScreenHeight), cell0 + cell5);
    EXPECT_EQ(InkIn(on, ScreenOrigin(1).x, ScreenOrigin(1).y, kScreenWidth, kScreenHeight), 0);
}

TEST(PagePicture, AnExternalCharacterShowsItsPatternDotForDot) {
    Fixture f;
    char* pattern = f.model->glyph_pattern[5];
    // Row r holds the bits 0x80000000 >> r and 0x00000001 << r, plus a full first row.
    for (int r = 0; r < 32; ++r) {
        const std::uint32_t bits = r == 0 ? 0xFFFFFFFFu : (0x80000000u >> r) | (1u << r);
        std::snprintf(pattern + 8 * r, 9, "%08X", bits);
    }
    pattern[kGlyphPatternChars] = '0';  // the slot's spare bytes are no part of the pattern
    f.Title(2, "\x81\x40\x81\x40\x81\x40\x10\x25"s);  // glyph 6 at cell 3
    PagePainter painter = f.Painter();
    const RgbImage picture = DrawPagePicture(painter, LayOutPage(*f.model, 2));
    const PixelPoint line = LineOrigin(2, kOffsetHome);
    for (int r = 0; r < 32; ++r) {
        for (int c = 0; c < 32; ++c) {
            const bool lit = r == 0 || c == r || c == 31 - r;
            EXPECT_EQ(PixelAt(picture, line.x + 3 * kCellPx + c, line.y + r),
                      lit ? kCharacterColour : kScreenColour)
                << "dot " << c << "," << r;
        }
    }
    // Without the patterns the cell is a mark, not the glyph.
    PagePainter unknown = f.Painter(true, false);
    const RgbImage marked = DrawPagePicture(unknown, LayOutPage(*f.model, 2));
    EXPECT_NE(PixelAt(marked, line.x + 3 * kCellPx + 10, line.y), kCharacterColour);
    EXPECT_GT(InkIn(marked, line.x + 3 * kCellPx, line.y, kCellPx, kCellPx), 0);
}

TEST(PagePicture, TheOffsetMovesTheLineTwoPixelsAStep) {
    Fixture f;
    f.Title(0, "\x88\xea\x8c\xfb"s);
    PagePainter painter = f.Painter();
    auto top_of_ink = [&](int offset) {
        f.model->position_offset[0] = offset;
        const RgbImage picture = DrawPagePicture(painter, LayOutPage(*f.model, 0));
        const PixelPoint s = ScreenOrigin(0);
        for (int y = s.y; y < s.y + kScreenHeight / 2; ++y) {
            if (InkIn(picture, s.x, y, kScreenWidth, 1) > 0) return y;
        }
        return -1;
    };
    const int home = top_of_ink(7);
    ASSERT_GT(home, 0);
    EXPECT_EQ(top_of_ink(10), home + 6);
    EXPECT_EQ(top_of_ink(0), home - 14);
    EXPECT_EQ(top_of_ink(15), home + 16);
}

TEST(PagePicture, PngReadsBackAsDrawnAndBothPicturesCarryTheLayoutNote) {
    Fixture f;
    PagePainter painter = f.Painter();
    const RgbImage picture = DrawPagePicture(painter, LayOutPage(*f.model, 0));
    RgbaImage back;
    ASSERT_EQ(DecodePicture(EncodePng(picture), back), PictureProblem::None);
    ASSERT_EQ(back.width, kPictureWidth);
    ASSERT_EQ(back.height, kPictureHeight);
    std::vector<std::uint8_t> rgb;
    for (std::size_t i = 0; i < back.rgba.size(); ++i)
        if (i % 4 != 3) rgb.push_back(back.rgba[i]);
    EXPECT_TRUE(rgb == picture.rgb);
    // "レイアウトの目安", eight full-width characters of 16 pixels, ends at the right margin.
    const RgbImage sheet = DrawContactSheet(painter, *f.model);
    for (const RgbImage* image : {&picture, &sheet}) {
        auto paper_ink = [image](int left, int width) {
            int count = 0;
            for (int y = 16; y < 32; ++y)
                for (int x = left; x < left + width; ++x)
                    count += PixelAt(*image, x, y) != kPaperColour;
            return count;
        };
        EXPECT_GT(paper_ink(image->width - kPictureMargin - 128, 128), 200);
        EXPECT_EQ(paper_ink(image->width - kPictureMargin, kPictureMargin), 0);
    }
}

TEST(ContactSheet, HoldsAllPagesInNumberedTilesEachItsOwnPage) {
    Fixture f;
    f.Title(9, "\x88\xea"s);  // page 10 shows it, page 6 too but with every position off
    for (int p = 0; p < kPositionCount; ++p) {
        f.model->page_title_number[p][5] = 9;
        f.model->page_display_on[p][5] = 0;
    }
    PagePainter painter = f.Painter();
    const RgbImage sheet = DrawContactSheet(painter, *f.model);
    ASSERT_EQ(sheet.width, kSheetWidth);
    ASSERT_EQ(sheet.height, kSheetHeight);
    EXPECT_EQ(kSheetColumns * kSheetRows, 144);
    std::set<std::vector<std::uint8_t>> labels;
    for (int page = 0; page < kPageCount; ++page) {
        const PixelPoint tile = TileOrigin(page);
        std::vector<std::uint8_t> label;
        for (int y = tile.y; y < tile.y + kTileLabelHeight; ++y) {
            const std::size_t row = (static_cast<std::size_t>(y) * sheet.width + tile.x) * 3;
            label.insert(label.end(), sheet.rgb.begin() + row,
                         sheet.rgb.begin() + row + 3 * kTileWidth);
        }
        labels.insert(label);
        const PixelPoint screen = TileScreenOrigin(page, 0);
        const int ink = InkIn(sheet, screen.x, screen.y, kTileWidth, kScreenHeight / kTileScale);
        if (page == 9) {
            EXPECT_GT(ink, 0);
        } else if (page == 5 || page == 8) {
            EXPECT_EQ(ink, 0) << page;
        }
    }
    EXPECT_EQ(labels.size(), 144u);  // every tile has a number, none the same
}

TEST(PagePicture, WithoutAFontCharactersAreMarkedAndNothingBreaks) {
    Fixture f;
    f.Title(0, "\x88\xea"s);
    PagePainter painter = f.Painter(false);
    const RgbImage picture = DrawPagePicture(painter, LayOutPage(*f.model, 0));
    const PixelPoint line = LineOrigin(0, kOffsetHome);
    EXPECT_EQ(PixelAt(picture, line.x + 3, line.y + 3), kMarkColour);
}

}  // namespace
}  // namespace tvx
