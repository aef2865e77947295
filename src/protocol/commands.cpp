#include "protocol/commands.h"

#include <cstring>

#include "model/settings_ranges.h"
#include "model/title_text.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

constexpr char kLineEnd[] = "\r\n";

bool ValidPosition(int p) {
    return p >= 0 && p < kPositionCount;
}
bool ValidTitle(int t) {
    return t >= 0 && t < kTitleCount;
}
bool ValidGlyph(int g) {
    return g >= 0 && g < kGlyphCount;
}

void AppendTwo(std::string& s, int value) {
    char digits[2];
    FormatTwoDigits(value, digits);
    s.append(digits, 2);
}

void AppendThree(std::string& s, int value) {
    char digits[3];
    FormatThreeDigits(value, digits);
    s.append(digits, 3);
}

void AppendPosition(std::string& s, int position) {
    char pos[3];
    FormatPosition(position, pos);
    s.append(pos, 3);
}

void AppendPage(std::string& s, int page) {
    char field[3];
    s.append(field, FormatPage(page, field));
}

void AppendHex16(std::string& s, std::uint32_t value) {
    char digits[4];
    EncodeHex16(value, digits);
    s.append(digits, 4);
}

// "IA" + four three-digit octets joined by ".".
std::string AddressCommand(const char* name, const unsigned char (&octets)[4]) {
    std::string s = name;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) s += '.';
        AppendThree(s, octets[i]);
    }
    return s + kLineEnd;
}

// Read commands that name a position: "RAST01T" and the like.
std::string ReadWithPosition(const char* name, int position) {
    if (!ValidPosition(position)) return {};
    std::string s = name;
    AppendPosition(s, position);
    return s + kLineEnd;
}

}  // namespace

bool BuildSwitchTimesCommand(const SettingsModel& model, int position, Prompts& prompts,
                             std::string& out) {
    if (!ValidPosition(position)) return false;
    const int* seconds = model.page_switch_seconds[position];
    bool all_zero = true;
    for (int k = 0; k < kPageCount; ++k) all_zero = all_zero && seconds[k] == 0;
    if (all_zero) {
        prompts.ShowErrorBox("全て０秒は､設定出来ません", BoxIcon::Exclamation);
        return false;
    }
    std::string s = "AST";
    AppendPosition(s, position);
    for (int k = 0; k < kPageCount; ++k) AppendTwo(s, seconds[k]);
    out = s + kLineEnd;
    return true;
}

std::string BuildDisplayFlagsCommand(const SettingsModel& model, int position) {
    if (!ValidPosition(position)) return {};
    std::string s = "CTD";
    AppendPosition(s, position);
    for (int k = 0; k < kPageCount; ++k) s += model.page_display_on[position][k] ? 'N' : 'F';
    return s + kLineEnd;
}

std::string BuildPositionOffsetCommand(const SettingsModel& model, int position) {
    if (!ValidPosition(position)) return {};
    std::string s = "CTDPO";
    AppendPosition(s, position);
    AppendTwo(s, model.position_offset[position]);
    return s + kLineEnd;
}

std::string BuildWhiteLevelCommand(const SettingsModel& model) {
    return std::string("CWL") + static_cast<char>('0' + model.white_level) + kLineEnd;
}

std::string BuildEdgeLevelCommand(const SettingsModel& model) {
    return std::string("CEL") + static_cast<char>('0' + model.edge_level) + kLineEnd;
}

std::string BuildStartupPageCommand(const SettingsModel& model, int position) {
    if (!ValidPosition(position)) return {};
    std::string s = "SUS";
    AppendPosition(s, position);
    AppendPage(s, model.startup_page[position]);
    return s + kLineEnd;
}

std::string BuildDisplayPageCommand(const SettingsModel& model, int position) {
    if (!ValidPosition(position)) return {};
    std::string s = "P";
    AppendPosition(s, position);
    AppendPage(s, model.display_page[position]);
    return s + kLineEnd;
}

std::string BuildPageAssignmentCommand(const SettingsModel& model, int position) {
    if (!ValidPosition(position)) return {};
    std::string s = "PP";
    AppendPosition(s, position);
    for (int k = 0; k < kPageCount; ++k) AppendThree(s, model.page_title_number[position][k] + 1);
    return s + kLineEnd;
}

bool CommandValuesSendable(const SettingsModel& model, Prompts& prompts, std::string_view field,
                           int position) {
    SettingRangeProblem problem;
    if (!FindCommandValueOutOfRange(model, field, position, problem)) return true;
    prompts.ShowErrorBox(OutOfRangeSendText(problem), BoxIcon::Exclamation);
    return false;
}

bool StageTitleText(const SettingsModel& model, int title_index, char (&staging)[kTitleBytes]) {
    std::memset(staging, 0, sizeof staging);
    if (!ValidTitle(title_index)) return false;
    // A slot from a settings file may lack its terminator; never read past it. Glyph 63's
    // pair holds a zero byte, so the title is walked by pairs.
    const char* text = model.title_text[title_index];
    std::size_t length = TitleTextLength(text, kTitleBytes);
    std::memcpy(staging, text, length < kTitleBytes ? length : kTitleBytes - 1);
    if (length > kTitleMaxText || length % 2 != 0) return false;
    for (std::size_t i = length; i < kTitleMaxText; i += 2) {
        staging[i] = static_cast<char>(0x81);  // full-width space
        staging[i + 1] = 0x40;
    }
    return true;
}

