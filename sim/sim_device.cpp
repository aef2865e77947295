#include "sim_device.h"

#include <cstdio>
#include <cstring>

#include "sim_font.h"

namespace tvxsim {
namespace {

constexpr char kHexUpper[] = "0123456789ABCDEF";

// --- field readers: each checks the exact form and reports false otherwise ---

bool ReadDigits(std::string_view s, size_t at, size_t n, int& value) {
    if (at + n > s.size()) return false;
    int v = 0;
    for (size_t i = 0; i < n; ++i) {
        char c = s[at + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool ReadRange(std::string_view s, size_t at, size_t n, int lo, int hi, int& value) {
    int v = 0;
    if (!ReadDigits(s, at, n, v) || v < lo || v > hi) return false;
    value = v;
    return true;
}

// "01T", "01B", "02T" or "02B" to the position index 0..3.
bool ReadPosition(std::string_view s, size_t at, int& p) {
    if (at + 3 > s.size() || s[at] != '0') return false;
    int channel = s[at + 1] - '0';
    if (channel != 1 && channel != 2) return false;
    char letter = s[at + 2];
    if (letter != 'T' && letter != 'B') return false;
    p = 2 * (channel - 1) + (letter == 'B' ? 1 : 0);
    return true;
}

// A page field that must end the command: "001".."144" or "AS".
bool ReadPageToEnd(std::string_view s, size_t at, int& page) {
    if (s.size() == at + 2 && s.substr(at) == "AS") {
        page = kAutoPage;
        return true;
    }
    int v = 0;
    if (s.size() != at + 3 || !ReadRange(s, at, 3, 1, kPages, v)) return false;
    page = v - 1;
    return true;
}

int UpperHexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ReadHex16(std::string_view s, size_t at, uint16_t& code) {
    if (at + 4 > s.size()) return false;
    unsigned v = 0;
    for (size_t i = 0; i < 4; ++i) {
        int d = UpperHexValue(s[at + i]);
        if (d < 0) return false;
        v = (v << 4) | static_cast<unsigned>(d);
    }
    code = static_cast<uint16_t>(v);
    return true;
}

bool ReadOctets(std::string_view s, size_t at, Octets& out) {
    if (s.size() != at + 15) return false;
    Octets tmp{};
    for (int i = 0; i < 4; ++i) {
        int v = 0;
        if (!ReadRange(s, at + 4 * i, 3, 0, 255, v)) return false;
        if (i < 3 && s[at + 4 * i + 3] != '.') return false;
        tmp[i] = static_cast<uint8_t>(v);
    }
    out = tmp;
    return true;
}

bool IsJisCode(uint16_t code) {
    unsigned hi = code >> 8, lo = code & 0xFF;
    return hi >= 0x21 && hi <= 0x7E && lo >= 0x21 && lo <= 0x7E;
}

// The external character area: rows 0xA3.. from cell 0x65 of row 0xA3 on.
bool IsExternalCode(uint16_t code) {
    unsigned hi = code >> 8, lo = code & 0xFF;
    return code >= 0xA365 && hi <= 0xA6 && lo >= 0x21 && lo <= 0x7E;
}

// --- reply writers ---

void AppendDigits(std::string& out, int value, int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%0*d", n, value);
    out.append(buf, static_cast<size_t>(n));
}

void AppendPosition(std::string& out, int p) {
    out += '0';
    out += static_cast<char>('1' + p / 2);
    out += (p % 2) ? 'B' : 'T';
}

void AppendPage(std::string& out, int page) {
    if (page == kAutoPage)
        out += "AS";
    else
        AppendDigits(out, page + 1, 3);
}

void AppendHex16(std::string& out, uint16_t v) {
    for (int shift = 12; shift >= 0; shift -= 4) out += kHexUpper[(v >> shift) & 0xF];
}

void AppendOctets(std::string& out, const Octets& o) {
    for (int i = 0; i < 4; ++i) {
        if (i) out += '.';
        AppendDigits(out, o[i], 3);
    }
}

// --- commands ---

struct Args {
    SimDevice& dev;
    std::string_view s;  // the whole command text
    size_t at;           // first character after the command name
    std::string& reply;
};

using Handler = bool (*)(Args&);

bool Ok(Args& a) {
    a.reply = "GO";
    return true;
}

bool SetSwitchTimes(Args& a) {
    int p = 0;
    if (!ReadPosition(a.s, a.at, p) || a.s.size() != a.at + 3 + 2 * kPages) return false;
    std::array<uint8_t, kPages> t{};
    for (int k = 0; k < kPages; ++k) {
        int v = 0;
        if (!ReadDigits(a.s, a.at + 3 + 2 * k, 2, v)) return false;
        t[k] = static_cast<uint8_t>(v);
    }
    a.dev.page_switch_seconds[p] = t;
    return Ok(a);
}

bool SetDisplayFlags(Args& a) {
    int p = 0;
    if (!ReadPosition(a.s, a.at, p) || a.s.size() != a.at + 3 + kPages) return false;
    std::array<uint8_t, kPages> f{};
    for (int k = 0; k < kPages; ++k) {
        char c = a.s[a.at + 3 + k];
        if (c != 'N' && c != 'F') return false;
        f[k] = c == 'N';
    }
    a.dev.page_display_on[p] = f;
    return Ok(a);
}

bool SetOffset(Args& a) {
    int p = 0, v = 0;
    if (!ReadPosition(a.s, a.at, p) || a.s.size() != a.at + 5 ||
        !ReadRange(a.s, a.at + 3, 2, 0, 15, v))
        return false;
    a.dev.position_offset[p] = v;
    return Ok(a);
}

bool SetLevel(Args& a, int& level) {
    int v = 0;
    if (a.s.size() != a.at + 1 || !ReadRange(a.s, a.at, 1, 0, 3, v)) return false;
    level = v;
    return Ok(a);
}
bool SetWhite(Args& a) {
    return SetLevel(a, a.dev.white_level);
}
bool SetEdge(Args& a) {
    return SetLevel(a, a.dev.edge_level);
}

bool SetPage(Args& a, std::array<int, kPositions>& table) {
    int p = 0, page = 0;
    if (!ReadPosition(a.s, a.at, p) || !ReadPageToEnd(a.s, a.at + 3, page)) return false;
    table[p] = page;
    return Ok(a);
}
bool SetStartup(Args& a) {
    return SetPage(a, a.dev.startup_page);
}
bool SetDisplayPage(Args& a) {
    return SetPage(a, a.dev.display_page);
}

bool SetPageTitles(Args& a) {
    int p = 0;
    if (!ReadPosition(a.s, a.at, p) || a.s.size() != a.at + 3 + 3 * kPages) return false;
    std::array<uint8_t, kPages> t{};
    for (int k = 0; k < kPages; ++k) {
        int v = 0;
        if (!ReadRange(a.s, a.at + 3 + 3 * k, 3, 1, kTitles, v)) return false;
        t[k] = static_cast<uint8_t>(v - 1);
    }
    a.dev.page_title_number[p] = t;
    return Ok(a);
}

bool ReadTitle(Args& a, int& t, Title& title) {
    int v = 0;
    if (a.s.size() != a.at + 3 + 4 * kTitleCodes || !ReadRange(a.s, a.at, 3, 1, kTitles, v))
        return false;
    for (int i = 0; i < kTitleCodes; ++i) {
        uint16_t code = 0;
        if (!ReadHex16(a.s, a.at + 3 + 4 * i, code)) return false;
        if (!IsJisCode(code) && !IsExternalCode(code)) return false;
        title[i] = code;
    }
    t = v - 1;
    return true;
}

bool SetTitle(Args& a) {
    int t = 0;
    Title title{};
    if (!ReadTitle(a, t, title)) return false;
    a.dev.title_stored[t] = title;
    a.dev.title_shown[t] = title;
    return Ok(a);
}

bool SetTitleNotStored(Args& a) {
    int t = 0;
    Title title{};
    if (!ReadTitle(a, t, title)) return false;
    a.dev.title_shown[t] = title;
    return Ok(a);
}

// "G" nn "T" ttt "I" ii: puts external character nn at character ii of title ttt.
bool InsertGlyph(Args& a) {
    int g = 0, t = 0, i = 0;
    const std::string_view s = a.s;
    const size_t at = a.at;
    if (s.size() != at + 9 || !ReadRange(s, at, 2, 1, kGlyphs, g) || s[at + 2] != 'T' ||
        !ReadRange(s, at + 3, 3, 1, kTitles, t) || s[at + 6] != 'I' ||
        !ReadRange(s, at + 7, 2, 1, kTitleCodes, i))
        return false;
    uint16_t code = GlyphCode(g - 1);
    a.dev.title_stored[t - 1][i - 1] = code;
    a.dev.title_shown[t - 1][i - 1] = code;
    return Ok(a);
}

bool RegisterGlyph(Args& a) {
    int g = 0;
    if (a.s.size() != a.at + 2 + kPatternChars || !ReadRange(a.s, a.at, 2, 1, kGlyphs, g))
        return false;
    Pattern pattern{};
    for (int k = 0; k < kPatternChars; ++k) {
        char c = a.s[a.at + 2 + k];
        // The device keeps dots, not letters: lower-case digits mean the same dots.
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        if (UpperHexValue(c) < 0) return false;
        pattern[k] = c;
    }
    a.dev.glyph[g - 1] = pattern;
    return Ok(a);
}

bool SetIp(Args& a) {
    return ReadOctets(a.s, a.at, a.dev.net_ip) && Ok(a);
}
bool SetGateway(Args& a) {
    return ReadOctets(a.s, a.at, a.dev.net_gateway) && Ok(a);
}
bool SetActive(Args& a) {
    return ReadOctets(a.s, a.at, a.dev.net_active) && Ok(a);
}

bool SetSubnet(Args& a) {
    if (a.s.size() != a.at + 1) return false;
    char c = a.s[a.at];
    if (c < 'A' || c > 'C') return false;
    a.dev.net_subnet_class = c;
    return Ok(a);
}

bool SetPort(Args& a) {
    int v = 0;
    if (a.s.size() != a.at + 5 || !ReadRange(a.s, a.at, 5, 0, 65535, v)) return false;
    std::memcpy(a.dev.net_port.data(), a.s.data() + a.at, 5);
    a.dev.net_port[5] = '\0';
    return Ok(a);
}

bool SetKeepAlive(Args& a) {
    std::string_view v = a.s.substr(a.at);
    if (v != "ON" && v != "OF") return false;
    a.dev.net_keep_alive = v == "ON";
    return Ok(a);
}

bool SetTimeRegister(Args& a) {
    if (a.s.size() != a.at + 1 || a.s[a.at] < '1' || a.s[a.at] > '6') return false;
    a.dev.net_time_register = a.s[a.at];
    return Ok(a);
}

bool SetSlaveAddress(Args& a) {
    int v = 0;
    if (a.s.size() != a.at + 2 || !ReadRange(a.s, a.at, 2, 0, kMaxAddress, v)) return false;
    a.dev.address = v;
    return Ok(a);
}

// --- reads ---

bool ReadPositionOnly(Args& a, int& p) {
    return ReadPosition(a.s, a.at, p) && a.s.size() == a.at + 3;
}

bool NoArguments(const Args& a) {
    return a.s.size() == a.at;
}

bool ReadSwitchTimes(Args& a) {
    int p = 0;
    if (!ReadPositionOnly(a, p)) return false;
    a.reply = "AST";
    AppendPosition(a.reply, p);
    for (int k = 0; k < kPages; ++k) AppendDigits(a.reply, a.dev.page_switch_seconds[p][k], 2);
    return true;
}

bool ReadDisplayFlags(Args& a) {
    int p = 0;
    if (!ReadPositionOnly(a, p)) return false;
    a.reply = "CTD";
    AppendPosition(a.reply, p);
    for (int k = 0; k < kPages; ++k) a.reply += a.dev.page_display_on[p][k] ? 'N' : 'F';
    return true;
}

bool ReadOffset(Args& a) {
    int p = 0;
    if (!ReadPositionOnly(a, p)) return false;
    a.reply = "CTDPO";
    AppendPosition(a.reply, p);
    AppendDigits(a.reply, a.dev.position_offset[p], 2);
    return true;
}

bool ReadEdge(Args& a) {
    if (!NoArguments(a)) return false;
    a.reply = "CEL";
    AppendDigits(a.reply, a.dev.edge_level, 1);
    return true;
}

bool ReadWhite(Args& a) {
    if (!NoArguments(a)) return false;
    a.reply = "CWL";
    AppendDigits(a.reply, a.dev.white_level, 1);
    return true;
}

bool ReadPageOf(Args& a, const char* name, const std::array<int, kPositions>& table) {
    int p = 0;
    if (!ReadPositionOnly(a, p)) return false;
    a.reply = name;
    AppendPosition(a.reply, p);
    AppendPage(a.reply, table[p]);
    return true;
}
bool ReadStartup(Args& a) {
    return ReadPageOf(a, "SUS", a.dev.startup_page);
}
bool ReadDisplayPage(Args& a) {
    return ReadPageOf(a, "P", a.dev.display_page);
}

bool ReadPageTitles(Args& a) {
    int p = 0;
    if (!ReadPositionOnly(a, p)) return false;
    a.reply = "PP";
    AppendPosition(a.reply, p);
    for (int k = 0; k < kPages; ++k) AppendDigits(a.reply, a.dev.page_title_number[p][k] + 1, 3);
    return true;
}

bool ReadTitleBack(Args& a) {
    int t = 0;
    if (a.s.size() != a.at + 3 || !ReadRange(a.s, a.at, 3, 1, kTitles, t)) return false;
    a.reply = "CT";
    AppendDigits(a.reply, t, 3);
    for (uint16_t code : a.dev.title_shown[t - 1]) AppendHex16(a.reply, code);
    return true;
}

bool ReadGlyph(Args& a) {
    uint16_t code = 0;
    if (a.s.size() != a.at + 4 || !ReadHex16(a.s, a.at, code)) return false;
    int g = GlyphIndexFromCode(code);
    if (g < 0 && !IsJisCode(code)) return false;
    if (IsAutoSwitching(a.dev)) {
        a.reply = "GN";
        return true;
    }
    const Pattern pattern = g >= 0 ? a.dev.glyph[g] : CharacterPattern(code);
    a.reply = "FBM";
    AppendHex16(a.reply, code);
    a.reply.append(pattern.data(), pattern.size());
    return true;
}

bool ReadOctetsOf(Args& a, const char* name, const Octets& o) {
    if (!NoArguments(a)) return false;
    a.reply = name;
    AppendOctets(a.reply, o);
    return true;
}
bool ReadActive(Args& a) {
    return ReadOctetsOf(a, "AA", a.dev.net_active);
}
bool ReadGateway(Args& a) {
    return ReadOctetsOf(a, "GA", a.dev.net_gateway);
}
bool ReadIp(Args& a) {
    return ReadOctetsOf(a, "IA", a.dev.net_ip);
}

bool ReadMac(Args& a) {
    if (!NoArguments(a)) return false;
    a.reply = "MA";
    a.reply.append(a.dev.net_mac.data(), 17);
    return true;
}

bool ReadPort(Args& a) {
    if (!NoArguments(a)) return false;
    a.reply = "PN";
    a.reply.append(a.dev.net_port.data(), 5);
    return true;
}

bool ReadSubnet(Args& a) {
    if (!NoArguments(a)) return false;
    a.reply = "SM";
    a.reply += a.dev.net_subnet_class;
    return true;
}

bool ReadKeepAlive(Args& a) {
    if (!NoArguments(a)) return false;
    a.reply = a.dev.net_keep_alive ? "KAON" : "KAOF";
    return true;
}

bool ReadTimeRegister(Args& a) {
    if (!NoArguments(a)) return false;
    a.reply = "TR";
    a.reply += a.dev.net_time_register;
    return true;
}

bool ReadVersion(Args& a) {
    if (!NoArguments(a)) return false;
    a.reply = "VN";
    a.reply.append(a.dev.net_version.data(), 4);
    return true;
}

struct CommandEntry {
    const char* name;
    Handler handler;
};

// Longer names first, so that the longest name a command starts with decides
// ("CTDPO" before "CTD" before "CT", "RPP" and "RPN" before "RP", "GR" before "G").
constexpr CommandEntry kCommands[] = {
    {"RCTDPO", ReadOffset},    {"CTDPO", SetOffset},
    {"RAST", ReadSwitchTimes}, {"RCTD", ReadDisplayFlags},
    {"RCEL", ReadEdge},        {"RCWL", ReadWhite},
    {"RSUS", ReadStartup},     {"RFBM", ReadGlyph},
    {"AST", SetSwitchTimes},   {"CTD", SetDisplayFlags},
    {"CWL", SetWhite},         {"CEL", SetEdge},
    {"SUS", SetStartup},       {"RPP", ReadPageTitles},
    {"RCT", ReadTitleBack},    {"RAA", ReadActive},
    {"RGA", ReadGateway},      {"RIA", ReadIp},
    {"RMA", ReadMac},          {"RPN", ReadPort},
    {"RSM", ReadSubnet},       {"RKA", ReadKeepAlive},
    {"RTR", ReadTimeRegister}, {"RVN", ReadVersion},
    {"RP", ReadDisplayPage},   {"PP", SetPageTitles},
    {"CT", SetTitle},          {"CN", SetTitleNotStored},
    {"GR", RegisterGlyph},     {"IA", SetIp},
    {"GA", SetGateway},        {"AA", SetActive},
    {"SM", SetSubnet},         {"PN", SetPort},
    {"KA", SetKeepAlive},      {"TR", SetTimeRegister},
    {"SA", SetSlaveAddress},   {"P", SetDisplayPage},
    {"G", InsertGlyph},
};

}  // namespace

void ResetDevice(SimDevice& dev, int address, int serial) {
    dev = SimDevice{};
    dev.address = address;
    for (int p = 0; p < kPositions; ++p) {
        for (int k = 0; k < kPages; ++k) {
            dev.page_display_on[p][k] = 1;
            dev.page_switch_seconds[p][k] = 2;
            dev.page_title_number[p][k] = static_cast<uint8_t>(k);
        }
        dev.display_page[p] = 0;
        dev.startup_page[p] = 0;
        dev.position_offset[p] = 7;
    }
    dev.white_level = 1;
    dev.edge_level = 1;
    for (auto& t : dev.title_stored) t.fill(kFullWidthSpace);
    dev.title_shown = dev.title_stored;
    for (auto& g : dev.glyph) g.fill('0');
    dev.net_ip = {0, 0, 0, 0};
    dev.net_gateway = {0, 0, 0, 0};
    dev.net_active = {0, 0, 0, 0};
    dev.net_subnet_class = 'C';
    std::memcpy(dev.net_port.data(), "09004", 6);
    dev.net_keep_alive = false;
    dev.net_time_register = '6';
    std::snprintf(dev.net_mac.data(), dev.net_mac.size(), "02-00-00-00-%02X-%02X",
                  (serial >> 8) & 0xFF, serial & 0xFF);
    std::memcpy(dev.net_version.data(), "1.00", 5);
}

uint16_t GlyphCode(int glyph_index) {
    int n = glyph_index + 68;
    return static_cast<uint16_t>(((0xA3 + n / 94) << 8) | (0x21 + n % 94));
}

int GlyphIndexFromCode(uint16_t code) {
    int hi = code >> 8, lo = code & 0xFF;
    if (hi < 0xA3 || lo < 0x21 || lo > 0x7E) return -1;
    int g = (hi - 0xA3) * 94 + (lo - 0x21) - 68;
    return (g >= 0 && g < kGlyphs) ? g : -1;
}

bool IsAutoSwitching(const SimDevice& dev) {
    for (int page : dev.display_page)
        if (page == kAutoPage) return true;
    return false;
}

std::string ExecuteCommand(SimDevice& dev, std::string_view command) {
    std::string reply;
    for (const CommandEntry& entry : kCommands) {
        std::string_view name(entry.name);
        if (command.substr(0, name.size()) != name) continue;
        // Handlers check every field before they change anything, so a
        // malformed command leaves the device as it was.
        Args args{dev, command, name.size(), reply};
        if (!entry.handler(args)) reply = "E3";
        return reply;
    }
    return "E3";
}

}  // namespace tvxsim
