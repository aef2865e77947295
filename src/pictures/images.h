// Plain pixel buffers shared by the picture pieces: a font character, a picture file and a page
// of titles are all drawn into these, and the Win32 layer shows them with StretchDIBits. Rows run
// top to bottom, with no padding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tvx {

// One byte a pixel: how much ink covers it, 0 (none) to 255 (full).
struct InkImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> ink;

    InkImage() = default;
    InkImage(int w, int h) : width(w), height(h), ink(static_cast<std::size_t>(w) * h, 0) {}
    std::uint8_t At(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height
                   ? 0
                   : ink[static_cast<std::size_t>(y) * width + x];
    }
};

// Four bytes a pixel: red, green, blue, alpha (straight, not premultiplied).
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Three bytes a pixel: red, green, blue.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    RgbImage() = default;
    RgbImage(int w, int h, std::uint8_t fill)
        : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, fill) {}
};

// The largest picture taken: a file of more bytes, or an image with a longer side, is refused
// before it is decoded, so that a stray photograph cannot take the program's memory.
constexpr std::size_t kMaxPictureFileBytes = 20u * 1024 * 1024;
constexpr int kMaxPictureSide = 4096;

enum class PictureProblem {
    None,
    FileTooLarge,   // more than kMaxPictureFileBytes
    ImageTooLarge,  // wider or higher than kMaxPictureSide
    NotAPicture,    // not BMP, PNG, JPEG or GIF, or damaged
};

// Decodes a BMP, PNG, JPEG or GIF (its first frame) held in memory. On a problem, out is left
// empty.
PictureProblem DecodePicture(std::string_view bytes, RgbaImage& out);

// A device-independent bitmap as the clipboard holds it (an information header, the colour
// table or masks, the pixels) made a bitmap file for DecodePicture: the 14-byte file header in
// front, pointing past the headers and the colours. False when the headers do not fit.
bool BitmapFileOfDib(std::string_view dib, std::string& file_out);

// The ink of a picture: dark parts are ink, light parts and transparency are background.
// Luminance by Rec. 601 weights; ink = (255 - luminance) scaled by alpha.
InkImage InkOfPicture(const RgbaImage& picture);
// The same with light_is_ink: the light parts are ink (a light logo on a dark ground);
// transparency stays background.
InkImage InkOfPicture(const RgbaImage& picture, bool light_is_ink);

// PNG files in memory: grey (ink shown dark on white) and colour.
std::string EncodePngOfInk(const InkImage& image);
std::string EncodePng(const RgbImage& image);

}  // namespace tvx
