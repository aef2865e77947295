// How far a title reaches in its slot. A title is a run of double-byte pairs: Shift_JIS
// characters and external characters (a lead byte 0x10..0x13 and any second byte). Glyph 63's
// pair is 0x11 0x00, so the first zero byte is not always the end: a zero byte ends the title
// only where a character would start.
#pragma once

#include <cstddef>
#include <string_view>

#include "model/settings_model.h"

namespace tvx {

// True for the first byte of a double-byte code page 932 character.
constexpr bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

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

// U+0010..U+0013 typed or pasted into a title: as bytes they would lead an external character's
// pair ("\x11" and "1" would go out as glyph 112). The edit keeps them as "?", as it keeps any
// character code page 932 cannot hold, so that the title is refused when it is sent.
constexpr bool IsExternalLeadChar(char32_t ch) {
    return ch >= 0x10 && ch <= 0x13;
}

// The title edit shows each external character as one private-use character, U+F000 plus its
// pair's offset from 0x1000, so that its bytes (which are no code page 932 text) come back from
// the edit unchanged; glyph 1 (0x10 0x20) is U+F020. Code page 932 has no character there (its
// user-defined characters, which a title refuses, are U+E000..U+E757).
constexpr char32_t kExternalEditFirst = 0xF000;
constexpr char32_t kExternalEditLast = 0xF3FF;
constexpr char32_t ExternalEditChar(unsigned pair) {
    return kExternalEditFirst + (pair - 0x1000);
}
// The pair of an edit character, or 0 for any other character.
constexpr unsigned ExternalPairOfEditChar(char32_t ch) {
    return ch >= kExternalEditFirst && ch <= kExternalEditLast ? 0x1000 + (ch - kExternalEditFirst)
                                                               : 0;
}

// Calls piece(bool external, std::string_view bytes) for each part of a title in order: the
// code page 932 text between external characters as one piece, each external pair as another.
template <typename Piece>
void ForEachTitlePiece(std::string_view title, Piece piece) {
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < title.size()) {
        if (IsExternalLeadByte(static_cast<unsigned char>(title[i])) && i + 1 < title.size()) {
            if (i > start) piece(false, title.substr(start, i - start));
            piece(true, title.substr(i, 2));
            i += 2;
            start = i;
            continue;
        }
        const auto b = static_cast<unsigned char>(title[i]);
        i += IsCp932LeadByte(b) && i + 1 < title.size() ? 2 : 1;
    }
    if (start < title.size()) piece(false, title.substr(start));
}

}  // namespace tvx
