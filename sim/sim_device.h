// The state one simulated title generator keeps, and the command decoder that
// changes and reports it. Written from the command tables alone: nothing here
// shares code with the program's own protocol layer, so a mistake on one side
// shows up as a disagreement with the other.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tvxsim {

constexpr int kPositions = 4;    // ch.1 Top, ch.1 Bottom, ch.2 Top, ch.2 Bottom
constexpr int kPages = 144;      // pages per display position
constexpr int kTitles = 144;     // titles 001..144
constexpr int kTitleCodes = 21;  // codes per title
constexpr int kGlyphs = 99;      // external character register numbers 01..99
constexpr int kPatternChars = 256;
constexpr int kAutoPage = 144;  // page value meaning automatic switching
constexpr int kMaxAddress = 31;
constexpr uint16_t kFullWidthSpace = 0x2121;

using Title = std::array<uint16_t, kTitleCodes>;
using Pattern = std::array<char, kPatternChars>;
using PageTable = std::array<std::array<uint8_t, kPages>, kPositions>;
using Octets = std::array<uint8_t, 4>;

struct SimDevice {
    int address = 0;
    PageTable page_display_on{};                 // 1 = displayed
    PageTable page_switch_seconds{};             // 0..99
    PageTable page_title_number{};               // 0-based title index shown on the page
    std::array<int, kPositions> display_page{};  // 0..143, or kAutoPage
    std::array<int, kPositions> startup_page{};
    std::array<int, kPositions> position_offset{};  // 0..15
    int white_level = 1;                            // 0..3
    int edge_level = 1;                             // 0..3
    // CT writes both tables; CN and G change only what is shown, which is what
    // RCT reports. The stored table is what survives a power cycle (--state).
    std::array<Title, kTitles> title_stored{};
    std::array<Title, kTitles> title_shown{};
    std::array<Pattern, kGlyphs> glyph{};  // upper-case hexadecimal pattern text
    Octets net_ip{};
    Octets net_gateway{};
    Octets net_active{};
    char net_subnet_class = 'C';     // 'A'..'C'
    std::array<char, 6> net_port{};  // five digits and NUL
    bool net_keep_alive = false;
    char net_time_register = '6';       // '1'..'6'
    std::array<char, 18> net_mac{};     // 17 characters and NUL
    std::array<char, 5> net_version{};  // 4 characters and NUL

    bool operator==(const SimDevice&) const = default;
};

// Factory state. `serial` makes the MAC address unique per simulated device
// (a locally administered address, 02-00-00-00-hh-ll).
void ResetDevice(SimDevice& dev, int address, int serial);

// Register number - 1 (0..98) to the device's 16-bit code of that external
// character, and back (-1 when the code names no register).
uint16_t GlyphCode(int glyph_index);
int GlyphIndexFromCode(uint16_t code);

// True when any display position is switching pages automatically; glyph reads
// are refused with GN meanwhile.
bool IsAutoSwitching(const SimDevice& dev);

// Carries out one command (the text after the address prefix, without CR LF)
// and returns the reply text without prefix and without CR LF: "GO" for an
// accepted setting, the read-back line for a read, "GN" for a glyph read during
// automatic switching, "E3" for anything unknown or malformed (in which case
// the device is left unchanged).
std::string ExecuteCommand(SimDevice& dev, std::string_view command);

}  // namespace tvxsim
