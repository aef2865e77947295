// The glyph files and the bitmap export, as bytes. A glyph file (".tlm") holds the 160 patterns
// as 40,960 lines of one character each, glyph after glyph; the single-glyph text file (".txt")
// holds one pattern the same way. The bitmap file is a 24-bit Windows bitmap of a picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/settings_model.h"

namespace tvx {

// One line per character, each ended by CR LF.
std::string PatternLines(const char* chars, std::size_t count);
// The glyph file of the model: the first 256 bytes of every slot, glyph 0 first.
std::string GlyphFileText(const SettingsModel& model);

// The reading rule: a UTF-8 byte-order mark at the start (which editors put there) is skipped;
// then for each character to fill, take the next byte of the file whatever it is, then skip
// every white-space byte after it (blank, tab, CR, LF, vertical tab, form feed). When the file
// ends early the rest keep their values. Returns how many characters were filled.
std::size_t ReadPatternChars(std::string_view file, char* dest, std::size_t count);
// Fills the first 256 bytes of each of the 160 slots from a glyph file.
void ReadGlyphFile(std::string_view file, SettingsModel& model);

// Why a file is no file of `glyphs` patterns: it ends before they are whole (characters_read
// of glyphs x 256), or a pattern character is no hexadecimal digit (glyph 1..glyphs, character
// 1..256). The program and the companion refuse such a file with this one check: a glyph file
// (160 patterns), the single-glyph text file (one), the glyphs a session end kept.
struct GlyphFileProblem {
    int glyphs = kGlyphCount;
    std::size_t characters_read = 0;
    int glyph = 0;
    int character = 0;
};
constexpr std::size_t kGlyphFileChars = std::size_t{kGlyphCount} * kGlyphPatternChars;
// False when the file holds its glyphs whole.
bool FindPatternFileProblem(std::string_view file, int glyphs, GlyphFileProblem& problem);
// The same for a whole glyph file.
bool FindGlyphFileProblem(std::string_view file, GlyphFileProblem& problem);
// The refusal's text: the file and what is wrong with it.
std::string GlyphFileProblemText(std::string_view path, const GlyphFileProblem& problem);

// The row size of a 24-bit bitmap: 3 bytes a pixel, rounded up to a multiple of 4.
std::size_t BitmapRowSize(int width);
// A 24-bit bitmap file of a picture of 0x00RRGGBB pixels, rows top to bottom with stride
// pixels between rows: the 14-byte file header, the 40-byte information header and the rows
// bottom up, each padded with zero bytes. Empty for a width or height below 1.
std::string BitmapFile(const std::uint32_t* pixels, int width, int height, int stride);

}  // namespace tvx
