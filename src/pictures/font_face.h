// A TrueType or OpenType font file (or one face of a .ttc collection) held in memory, and its
// characters drawn as ink. The font's bytes come from a file (tvx5870ctl, tests) or from GDI's
// GetFontData (the program); both reach the same drawing, so the same font gives the same dots.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "pictures/images.h"

namespace tvx {

// Fonts larger than this are refused before anything is read from them.
constexpr std::size_t kMaxFontFileBytes = 64u * 1024 * 1024;

enum class FontProblem {
    None,
    FileTooLarge,  // more than kMaxFontFileBytes
    NotAFont,      // not a TrueType/OpenType font or collection, or damaged
    NoSuchFace,    // the collection has fewer faces than the index asks
};

struct FontFaceData;  // the parser's own record, kept out of this header

struct FontFace {
    std::shared_ptr<const FontFaceData> data;  // null until OpenFontFace succeeds
};

// The number of faces in a font file: 1 for a plain font, the count for a collection, 0 when
// the bytes are not a font.
int FontFaceCount(std::string_view bytes);

// The face of a collection whose table directory is face_directory (a face's own first bytes:
// its version, table count and table records, as GDI hands them out for a face of a .ttc), or -1.
int FindCollectionFace(std::string_view collection, std::string_view face_directory);

// Checks the file's table directory against its size (a damaged or cut font is refused here,
// since the parser trusts the offsets it reads) and opens face face_index.
FontProblem OpenFontFace(std::string bytes, int face_index, FontFace& out);

// True when the face maps the character to a glyph of its own.
bool FontHasCharacter(const FontFace& face, char32_t character);

// Where a character goes in a square cell of cell_px pixels: the font's em square is scaled to
// em_px pixels and centred in the cell (the ideographic em box: the typographic ascent and
// descent from OS/2 when the font has them), then moved by dx, dy pixels (right, down).
struct CellPlacement {
    int cell_px = 32;
    double em_px = 32.0;
    double dx = 0.0;
    double dy = 0.0;
};

// Draws one character as ink into a cell_px x cell_px image; ink outside the cell is cut off.
// A character the face lacks, or an empty face, gives an empty (all 0) cell.
InkImage DrawCharacter(const FontFace& face, char32_t character, const CellPlacement& placement);

}  // namespace tvx
