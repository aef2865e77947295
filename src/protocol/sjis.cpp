#include "protocol/sjis.h"

namespace tvx {

namespace {

bool IsJisByte(std::uint32_t b) {
    return b >= 0x21 && b <= 0x7E;
}

}  // namespace

std::uint16_t SjisToJis(std::uint32_t sjis) {
    if (sjis > 0xFFFF) return 0;
    std::uint32_t hi = sjis >> 8;
    std::uint32_t lo = sjis & 0xFF;
    bool lead_ok = (hi >= 0x81 && hi <= 0x9F) || (hi >= 0xE0 && hi <= 0xEF);
    bool trail_ok = (lo >= 0x40 && lo <= 0x7E) || (lo >= 0x80 && lo <= 0xFC);
    if (!lead_ok || !trail_ok) return 0;

    // Each lead byte covers two JIS rows: trail bytes up to 0x9E the odd row, the rest the even.
    hi = (hi <= 0x9F ? hi - 0x71 : hi - 0xB1) * 2 + 1;
    if (lo > 0x7F) lo -= 1;
    if (lo >= 0x9E) {
        lo -= 0x7D;
        hi += 1;
    } else {
        lo -= 0x1F;
    }
    if (!IsJisByte(hi) || !IsJisByte(lo)) return 0;
    return static_cast<std::uint16_t>(hi << 8 | lo);
}

std::uint16_t JisToSjis(std::uint32_t jis) {
    if (jis > 0xFFFF) return 0;
    std::uint32_t hi = jis >> 8;
    std::uint32_t lo = jis & 0xFF;
    if (!IsJisByte(hi) || !IsJisByte(lo)) return 0;

    if (hi & 1) {
        lo += 0x1F;
        if (lo >= 0x7F) lo += 1;  // 0x7F is never a trail byte
    } else {
        lo += 0x7E;
    }
    hi = (hi + 1) / 2 + 0x70;
    if (hi >= 0xA0) hi += 0x40;  // lead bytes skip the half-width katakana block
    return static_cast<std::uint16_t>(hi << 8 | lo);
}

std::uint32_t ReplaceIbmExtension(std::uint32_t c) {
    if (c >= 0xFA40 && c <= 0xFA49) return c - 0x0B51;
    if (c >= 0xFA55 && c <= 0xFA57) return c - 0x0B5B;
    if (c < 0xFA5C) return c;
    if ((c >= 0xFA5C && c <= 0xFA7E) || (c >= 0xFA9C && c <= 0xFAFC) ||
        (c >= 0xFB5C && c <= 0xFB7E) || (c >= 0xFB9C && c <= 0xFBFC))
        return c - 0x0D1C;
    if ((c >= 0xFA80 && c <= 0xFA9B) || (c >= 0xFB80 && c <= 0xFB9B)) return c - 0x0D1D;
    if ((c >= 0xFB40 && c <= 0xFB5B) || (c >= 0xFC40 && c <= 0xFC4B)) return c - 0x0D5F;
    return 0;
}

std::uint32_t NecSelectedForm(std::uint32_t sjis) {
    const std::uint32_t nec = sjis >= 0xFA40 ? ReplaceIbmExtension(sjis) : sjis;
    return nec != 0 ? nec : sjis;
}

}  // namespace tvx
