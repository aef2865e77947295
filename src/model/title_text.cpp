#include "model/title_text.h"

namespace tvx {

std::size_t TitleTextLength(const char* title, std::size_t max) {
    std::size_t i = 0;
    while (i < max && title[i] != '\0') {
        const auto lead = static_cast<unsigned char>(title[i]);
        const bool pair = IsExternalLeadByte(lead) || IsCp932LeadByte(lead);
        // A Shift_JIS lead byte before the zero byte is an odd byte at the end, not a pair.
        if (pair && i + 1 < max && (IsExternalLeadByte(lead) || title[i + 1] != '\0')) {
            i += 2;
        } else {
            i += 1;
        }
    }
    return i;
}

int TitleGlyphNumber(unsigned char lead, unsigned char second) {
    constexpr int kTitleToDeviceCode = 0x9345;
    constexpr int kFirstRow = 0xA3, kFirstCell = 0x21, kLastCell = 0x7E, kCellsPerRow = 94;
    constexpr int kCellsBeforeGlyph1 = 0x65 - kFirstCell;  // glyph 1 is cell 0x65 of row 0xA3
    if (!IsExternalLeadByte(lead)) return 0;
    const int code = lead * 256 + second + kTitleToDeviceCode;
    const int row = code >> 8, cell = code & 0xFF;
    if (row < kFirstRow || cell < kFirstCell || cell > kLastCell) return 0;
    const int index = (row - kFirstRow) * kCellsPerRow + (cell - kFirstCell) - kCellsBeforeGlyph1;
    return index >= 0 && index < kGlyphCount ? index + 1 : 0;
}

}  // namespace tvx
