// Conversions between code page 932 (Shift_JIS) double-byte codes and JIS X 0208 codes, by the
// usual arithmetic. A code is valid when it is one double-byte pair the arithmetic maps to a
// JIS code whose two bytes both lie in 0x21..0x7E; whether a character is assigned there does
// not matter (the NEC rows of code page 932 convert like any other row).
#pragma once

#include <cstdint>

namespace tvx {

// Shift_JIS pair (lead byte << 8 | trail byte) to JIS X 0208; 0 when the pair is not valid:
// lead byte outside 0x81..0x9F and 0xE0..0xEF, trail byte outside 0x40..0x7E and 0x80..0xFC.
std::uint16_t SjisToJis(std::uint32_t sjis);

// JIS X 0208 code to its Shift_JIS pair; 0 unless both bytes lie in 0x21..0x7E.
std::uint16_t JisToSjis(std::uint32_t jis);

// An IBM extension character of code page 932 (lead bytes 0xFA..0xFC) moved to its NEC-selected
// equivalent (lead bytes 0xED, 0xEE). Codes below 0xFA40, and 0xFA4A..0xFA54 and 0xFA58..0xFA5B,
// come back unchanged; every other code from 0xFA5C up that the table does not cover gives 0.
std::uint32_t ReplaceIbmExtension(std::uint32_t sjis);

// The form a title keeps a typed character in: an IBM extension character that has an
// NEC-selected equivalent becomes that equivalent (the form the device gives back when the title
// is read); every other code comes back unchanged.
std::uint32_t NecSelectedForm(std::uint32_t sjis);

}  // namespace tvx
