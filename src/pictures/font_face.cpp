#include "pictures/font_face.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <stb_truetype.h>

namespace tvx {

struct FontFaceData {
    std::string bytes;  // the parser points into these
    stbtt_fontinfo info{};
    double baseline_fraction = 0.88;  // where the baseline lies in the em box, from its top
};

namespace {

std::uint32_t Be32(std::string_view b, std::size_t at) {
    return (std::uint32_t(std::uint8_t(b[at])) << 24) | (std::uint32_t(std::uint8_t(b[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(b[at + 2])) << 8) | std::uint32_t(std::uint8_t(b[at + 3]));
}
std::uint16_t Be16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>((std::uint8_t(b[at]) << 8) | std::uint8_t(b[at + 1]));
}

bool IsSfntVersion(std::uint32_t v) {
    return v == 0x00010000u || v == 0x74727565u /* true */ || v == 0x4F54544Fu /* OTTO */;
}

// The table directory of the face at offset: a known version and every table inside the file.
bool FaceDirectoryFits(std::string_view b, std::size_t offset) {
    if (offset > b.size() || b.size() - offset < 12) return false;
    if (!IsSfntVersion(Be32(b, offset))) return false;
    const std::size_t tables = Be16(b, offset + 4);
    if (tables == 0 || (b.size() - offset - 12) / 16 < tables) return false;
    for (std::size_t t = 0; t < tables; ++t) {
        const std::size_t entry = offset + 12 + t * 16;
        const std::uint64_t at = Be32(b, entry + 8);
        const std::uint64_t length = Be32(b, entry + 12);
        if (at + length > b.size()) return false;
    }
    return true;
}

bool IsCollection(std::string_view b) { return b.size() >= 12 && Be32(b, 0) == 0x74746366u; }

}  // namespace

int FontFaceCount(std::string_view bytes) {
    if (IsCollection(bytes)) {
        const std::uint64_t count = Be32(bytes, 8);
        if (count == 0 || (bytes.size() - 12) / 4 < count) return 0;
        return static_cast<int>(std::min<std::uint64_t>(count, 1u << 16));
    }
    return FaceDirectoryFits(bytes, 0) ? 1 : 0;
}

int FindCollectionFace(std::string_view collection, std::string_view face_directory) {
    if (!IsCollection(collection)) return -1;
    const int count = FontFaceCount(collection);
    for (int i = 0; i < count; ++i) {
        const std::size_t offset = Be32(collection, 12 + 4 * static_cast<std::size_t>(i));
        if (!FaceDirectoryFits(collection, offset)) continue;
        const std::size_t length = 12 + 16 * std::size_t{Be16(collection, offset + 4)};
        if (face_directory.size() >= length &&
            collection.substr(offset, length) == face_directory.substr(0, length)) {
            return i;
        }
    }
    return -1;
}

FontProblem OpenFontFace(std::string bytes, int face_index, FontFace& out) {
    out = FontFace{};
    if (bytes.size() > kMaxFontFileBytes) return FontProblem::FileTooLarge;
    const int count = FontFaceCount(bytes);
    if (count == 0) return FontProblem::NotAFont;
    if (face_index < 0 || face_index >= count) return FontProblem::NoSuchFace;
    const std::size_t offset = IsCollection(bytes) ? Be32(bytes, 12 + 4 * face_index) : 0;
    if (!FaceDirectoryFits(bytes, offset)) return FontProblem::NotAFont;

    auto data = std::make_shared<FontFaceData>();
    data->bytes = std::move(bytes);
    const auto* raw = reinterpret_cast<const unsigned char*>(data->bytes.data());
    if (!stbtt_InitFont(&data->info, raw, static_cast<int>(offset))) return FontProblem::NotAFont;
    int ascent = 0;
    int descent = 0;
    int gap = 0;
    if (!stbtt_GetFontVMetricsOS2(&data->info, &ascent, &descent, &gap) || ascent - descent <= 0) {
        stbtt_GetFontVMetrics(&data->info, &ascent, &descent, &gap);
    }
    if (ascent - descent > 0) {
        data->baseline_fraction = static_cast<double>(ascent) / (ascent - descent);
    }
    out.data = std::move(data);
    return FontProblem::None;
}

bool FontHasCharacter(const FontFace& face, char32_t character) {
    return face.data && stbtt_FindGlyphIndex(&face.data->info, static_cast<int>(character)) != 0;
}

InkImage DrawCharacter(const FontFace& face, char32_t character, const CellPlacement& p) {
    const int cell = std::max(p.cell_px, 0);
    InkImage out(cell, cell);
    if (!face.data || cell == 0 || !(p.em_px > 0.0)) return out;
    const stbtt_fontinfo* info = &face.data->info;
    const int glyph = stbtt_FindGlyphIndex(info, static_cast<int>(character));
    if (glyph == 0) return out;

    // A glyph far larger than its cell is drawn only as far as the cell shows it.
    const double em = std::min(p.em_px, 8.0 * cell + 8.0);
    const float scale = stbtt_ScaleForMappingEmToPixels(info, static_cast<float>(em));
    int advance = 0;
    stbtt_GetGlyphHMetrics(info, glyph, &advance, nullptr);
    const double origin_x = (cell - advance * static_cast<double>(scale)) / 2.0 + p.dx;
    const double origin_y = (cell - em) / 2.0 + face.data->baseline_fraction * em + p.dy;
    const double whole_x = std::floor(origin_x);
    const double whole_y = std::floor(origin_y);
    const auto shift_x = static_cast<float>(origin_x - whole_x);
    const auto shift_y = static_cast<float>(origin_y - whole_y);

    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBoxSubpixel(info, glyph, scale, scale, shift_x, shift_y, &x0, &y0, &x1, &y1);
    const int w = x1 - x0;
    const int h = y1 - y0;
    if (w <= 0 || h <= 0) return out;
    std::vector<unsigned char> bitmap(static_cast<std::size_t>(w) * h, 0);
    stbtt_MakeGlyphBitmapSubpixel(info, bitmap.data(), w, h, w, scale, scale, shift_x, shift_y,
                                  glyph);
    const int left = static_cast<int>(whole_x) + x0;
    const int top = static_cast<int>(whole_y) + y0;
    for (int y = 0; y < h; ++y) {
        const int ty = top + y;
        if (ty < 0 || ty >= cell) continue;
        for (int x = 0; x < w; ++x) {
            const int tx = left + x;
            if (tx < 0 || tx >= cell) continue;
            out.ink[static_cast<std::size_t>(ty) * cell + tx] = bitmap[static_cast<std::size_t>(y) * w + x];
        }
    }
    return out;
}

}  // namespace tvx
