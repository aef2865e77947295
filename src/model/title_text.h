// How far a title reaches in its slot. A title is a run of double-byte pairs: Shift_JIS
// characters and external characters (a lead byte 0x10..0x13 and any second byte). Glyph 64's
// pair is 0x11 0x00, so the first zero byte is not always the end: a zero byte ends the title
// only where a character would start.
#pragma once

#include <cstddef>

#include "model/settings_model.h"

namespace tvx {

// True for the lead byte of an external character's pair in a title.
constexpr bool IsExternalLeadByte(unsigned char b) {
    return b >= 0x10 && b <= 0x13;
}

// The glyph number 1..160 of an external character's pair in a title, 0 for a pair that names
// no glyph. The pair is the glyph's device code less 0x9345; the codes run through the cells
// 0x21..0x7E of rows 0xA3, 0xA4, ... from 0xA365 (glyph 1).
int TitleGlyphNumber(unsigned char lead, unsigned char second);

// Length of the title in bytes, at most max (a slot from a damaged file may lack its end).
std::size_t TitleTextLength(const char* title, std::size_t max = kTitleBytes - 1);

}  // namespace tvx
