// The picture pieces under the glyph tools and the page pictures: PNG written and read back,
// what counts as ink, the refusals, and a font's character placed in its cell.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "pictures/font_face.h"
#include "pictures/images.h"

namespace tvx {
namespace {

constexpr const char* kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Pictures, PngOfColourAndOfInkReadBackPixelForPixel) {
    RgbImage colour(3, 2, 0);
    const std::uint8_t pixels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 255, 255, 255, 0, 0, 0};
    colour.rgb.assign(std::begin(pixels), std::end(pixels));
    RgbaImage back;
    ASSERT_EQ(DecodePicture(EncodePng(colour), back), PictureProblem::None);
    ASSERT_EQ(back.width, 3);
    ASSERT_EQ(back.height, 2);
    for (int i = 0; i < 6; ++i) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(back.rgba[i * 4 + c], pixels[i * 3 + c]) << i;
        EXPECT_EQ(back.rgba[i * 4 + 3], 255);
    }

    InkImage ink(2, 1);
    ink.ink = {255, 0};  // full ink is black, none is white
    ASSERT_EQ(DecodePicture(EncodePngOfInk(ink), back), PictureProblem::None);
    EXPECT_EQ(back.rgba[0], 0);
    EXPECT_EQ(back.rgba[4], 255);
}

TEST(Pictures, InkIsDarknessAndTransparencyIsBackground) {
    RgbaImage picture{4, 1, {0, 0, 0, 255,  255, 255, 255, 255,  0, 0, 0, 0,  128, 128, 128, 255}};
    const InkImage ink = InkOfPicture(picture);
    ASSERT_EQ(ink.ink.size(), 4u);
    EXPECT_EQ(ink.ink[0], 255);  // black
    EXPECT_EQ(ink.ink[1], 0);    // white
    EXPECT_EQ(ink.ink[2], 0);    // black but transparent
    EXPECT_EQ(ink.ink[3], 127);  // mid grey
}

TEST(Pictures, RefusesOversizedDamagedAndForeignFiles) {
    RgbaImage out;
    EXPECT_EQ(DecodePicture(EncodePng(RgbImage(kMaxPictureSide + 1, 1, 0)), out),
              PictureProblem::ImageTooLarge);
    EXPECT_EQ(DecodePicture(EncodePng(RgbImage(1, kMaxPictureSide + 1, 0)), out),
              PictureProblem::ImageTooLarge);
    EXPECT_EQ(DecodePicture(EncodePng(RgbImage(kMaxPictureSide, 1, 0)), out), PictureProblem::None);
    EXPECT_EQ(DecodePicture(std::string(kMaxPictureFileBytes + 1, '\0'), out),
              PictureProblem::FileTooLarge);
    const std::string png = EncodePng(RgbImage(16, 16, 40));
    EXPECT_EQ(DecodePicture(png.substr(0, png.size() / 2), out), PictureProblem::NotAPicture);
    EXPECT_EQ(DecodePicture("", out), PictureProblem::NotAPicture);
    EXPECT_EQ(DecodePicture("P5\n2 2\n255\n\0\0\0\0", out), PictureProblem::NotAPicture);  // PGM: not ours
    // A JPEG whose Huffman table names 512 codes (the decoder has room for 256), before and
    // after its frame header.
    const std::string frame("\xFF\xC0\0\x0B\x08\0\x08\0\x08\x01\x01\x11\0", 13);
    const std::string table = std::string("\xFF\xC4\x02\x13\x00", 5) + std::string(16, '\x20');
    EXPECT_EQ(DecodePicture("\xFF\xD8" + table + std::string(512, '\0'), out),
              PictureProblem::NotAPicture);
    EXPECT_EQ(DecodePicture("\xFF\xD8" + frame + table, out), PictureProblem::NotAPicture);
    // A scan that decodes with a table no segment defined.
    const std::string scan("\xFF\xDA\0\x08\x01\x01\x00\x00\x3F\x00", 10);
    EXPECT_EQ(DecodePicture("\xFF\xD8" + frame + scan + std::string(64, '\x55') + "\xFF\xD9", out),
              PictureProblem::NotAPicture);
    EXPECT_TRUE(out.rgba.empty());
}

// The bounding box of the ink at or above a level.
struct Box {
    int left = 99, top = 99, right = -1, bottom = -1;
};
Box InkBox(const InkImage& image, int level = 128) {
    Box b;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.At(x, y) < level) continue;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    }
    return b;
}

