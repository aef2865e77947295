// A stand-in for the device's character generator: glyph reads of ordinary
// characters answer with a deterministic 32 x 32 picture of the code itself.
#pragma once

#include <cstdint>

#include "sim_device.h"

namespace tvxsim {

// A frame round the edge and the four hexadecimal digits of `jis_code`, two on
// the upper half and two on the lower, in the pattern text format (256
// upper-case hexadecimal characters, 8 per dot row, leftmost dot = bit 8).
Pattern CharacterPattern(uint16_t jis_code);

// True when dot (column, row) is lit in the pattern text.
bool PatternDot(const Pattern& pattern, int column, int row);

}  // namespace tvxsim
