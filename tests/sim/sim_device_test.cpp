// The simulator's decoder: every setting command followed by its read-back,
// the exact reply layouts, and malformed commands refused without a change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_device.h"
#include "sim_font.h"

namespace tvxsim {
namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::string Pad(int v, int width) {
    std::string s = std::to_string(v);
    return std::string(static_cast<size_t>(width) - s.size(), '0') + s;
}

SimDevice Fresh(int address = 0) {
    SimDevice d;
    ResetDevice(d, address, 1);
    return d;
}

const char* const kPositions[] = {"01T", "01B", "02T", "02B"};

TEST(SimDeviceDefaults, ReadBackFactoryState) {
    SimDevice d = Fresh();
    EXPECT_EQ(ExecuteCommand(d, "RCWL"), "CWL1");
    EXPECT_EQ(ExecuteCommand(d, "RCEL"), "CEL1");
    std::string pages;
    for (int k = 1; k <= 144; ++k) pages += Pad(k, 3);
    for (const char* pos : kPositions) {
        std::string p(pos);
        EXPECT_EQ(ExecuteCommand(d, "RAST" + p), "AST" + p + Repeat("02", 144));
        EXPECT_EQ(ExecuteCommand(d, "RCTD" + p), "CTD" + p + std::string(144, 'N'));
        EXPECT_EQ(ExecuteCommand(d, "RCTDPO" + p), "CTDPO" + p + "07");
        EXPECT_EQ(ExecuteCommand(d, "RSUS" + p), "SUS" + p + "001");
        EXPECT_EQ(ExecuteCommand(d, "RP" + p), "P" + p + "001");
        EXPECT_EQ(ExecuteCommand(d, "RPP" + p), "PP" + p + pages);
    }
    EXPECT_EQ(ExecuteCommand(d, "RCT001"), "CT001" + Repeat("2121", 21));
    EXPECT_EQ(ExecuteCommand(d, "RCT144"), "CT144" + Repeat("2121", 21));
    EXPECT_EQ(ExecuteCommand(d, "RAA"), "AA000.000.000.000");
    EXPECT_EQ(ExecuteCommand(d, "RGA"), "GA000.000.000.000");
    EXPECT_EQ(ExecuteCommand(d, "RIA"), "IA000.000.000.000");
    EXPECT_EQ(ExecuteCommand(d, "RMA"), "MA02-00-00-00-00-01");
    EXPECT_EQ(ExecuteCommand(d, "RPN"), "PN09004");
    EXPECT_EQ(ExecuteCommand(d, "RSM"), "SMC");
    EXPECT_EQ(ExecuteCommand(d, "RKA"), "KAOF");
    EXPECT_EQ(ExecuteCommand(d, "RTR"), "TR6");
    EXPECT_EQ(ExecuteCommand(d, "RVN"), "VN1.00");
    EXPECT_EQ(ExecuteCommand(d, "RFBMA365"), "FBMA365" + std::string(256, '0'));
}

TEST(SimDeviceDefaults, MacAddressDiffersPerDevice) {
    SimDevice a, b;
    ResetDevice(a, 0, 1);
    ResetDevice(b, 0, 0x102);
    EXPECT_EQ(ExecuteCommand(a, "RMA"), "MA02-00-00-00-00-01");
    EXPECT_EQ(ExecuteCommand(b, "RMA"), "MA02-00-00-00-01-02");
}

struct RoundTrip {
    std::string set;
    std::string read;
    std::string expected;
};

std::vector<RoundTrip> PositionRoundTrips(const std::string& p, int seed) {
    std::string seconds, flags, titles;
    for (int k = 0; k < 144; ++k) {
        seconds += Pad((k * 7 + seed) % 100, 2);
        flags += ((k + seed) % 3 == 0) ? 'F' : 'N';
        titles += Pad(144 - (k + seed) % 144, 3);
    }
    std::string offset = Pad((seed * 5) % 16, 2);
    std::string page = Pad(100 + seed, 3);
    return {
        {"AST" + p + seconds, "RAST" + p, "AST" + p + seconds},
        {"CTD" + p + flags, "RCTD" + p, "CTD" + p + flags},
        {"CTDPO" + p + offset, "RCTDPO" + p, "CTDPO" + p + offset},
        {"SUS" + p + page, "RSUS" + p, "SUS" + p + page},
        {"SUS" + p + "AS", "RSUS" + p, "SUS" + p + "AS"},
        {"P" + p + page, "RP" + p, "P" + p + page},
        {"PP" + p + titles, "RPP" + p, "PP" + p + titles},
    };
}

TEST(SimDeviceRoundTrip, EveryPositionSettingReadsBackAsSent) {
    SimDevice d = Fresh();
    int seed = 1;
    for (const char* pos : kPositions) {
        for (const RoundTrip& rt : PositionRoundTrips(pos, seed)) {
            EXPECT_EQ(ExecuteCommand(d, rt.set), "GO") << rt.set;
            EXPECT_EQ(ExecuteCommand(d, rt.read), rt.expected) << rt.read;
        }
        ++seed;
    }
    // Each position kept its own values: the first position still has seed 1's.
    EXPECT_EQ(ExecuteCommand(d, "RCTDPO01T"), "CTDPO01T05");
    EXPECT_EQ(ExecuteCommand(d, "RCTDPO02B"), "CTDPO02B04");
}

TEST(SimDeviceRoundTrip, PositionTablesLandInTheRightIndex) {
    SimDevice d = Fresh();
    EXPECT_EQ(ExecuteCommand(d, "CTDPO02B09"), "GO");
    EXPECT_EQ(d.position_offset[3], 9);
    EXPECT_EQ(ExecuteCommand(d, "P01BAS"), "GO");
    EXPECT_EQ(d.display_page[1], kAutoPage);
    EXPECT_EQ(ExecuteCommand(d, "SUS02T144"), "GO");
    EXPECT_EQ(d.startup_page[2], 143);
    std::string titles = "144" + Repeat("001", 143);
    EXPECT_EQ(ExecuteCommand(d, "PP01T" + titles), "GO");
    EXPECT_EQ(d.page_title_number[0][0], 143);
    EXPECT_EQ(d.page_title_number[0][1], 0);
}

TEST(SimDeviceRoundTrip, LevelsAndNetworkSettings) {
    SimDevice d = Fresh();
    const std::vector<RoundTrip> trips = {
        {"CWL3", "RCWL", "CWL3"},
        {"CWL0", "RCWL", "CWL0"},
        {"CEL2", "RCEL", "CEL2"},
        {"IA192.168.001.003", "RIA", "IA192.168.001.003"},
        {"GA010.000.000.254", "RGA", "GA010.000.000.254"},
        {"AA255.255.255.000", "RAA", "AA255.255.255.000"},
        {"SMA", "RSM", "SMA"},
        {"SMB", "RSM", "SMB"},
        {"PN09004", "RPN", "PN09004"},
        {"PN65535", "RPN", "PN65535"},
        {"PN00080", "RPN", "PN00080"},
        {"KAON", "RKA", "KAON"},
        {"KAOF", "RKA", "KAOF"},
        {"TR1", "RTR", "TR1"},
        {"TR6", "RTR", "TR6"},
    };
    for (const RoundTrip& rt : trips) {
        EXPECT_EQ(ExecuteCommand(d, rt.set), "GO") << rt.set;
        EXPECT_EQ(ExecuteCommand(d, rt.read), rt.expected) << rt.read;
    }
    // Read-only values are not changed by anything above.
    EXPECT_EQ(ExecuteCommand(d, "RMA"), "MA02-00-00-00-00-01");
    EXPECT_EQ(ExecuteCommand(d, "RVN"), "VN1.00");
}

TEST(SimDeviceTitles, StoredTitleReadsBack) {
    SimDevice d = Fresh();
    // 20 characters and the padding space; the first is glyph 01 (A365).
    std::string codes = "A365" + Repeat("3042", 19) + "2121";
    EXPECT_EQ(ExecuteCommand(d, "CT005" + codes), "GO");
    EXPECT_EQ(ExecuteCommand(d, "RCT005"), "CT005" + codes);
    EXPECT_EQ(ExecuteCommand(d, "RCT004"), "CT004" + Repeat("2121", 21));
    EXPECT_EQ(d.title_stored[4], d.title_shown[4]);
}

TEST(SimDeviceTitles, NotMemoryTitleIsShownButNotStored) {
    SimDevice d = Fresh();
    std::string stored = Repeat("2422", 21);
    std::string shown = Repeat("2423", 21);
    EXPECT_EQ(ExecuteCommand(d, "CT144" + stored), "GO");
    EXPECT_EQ(ExecuteCommand(d, "CN144" + shown), "GO");
    EXPECT_EQ(ExecuteCommand(d, "RCT144"), "CT144" + shown);
    EXPECT_EQ(d.title_stored[143][0], 0x2422);
}

TEST(SimDeviceTitles, GlyphInsertionPutsTheGlyphCodeInPlace) {
    SimDevice d = Fresh();
    EXPECT_EQ(ExecuteCommand(d, "G12T005I03"), "GO");
    std::string expected = "CT005" + Repeat("2121", 2) + "A370" + Repeat("2121", 18);
    EXPECT_EQ(ExecuteCommand(d, "RCT005"), expected);
    EXPECT_EQ(ExecuteCommand(d, "G64T144I21"), "GO");
    EXPECT_EQ(ExecuteCommand(d, "RCT144"), "CT144" + Repeat("2121", 20) + "A446");
    EXPECT_EQ(ExecuteCommand(d, "G99T001I01"), "GO");
    EXPECT_EQ(d.title_stored[0][0], GlyphCode(98));
}

TEST(SimDeviceGlyphs, GlyphCodesFollowTheRegisterTable) {
    EXPECT_EQ(GlyphCode(0), 0xA365);
    EXPECT_EQ(GlyphCode(25), 0xA37E);
    EXPECT_EQ(GlyphCode(26), 0xA421);
    EXPECT_EQ(GlyphCode(63), 0xA446);
    EXPECT_EQ(GlyphCode(119), 0xA47E);
    EXPECT_EQ(GlyphCode(120), 0xA521);
    EXPECT_EQ(GlyphCode(214), 0xA621);
    for (int g = 0; g < kGlyphs; ++g) EXPECT_EQ(GlyphIndexFromCode(GlyphCode(g)), g);
    EXPECT_EQ(GlyphIndexFromCode(0xA364), -1);
    EXPECT_EQ(GlyphIndexFromCode(0xA47F), -1);
    EXPECT_EQ(GlyphIndexFromCode(0x2121), -1);
    EXPECT_EQ(GlyphIndexFromCode(GlyphCode(99)), -1);  // no register 100
}

TEST(SimDeviceGlyphs, RegisteredGlyphReadsBackUnderItsCode) {
    SimDevice d = Fresh();
    std::string pattern;
    for (int k = 0; k < 256; ++k) pattern += "0123456789ABCDEF"[(k * 7) % 16];
    EXPECT_EQ(ExecuteCommand(d, "GR27" + pattern), "GO");
    EXPECT_EQ(ExecuteCommand(d, "RFBMA421"), "FBMA421" + pattern);
    // Register 26 is untouched.
    EXPECT_EQ(ExecuteCommand(d, "RFBMA37E"), "FBMA37E" + std::string(256, '0'));
    EXPECT_EQ(ExecuteCommand(d, "GR99" + pattern), "GO");
    EXPECT_EQ(d.glyph[98], d.glyph[26]);
}

TEST(SimDeviceGlyphs, LowerCaseDigitsAreTheSameDots) {
    SimDevice d = Fresh();
    std::string lower = Repeat("abcdef01", 32);
    EXPECT_EQ(ExecuteCommand(d, "GR01" + lower), "GO");
    EXPECT_EQ(ExecuteCommand(d, "RFBMA365"), "FBMA365" + Repeat("ABCDEF01", 32));
}

TEST(SimDeviceGlyphs, OrdinaryCharacterGivesItsFramedCodePicture) {
    SimDevice d = Fresh();
    std::string reply = ExecuteCommand(d, "RFBM2422");
    ASSERT_EQ(reply.size(), 7u + 256u);
    EXPECT_EQ(reply.substr(0, 7), "FBM2422");
    Pattern p{};
    std::copy(reply.begin() + 7, reply.end(), p.begin());
    EXPECT_EQ(p, CharacterPattern(0x2422));
    // The frame: top and bottom rows full, left and right columns lit.
    EXPECT_EQ(reply.substr(7, 8), "FFFFFFFF");
    EXPECT_EQ(reply.substr(7 + 248, 8), "FFFFFFFF");
    for (int r = 0; r < 32; ++r) {
        EXPECT_TRUE(PatternDot(p, 0, r));
        EXPECT_TRUE(PatternDot(p, 31, r));
    }
    // Different codes give different pictures; the same code the same one.
    EXPECT_NE(CharacterPattern(0x2422), CharacterPattern(0x2423));
    EXPECT_EQ(ExecuteCommand(d, "RFBM2422"), reply);
    // The full-width space is an ordinary character too.
    EXPECT_EQ(ExecuteCommand(d, "RFBM2121").substr(0, 7), "FBM2121");
}

TEST(SimDeviceGlyphs, GlyphReadDuringAutomaticSwitchingAnswersGN) {
    SimDevice d = Fresh();
    EXPECT_EQ(ExecuteCommand(d, "P02BAS"), "GO");
    EXPECT_TRUE(IsAutoSwitching(d));
    EXPECT_EQ(ExecuteCommand(d, "RFBMA365"), "GN");
    EXPECT_EQ(ExecuteCommand(d, "RFBM2422"), "GN");
    // Other reads and settings go on as usual.
    EXPECT_EQ(ExecuteCommand(d, "RCWL"), "CWL1");
    EXPECT_EQ(ExecuteCommand(d, "GR01" + std::string(256, 'F')), "GO");
    // A malformed read is still a command error.
    EXPECT_EQ(ExecuteCommand(d, "RFBM0000"), "E3");
    EXPECT_EQ(ExecuteCommand(d, "P02B001"), "GO");
    EXPECT_EQ(ExecuteCommand(d, "RFBMA365"), "FBMA365" + std::string(256, 'F'));
}

TEST(SimDeviceAddress, SaChangesTheAddress) {
    SimDevice d = Fresh(0);
    EXPECT_EQ(ExecuteCommand(d, "SA17"), "GO");
    EXPECT_EQ(d.address, 17);
    EXPECT_EQ(ExecuteCommand(d, "SA31"), "GO");
    EXPECT_EQ(d.address, 31);
    EXPECT_EQ(ExecuteCommand(d, "SA32"), "E3");
    EXPECT_EQ(d.address, 31);
}

TEST(SimDeviceMalformed, RefusedWithE3AndNothingChanges) {
    const std::string ok_title = Repeat("2121", 21);
    const std::string ok_pattern(256, '0');
    const std::vector<std::string> bad = {
        "",
        "XYZ",
        "rcwl",
        "GO",
        "E3",
        "CWL",
        "CWL4",
        "CWL12",
        "CWLX",
        "CEL-",
        "CEL 1",
        "CTDPO01T16",
        "CTDPO03T01",
        "CTDPO01X01",
        "CTDPO00T01",
        "CTDPO01T1",
        "CTDPO01T001",
        "SUS01T000",
        "SUS01T145",
        "SUS01TA",
        "SUS01TASX",
        "SUS01T0010",
        "SUS01",
        "P01T1",
        "P01T",
        "P1T001",
        "P03B001",
        "PP01T" + Repeat("001", 143),
        "PP01T" + Repeat("001", 145),
        "PP01T000" + Repeat("001", 143),
        "PP01T145" + Repeat("001", 143),
        "AST01T" + Repeat("02", 143) + "0",
        "AST01T" + Repeat("02", 145),
        "AST01T0a" + Repeat("02", 143),
        "CTD01T" + std::string(143, 'N'),
        "CTD01TX" + std::string(143, 'N'),
        "CTD01Tn" + std::string(143, 'N'),
        "CT000" + ok_title,
        "CT145" + ok_title,
        "CT001" + ok_title.substr(4),
        "CT001" + ok_title + "2121",
        "CT001" + std::string("a365") + ok_title.substr(4),
        "CT001" + std::string("0000") + ok_title.substr(4),
        "CT001" + std::string("82A0") + ok_title.substr(4),
        "CT001" + std::string("7F21") + ok_title.substr(4),
        "CT001" + std::string("A364") + ok_title.substr(4),
        "CN000" + ok_title,
        "CN001" + ok_title.substr(1),
        "GR00" + ok_pattern,
        "GR01" + ok_pattern.substr(1),
        "GR01" + ok_pattern + "0",
        "GR01G" + ok_pattern.substr(1),
        "GR1" + ok_pattern,
        "G00T001I01",
        "G01T000I01",
        "G01T145I01",
        "G01T001I00",
        "G01T001I22",
        "G01T001X01",
        "G01X001I01",
        "G01T001I011",
        "IA256.000.000.000",
        "IA192.168.1.3",
        "IA192-168-001-003",
        "IA192.168.001.0031",
        "IA",
        "GA1.2.3.4",
        "AA000.000.000",
        "SMD",
        "SMa",
        "SM",
        "SMAB",
        "PN9004",
        "PN090040",
        "PN70000",
        "PNabcde",
        "PN",
        "KAON1",
        "KAYES",
        "KA",
        "KAon",
        "TR0",
        "TR7",
        "TR",
        "TR11",
        "SA32",
        "SA1",
        "SA001",
        "SAXX",
        "RCWL1",
        "RCEL ",
        "RAST03T",
        "RAST01",
        "RAST01T1",
        "RCTD01",
        "RCTDPO02",
        "RSUS03B",
        "RP01X",
        "RPP01",
        "RCT000",
        "RCT145",
        "RCT01",
        "RCT0011",
        "RFBM0000",
        "RFBMa365",
        "RFBM12",
        "RFBM7F7F",
        "RFBMA365A",
        "RFBM8140",
        "RAA1",
        "RGA ",
        "RIA0",
        "RMA0",
        "RPN1",
        "RSM1",
        "RKA1",
        "RTR1",
        "RVN1",
        "FBMA365",
        "GN",
    };
    const SimDevice before = Fresh();
    for (const std::string& cmd : bad) {
        SimDevice d = before;
        EXPECT_EQ(ExecuteCommand(d, cmd), "E3") << "command: " << cmd;
        EXPECT_TRUE(d == before) << "changed by: " << cmd;
    }
}

TEST(SimDeviceMalformed, AllZeroSwitchTimesAreAccepted) {
    // Refusing all-zero times is the program's rule, not the device's.
    SimDevice d = Fresh();
    EXPECT_EQ(ExecuteCommand(d, "AST02B" + Repeat("00", 144)), "GO");
    EXPECT_EQ(ExecuteCommand(d, "RAST02B"), "AST02B" + Repeat("00", 144));
}

}  // namespace
}  // namespace tvxsim
