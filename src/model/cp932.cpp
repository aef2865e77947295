#include "model/cp932.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "model/cp932_table.h"
#include "model/title_text.h"

namespace tvx {

namespace {

constexpr int kTrailCount = 188;
constexpr unsigned kUserDefinedFirstLead = 0xF0;
constexpr unsigned kUserDefinedLastLead = 0xF9;
constexpr char32_t kUserDefinedFirst = 0xE000;

// Position of a trail byte in a row, -1 for a byte that is no trail byte.
int TrailIndex(unsigned char b) {
    if (b >= 0x40 && b <= 0x7E) return b - 0x40;
    if (b >= 0x80 && b <= 0xFC) return b - 0x41;
    return -1;
}

unsigned char TrailByte(int index) {
    return static_cast<unsigned char>(index < 0x3F ? 0x40 + index : 0x41 + index);
}

// Single bytes that are not ASCII: 0x80, 0xA0, half-width katakana 0xA1..0xDF, 0xFD..0xFF.
char32_t SingleByte(unsigned char b) {
    if (b < 0x80) return b;
    if (b == 0x80) return 0x80;
    if (b == 0xA0) return 0xF8F0;
    if (b >= 0xA1 && b <= 0xDF) return 0xFF61 + (b - 0xA1);
    if (b >= 0xFD) return 0xF8F1 + (b - 0xFD);
    return kNoCodePoint;
}

char32_t DoubleByte(unsigned char lead, unsigned char trail) {
    const int index = TrailIndex(trail);
    if (index < 0) return kNoCodePoint;
    if (lead >= kUserDefinedFirstLead && lead <= kUserDefinedLastLead)
        return kUserDefinedFirst + (lead - kUserDefinedFirstLead) * kTrailCount + index;
    const unsigned char* end = cp932_table::kLeads + cp932_table::kRowCount;
    const unsigned char* row = std::lower_bound(cp932_table::kLeads, end, lead);
    if (row == end || *row != lead) return kNoCodePoint;
    const char16_t ch = cp932_table::kRows[row - cp932_table::kLeads][index];
    return ch == 0 ? kNoCodePoint : ch;
}

struct Entry {
    char32_t code_point;
    std::uint16_t code;
};

// Every code point with a code, sorted; each keeps the lowest code that decodes to it.
const std::vector<Entry>& EncodeTable() {
    static const std::vector<Entry> table = [] {
        std::vector<Entry> t;
        for (unsigned b = 0; b < 0x100; ++b) {
            const char32_t cp = SingleByte(static_cast<unsigned char>(b));
            if (cp != kNoCodePoint) t.push_back({cp, static_cast<std::uint16_t>(b)});
        }
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsCp932LeadByte(static_cast<unsigned char>(lead))) continue;
            for (int i = 0; i < kTrailCount; ++i) {
                const unsigned char trail = TrailByte(i);
                const char32_t cp = DoubleByte(static_cast<unsigned char>(lead), trail);
                if (cp != kNoCodePoint) t.push_back({cp, static_cast<std::uint16_t>(lead << 8 | trail)});
            }
        }
        for (const cp932_table::EncodeOnly& e : cp932_table::kEncodeOnly)
            t.push_back({e.code_point, e.code});
        // Stable: of equal code points the first pushed, the lowest code, comes first.
        std::stable_sort(t.begin(), t.end(),
                         [](const Entry& a, const Entry& b) { return a.code_point < b.code_point; });
        t.erase(std::unique(t.begin(), t.end(),
                            [](const Entry& a, const Entry& b) {
                                return a.code_point == b.code_point;
                            }),
                t.end());
        return t;
    }();
    return table;
}

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

}  // namespace

DecodedChar DecodeCp932(std::string_view bytes) {
    const auto b = static_cast<unsigned char>(bytes[0]);
    if (!IsCp932LeadByte(b)) return {SingleByte(b), 1};
    if (bytes.size() < 2) return {kNoCodePoint, 1};
    const char32_t cp = DoubleByte(b, static_cast<unsigned char>(bytes[1]));
    return cp == kNoCodePoint ? DecodedChar{kNoCodePoint, 1} : DecodedChar{cp, 2};
}

int EncodeCp932(char32_t code_point) {
    const std::vector<Entry>& t = EncodeTable();
    auto it = std::lower_bound(t.begin(), t.end(), code_point,
                               [](const Entry& e, char32_t cp) { return e.code_point < cp; });
    if (it == t.end() || it->code_point != code_point) return -1;
    return it->code;
}

bool Cp932ToUtf8(std::string_view bytes, std::string& out, std::string_view unknown) {
    bool all = true;
    out.clear();
    out.reserve(bytes.size() * 3 / 2);
    for (std::size_t i = 0; i < bytes.size();) {
        const DecodedChar ch = DecodeCp932(bytes.substr(i));
        if (ch.code_point == kNoCodePoint) {
            out += unknown;
            all = false;
        } else {
            AppendUtf8(ch.code_point, out);
        }
        i += ch.length;
    }
    return all;
}

bool Utf8ToCp932(std::string_view utf8, std::string& out, char unknown) {
    bool all = true;
    out.clear();
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const DecodedChar ch = DecodeUtf8(utf8.substr(i));
        const int code = ch.code_point == kNoCodePoint ? -1 : EncodeCp932(ch.code_point);
        if (code < 0) {
            out += unknown;
            all = false;
        } else if (code > 0xFF) {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        } else {
            out += static_cast<char>(code);
        }
        i += ch.length;
    }
    return all;
}

DecodedChar DecodeUtf8(std::string_view bytes) {
    const auto b = static_cast<unsigned char>(bytes[0]);
    if (b < 0x80) return {b, 1};
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2, cp = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, cp = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return {kNoCodePoint, 1};
    }
    if (bytes.size() < length) return {kNoCodePoint, 1};
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (!IsContinuation(c)) return {kNoCodePoint, 1};
        cp = cp << 6 | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {kNoCodePoint, 1};
    return {cp, length};
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;  // no character
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace tvx