bool BuildTitleCommand(const char (&staging)[kTitleBytes], int memory, int title_index,
                       std::string& out) {
    if (!ValidTitle(title_index)) return false;
    std::string s = memory ? "CT" : "CN";
    AppendThree(s, title_index + 1);
    for (int i = 0; i < kTitleMaxText; i += 2) {
        std::uint32_t pair = static_cast<unsigned char>(staging[i]) << 8 |
                             static_cast<unsigned char>(staging[i + 1]);
        std::uint16_t code = title_wire_code(pair);
        if (code == 0) return false;
        AppendHex16(s, code);
    }
    out = s + kLineEnd;
    return true;
}

bool BuildTitleCommandFromModel(const SettingsModel& model, int memory, int title_index,
                                std::string& out) {
    char staging[kTitleBytes];
    return StageTitleText(model, title_index, staging) &&
           BuildTitleCommand(staging, memory, title_index, out);
}

std::string BuildGlyphInsertCommand(int glyph_index, int title_index, int insert_position) {
    std::string s = "G";
    AppendTwo(s, glyph_index + 1);
    s += 'T';
    AppendThree(s, title_index + 1);
    s += 'I';
    AppendTwo(s, insert_position);
    return s + kLineEnd;
}

std::string BuildGlyphRegisterCommand(const SettingsModel& model, int glyph_index) {
    if (!ValidGlyph(glyph_index)) return {};
    return BuildGlyphRegisterCommand(glyph_index, model.glyph_pattern[glyph_index]);
}

std::string BuildGlyphRegisterCommand(int glyph_index, const char* pattern256) {
    if (!ValidGlyph(glyph_index)) return {};
    std::string s = "GR";
    AppendTwo(s, glyph_index + 1);
    s.append(pattern256, kGlyphPatternChars);
    return s + kLineEnd;
}

std::string BuildIpAddressCommand(const SettingsModel& model) {
    return AddressCommand("IA", model.net_ip_address);
}

std::string BuildGatewayAddressCommand(const SettingsModel& model) {
    return AddressCommand("GA", model.net_gateway_address);
}

std::string BuildActiveAddressCommand(const SettingsModel& model) {
    return AddressCommand("AA", model.net_active_address);
}

std::string BuildSubnetClassCommand(const SettingsModel& model) {
    return std::string("SM") + static_cast<char>('A' + model.net_subnet_class) + kLineEnd;
}

std::string BuildPortNumberCommand(const SettingsModel& model) {
    // The device reads exactly five digits, so "9004" goes out as "09004".
    std::size_t length = BoundedLength(model.net_port_number, 5);
    std::string s = "PN";
    s.append(5 - length, '0');
    s.append(model.net_port_number, length);
    return s + kLineEnd;
}

std::string BuildKeepAliveCommand(const SettingsModel& model) {
    return std::string(model.net_keep_alive ? "KAON" : "KAOF") + kLineEnd;
}

std::string BuildTimeRegisterCommand(const SettingsModel& model) {
    return std::string("TR") + static_cast<char>('1' + model.net_time_register) + kLineEnd;
}

std::string BuildSlaveAddressCommand(int slave_address) {
    std::string s = "SA";
    AppendTwo(s, slave_address);
    return s + kLineEnd;
}

std::string BuildReadSwitchTimesCommand(int position) {
    return ReadWithPosition("RAST", position);
}
std::string BuildReadDisplayFlagsCommand(int position) {
    return ReadWithPosition("RCTD", position);
}
std::string BuildReadPositionOffsetCommand(int position) {
    return ReadWithPosition("RCTDPO", position);
}
std::string BuildReadEdgeLevelCommand() {
    return std::string("RCEL") + kLineEnd;
}
std::string BuildReadWhiteLevelCommand() {
    return std::string("RCWL") + kLineEnd;
}
std::string BuildReadStartupPageCommand(int position) {
    return ReadWithPosition("RSUS", position);
}
std::string BuildReadDisplayPageCommand(int position) {
    return ReadWithPosition("RP", position);
}
std::string BuildReadPageAssignmentCommand(int position) {
    return ReadWithPosition("RPP", position);
}

std::string BuildReadTitleCommand(int title_index) {
    if (!ValidTitle(title_index)) return {};
    std::string s = "RCT";
    AppendThree(s, title_index + 1);
    return s + kLineEnd;
}

std::string BuildReadGlyphCommand(std::uint32_t code) {
    std::string s = "RFBM";
    AppendHex16(s, code);
    return s + kLineEnd;
}

std::string BuildNetworkReadCommand(NetworkRead which) {
    const char* name = "RVN";
    switch (which) {
        case NetworkRead::ActiveAddress:
            name = "RAA";
            break;
        case NetworkRead::GatewayAddress:
            name = "RGA";
            break;
        case NetworkRead::IpAddress:
            name = "RIA";
            break;
        case NetworkRead::MacAddress:
            name = "RMA";
            break;
        case NetworkRead::PortNumber:
            name = "RPN";
            break;
        case NetworkRead::SubnetClass:
            name = "RSM";
            break;
        case NetworkRead::KeepAlive:
            name = "RKA";
            break;
        case NetworkRead::TimeRegister:
            name = "RTR";
            break;
        case NetworkRead::Version:
            name = "RVN";
            break;
    }
    return std::string(name) + kLineEnd;
}

}  // namespace tvx
