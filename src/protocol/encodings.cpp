#include "protocol/encodings.h"

#include "model/title_text.h"
#include "protocol/sjis.h"

namespace tvx {

namespace {

int DigitValue(char ch) {
    return ch >= '0' && ch <= '9' ? ch - '0' : -1;
}

int HexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 55;  // the device writes upper-case digits only
    return -1;
}

// Title codes of external characters lie in 0x0000..0x1339; on the wire they are shifted up
// by this amount into rows the JIS tables leave unused (0x9345..0xA67E).
constexpr std::uint32_t kExternalShift = 0x9345;
constexpr std::uint32_t kExternalTitleMax = 0x1339;
constexpr std::uint32_t kJisMax = 0x7C7E;  // codes above this in a CT reply are external

}  // namespace

std::size_t BoundedLength(const char* text, std::size_t max) {
    std::size_t length = 0;
    while (length < max && text[length] != '\0') ++length;
    return length;
}

void FormatTwoDigits(int value, char* out) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
}

void FormatThreeDigits(int value, char* out) {
    out[0] = static_cast<char>('0' + value / 100);
    out[1] = static_cast<char>('0' + value % 100 / 10);
    out[2] = static_cast<char>('0' + value % 10);
}

void EncodeHex16(std::uint32_t value, char* out) {
    for (int i = 0; i < 4; ++i) {
        unsigned nibble = (value >> (12 - 4 * i)) & 0xF;
        out[i] = static_cast<char>(nibble < 10 ? '0' + nibble : nibble + 55);
    }
}

int DecodeTwoDigits(const char* in) {
    int tens = DigitValue(in[0]);
    int units = DigitValue(in[1]);
    if (tens < 0 || units < 0) return -1;
    return tens * 10 + units;
}

int DecodeThreeDigits(const char* in) {
    int hundreds = DigitValue(in[0]);
    int rest = DecodeTwoDigits(in + 1);
    if (hundreds < 0 || rest < 0) return -1;
    return hundreds * 100 + rest;
}

int DecodeHexByte(const char* in) {
    int high = HexDigitValue(in[0]);
    int low = HexDigitValue(in[1]);
    if (high < 0 || low < 0) return -1;
    return high * 16 + low;
}

void FormatPosition(int position, char* out) {
    out[0] = '0';
    out[1] = position > 1 ? '2' : '1';
    out[2] = (position & 1) ? 'B' : 'T';
}

int DecodePosition(const char* in) {
    int channel = DecodeTwoDigits(in);
    if (channel != 1 && channel != 2) return -1;
    return 2 * (channel - 1) + (in[2] == 'B' ? 1 : 0);
}

std::size_t FormatPage(int page, char* out) {
    if (page == kAutoSwitchPage) {
        out[0] = 'A';
        out[1] = 'S';
        return 2;
    }
    FormatThreeDigits(page + 1, out);
    return 3;
}

std::uint16_t glyph_code(int glyph_index) {
    if (glyph_index < 0 || glyph_index >= kGlyphCount) return 0;
    int n = glyph_index + 68;
    return static_cast<std::uint16_t>((0xA3 + n / 94) << 8 | (0x21 + n % 94));
}

std::uint16_t GlyphTitlePair(int glyph_index) {
    const std::uint16_t code = glyph_code(glyph_index);
    return code == 0 ? 0 : static_cast<std::uint16_t>(code - kExternalShift);
}

int GlyphOfTitlePair(std::uint32_t pair) {
    for (int g = 0; g < kGlyphCount; ++g) {
        if (GlyphTitlePair(g) == pair) return g;
    }
    return -1;
}

std::uint16_t title_wire_code(std::uint32_t pair) {
    // Only a pair led by 0x10..0x13 is an external character; a control character (a pasted
    // tab) is no character of the device and is refused like half-width text.
    if (pair <= kExternalTitleMax) {
        if (!IsExternalLeadByte(static_cast<unsigned char>(pair >> 8))) return 0;
        return static_cast<std::uint16_t>(pair + kExternalShift);
    }
    std::uint32_t sjis = ReplaceIbmExtension(pair);
    if (sjis == 0) return 0;
    return SjisToJis(sjis);
}

bool DecodeTitleCodes(const char* hex84, char (&title)[kTitleBytes]) {
    constexpr int kCodes = kTitleMaxText / 2;
    std::uint32_t codes[kCodes];
    for (int i = 0; i < kCodes; ++i) {
        int high = DecodeHexByte(hex84 + 4 * i);
        int low = DecodeHexByte(hex84 + 4 * i + 2);
        if (high < 0 || low < 0) return false;
        codes[i] = static_cast<std::uint32_t>(high << 8 | low);
    }
    int kept = kCodes;
    while (kept > 0 && codes[kept - 1] == 0x2121) --kept;  // trailing full-width spaces

    char text[kTitleBytes] = {};
    for (int i = 0; i < kept; ++i) {
        std::uint32_t code = codes[i];
        std::uint32_t bytes = 0;
        if (code > kJisMax) {
            // Only the shifted external range maps back; anything else is not a character.
            if (code >= kExternalShift && code - kExternalShift <= kExternalTitleMax)
                bytes = code - kExternalShift;
        } else {
            bytes = JisToSjis(code);
        }
        text[2 * i] = static_cast<char>(bytes >> 8);
        text[2 * i + 1] = static_cast<char>(bytes & 0xFF);
    }
    for (int i = 0; i < kTitleBytes; ++i) title[i] = text[i];
    return true;
}

}  // namespace tvx
