// Field encodings of the device's command and reply lines, and the character codes of titles
// and external characters on the wire. Writers fill a fixed number of characters at out and
// write no terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/settings_model.h"

namespace tvx {

// Length of a text in a fixed-size field that may lack its terminator: at most max bytes.
std::size_t BoundedLength(const char* text, std::size_t max);

// Two decimal digits (value 0..99) and three decimal digits (value 0..999).
void FormatTwoDigits(int value, char* out);
void FormatThreeDigits(int value, char* out);
// Four upper-case hexadecimal digits, most significant first.
void EncodeHex16(std::uint32_t value, char* out);

// Reply field decoders. Unlike plain digit arithmetic they check their input: a character that
// is not a digit ("0".."9", or "A".."F" for hexadecimal) gives -1, so that a garbled reply can
// be refused instead of writing nonsense into the model.
int DecodeTwoDigits(const char* in);
int DecodeThreeDigits(const char* in);
int DecodeHexByte(const char* in);

// A glyph pattern character: a hexadecimal digit, lower case too (drawing reads the low four
// bits alike). Glyph files and FBM replies are checked with it before a pattern is taken.
constexpr bool IsPatternChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Display position selector of position 0..3: "01T", "01B", "02T", "02B" (three characters).
void FormatPosition(int position, char* out);
// The position named by a reply's channel digits and letter (three characters, "02B" -> 3);
// -1 when the channel is not 01 or 02 or its digits are not digits.
int DecodePosition(const char* in);

// Page field of page index 0..143 ("001".."144") or 144 = automatic switching ("AS"); writes 3
// or 2 characters and returns how many.
std::size_t FormatPage(int page, char* out);

// Code of glyph index 0..159 as the device knows it (0xA365 for index 0); 0 outside that range.
std::uint16_t glyph_code(int glyph_index);

// The pair that stands for glyph index g inside a title (its glyph_code less 0x9345, high byte
// first): 0x1020 for index 0, 0x1100 for index 62. 0 outside the glyphs.
std::uint16_t GlyphTitlePair(int glyph_index);
// The glyph index a title pair stands for, -1 when it stands for none.
int GlyphOfTitlePair(std::uint32_t pair);

// Wire code of one double-byte pair of a staged title (pair value high * 256 + low): an
// external character (lead byte 0x10..0x13, value up to 0x1339) becomes value + 0x9345, a pair
// led by any other control byte is refused, any other pair its JIS X 0208
// code after the IBM extension table; 0 when the pair cannot be sent.
std::uint16_t title_wire_code(std::uint32_t pair);

// Decodes the 84 hexadecimal digits of a CT reply into title text: external characters back to
// their title codes, JIS X 0208 to Shift_JIS, trailing full-width spaces dropped, NUL-terminated.
// False (title untouched) when a digit is not hexadecimal.
bool DecodeTitleCodes(const char* hex84, char (&title)[kTitleBytes]);

}  // namespace tvx
