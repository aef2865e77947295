// Code page 932 (Windows' Shift_JIS) and Unicode, both ways, the same on Linux and Windows: one
// table generated from Python's "cp932" codec (scripts/gen_cp932_table.py), which is the code
// page Windows converts with. Titles, settings files and the device's text are code page 932;
// files for people (CSV, logs, the companion's output) are UTF-8.
//
//   DecodeCp932 / EncodeCp932   one character
//   Cp932ToUtf8 / Utf8ToCp932   whole texts, with a mark for what does not convert
//   DecodeUtf8 / AppendUtf8     strict UTF-8, one character
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tvx {

// Stands for "no character" where a code point is expected.
inline constexpr char32_t kNoCodePoint = 0xFFFFFFFF;

struct DecodedChar {
    char32_t code_point = kNoCodePoint;  // kNoCodePoint: the bytes are no character
    std::size_t length = 0;              // bytes taken; 1 for bytes that are no character
};

// The character at the start of bytes (which must not be empty): one byte, or a lead byte and
// its trail byte. A lead byte without a trail byte, or a pair the code page leaves unassigned,
// gives kNoCodePoint with length 1.
DecodedChar DecodeCp932(std::string_view bytes);

// The code of a code point: 0x00..0xFF for a single byte, the double-byte code (lead << 8 |
// trail) otherwise, -1 when code page 932 cannot hold it. A character with two codes (the NEC
// and IBM duplicates) gets the lower one, as Windows' and Python's encoders give it.
int EncodeCp932(char32_t code_point);

// Code page 932 to UTF-8; each byte or pair that is no character becomes unknown. False when
// any did.
bool Cp932ToUtf8(std::string_view bytes, std::string& out,
                 std::string_view unknown = "\xEF\xBF\xBD");

// UTF-8 to code page 932; a character the code page cannot hold, and each byte of a sequence
// that is not UTF-8, becomes unknown. False when any did.
bool Utf8ToCp932(std::string_view utf8, std::string& out, char unknown = '?');

// The UTF-8 character at the start of bytes (not empty). Overlong forms, surrogates and code
// points above U+10FFFF are not UTF-8: kNoCodePoint with length 1.
DecodedChar DecodeUtf8(std::string_view bytes);
void AppendUtf8(char32_t code_point, std::string& out);

}  // namespace tvx