TEST(Pictures, FontCharacterSitsInItsCellAndMovesByItsOffset) {
    FontFace face;
    ASSERT_EQ(OpenFontFace(ReadFile(kGothic), 0, face), FontProblem::None) << kGothic;
    EXPECT_TRUE(FontHasCharacter(face, U'髙'));
    EXPECT_FALSE(FontHasCharacter(face, U'\U0001F600'));

    // "一" is one horizontal stroke across the middle of a full-width cell.
    const Box one = InkBox(DrawCharacter(face, U'一', {32, 32.0, 0.0, 0.0}));
    EXPECT_LE(one.bottom - one.top, 4);
    EXPECT_GT(one.right - one.left, 20);
    EXPECT_NEAR((one.top + one.bottom) / 2.0, 16.0, 3.0);
    EXPECT_NEAR((one.left + one.right) / 2.0, 16.0, 2.0);

    const Box moved = InkBox(DrawCharacter(face, U'一', {32, 32.0, 3.0, -5.0}));
    EXPECT_EQ(moved.left, one.left + 3);
    EXPECT_EQ(moved.right, one.right + 3);
    EXPECT_EQ(moved.top, one.top - 5);

    // A missing character, and a character pushed out of its cell, draw nothing.
    EXPECT_EQ(InkBox(DrawCharacter(face, U'\U0001F600', {32, 32.0, 0.0, 0.0})).right, -1);
    EXPECT_EQ(InkBox(DrawCharacter(face, U'一', {32, 32.0, 40.0, 0.0})).right, -1);
}

TEST(Pictures, DamagedFontsAndCollectionFacesAreRefusedBeforeParsing) {
    const std::string font = ReadFile(kGothic);
    ASSERT_GT(font.size(), 1000u);
    FontFace face;
    EXPECT_EQ(OpenFontFace(font.substr(0, font.size() - 100), 0, face), FontProblem::NotAFont);
    EXPECT_EQ(OpenFontFace("not a font at all", 0, face), FontProblem::NotAFont);
    EXPECT_EQ(OpenFontFace(font, 1, face), FontProblem::NoSuchFace);
    EXPECT_EQ(OpenFontFace(std::string(kMaxFontFileBytes + 1, '\0'), 0, face),
              FontProblem::FileTooLarge);
    EXPECT_FALSE(face.data);

    // The same font as the second face of a collection: a 20-byte header, every table offset
    // moved by it, and a first face that points at the second.
    std::string ttc = std::string("ttcf\0\1\0\0\0\0\0\2", 12);
    auto be32 = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    ttc += be32(20) + be32(20);
    std::string shifted = font;
    const int tables = (std::uint8_t(font[4]) << 8) | std::uint8_t(font[5]);
    for (int t = 0; t < tables; ++t) {
        const std::size_t at = 12 + t * 16 + 8;
        std::uint32_t offset = 0;
        for (int i = 0; i < 4; ++i) offset = (offset << 8) | std::uint8_t(font[at + i]);
        shifted.replace(at, 4, be32(offset + 20));
    }
    ttc += shifted;
    EXPECT_EQ(FontFaceCount(ttc), 2);
    // A face is found by its own table directory; both faces here share one.
    const std::size_t directory = 12 + 16 * static_cast<std::size_t>(tables);
    EXPECT_EQ(FindCollectionFace(ttc, ttc.substr(20, directory)), 0);
    EXPECT_EQ(FindCollectionFace(ttc, ttc.substr(20, directory - 1)), -1);
    EXPECT_EQ(FindCollectionFace(ttc, font.substr(0, directory)), -1);  // offsets not moved
    EXPECT_EQ(FindCollectionFace(font, font), -1);
    ASSERT_EQ(OpenFontFace(ttc, 1, face), FontProblem::None);
    const InkImage from_collection = DrawCharacter(face, U'口', {32, 32.0, 0.0, 0.0});
    ASSERT_EQ(OpenFontFace(font, 0, face), FontProblem::None);
    EXPECT_EQ(from_collection.ink, DrawCharacter(face, U'口', {32, 32.0, 0.0, 0.0}).ink);
    EXPECT_GT(InkBox(from_collection).right, 0);
}

}  // namespace
}  // namespace tvx
