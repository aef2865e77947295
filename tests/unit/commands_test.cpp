// Exact bytes of every command the program builds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "protocol/commands.h"
#include "protocol/encodings.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

TEST(Commands, SwitchTimes) {
    CoreFixture f;
    std::string out;
    ASSERT_TRUE(BuildSwitchTimesCommand(f.model, 0, f.prompts, out));
    EXPECT_EQ(out, "AST01T" + Repeat("02", 144) + "\r\n");
    EXPECT_EQ(out.size(), 296u);

    f.model.page_switch_seconds[3][0] = 99;
    f.model.page_switch_seconds[3][143] = 5;
    ASSERT_TRUE(BuildSwitchTimesCommand(f.model, 3, f.prompts, out));
    EXPECT_EQ(out, "AST02B99" + Repeat("02", 142) + "05\r\n");
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(Commands, SwitchTimesAllZeroIsRefused) {
    CoreFixture f;
    for (int& s : f.model.page_switch_seconds[1]) s = 0;
    std::string out = "untouched";
    EXPECT_FALSE(BuildSwitchTimesCommand(f.model, 1, f.prompts, out));
    EXPECT_EQ(out, "untouched");
    ASSERT_EQ(f.prompts.calls.size(), 1u);
    EXPECT_EQ(f.prompts.calls[0], "error(exclamation): 全て０秒は､設定出来ません");

    // One nonzero time is enough.
    f.model.page_switch_seconds[1][77] = 1;
    EXPECT_TRUE(BuildSwitchTimesCommand(f.model, 1, f.prompts, out));
    EXPECT_EQ(out.substr(0, 6), "AST01B");
    EXPECT_EQ(out.substr(6 + 2 * 77, 2), "01");
}

TEST(Commands, DisplayFlags) {
    CoreFixture f;
    f.model.page_display_on[2][9] = 0;
    f.model.page_display_on[2][143] = 0;
    std::string expected = "CTD02T" + Repeat("N", 9) + "F" + Repeat("N", 133) + "F\r\n";
    EXPECT_EQ(BuildDisplayFlagsCommand(f.model, 2), expected);
}

TEST(Commands, PositionOffsetLevelsAndPages) {
    CoreFixture f;
    f.model.position_offset[3] = 9;
    EXPECT_EQ(BuildPositionOffsetCommand(f.model, 3), "CTDPO02B09\r\n");
    EXPECT_EQ(BuildPositionOffsetCommand(f.model, 0), "CTDPO01T07\r\n");
    EXPECT_EQ(BuildWhiteLevelCommand(f.model), "CWL1\r\n");
    EXPECT_EQ(BuildEdgeLevelCommand(f.model), "CEL1\r\n");
    f.model.white_level = 3;
    f.model.edge_level = 0;
    EXPECT_EQ(BuildWhiteLevelCommand(f.model), "CWL3\r\n");
    EXPECT_EQ(BuildEdgeLevelCommand(f.model), "CEL0\r\n");

    f.model.startup_page[3] = 144;
    EXPECT_EQ(BuildStartupPageCommand(f.model, 3), "SUS02BAS\r\n");
    f.model.startup_page[3] = 0;
    EXPECT_EQ(BuildStartupPageCommand(f.model, 3), "SUS02B001\r\n");
    f.model.display_page[1] = 143;
    EXPECT_EQ(BuildDisplayPageCommand(f.model, 1), "P01B144\r\n");
    f.model.display_page[0] = 144;
    EXPECT_EQ(BuildDisplayPageCommand(f.model, 0), "P01TAS\r\n");
}

TEST(Commands, PageAssignment) {
    CoreFixture f;
    std::string out = BuildPageAssignmentCommand(f.model, 1);
    ASSERT_EQ(out.size(), 439u);
    EXPECT_EQ(out.substr(0, 11), "PP01B001002");
    EXPECT_EQ(out.substr(5 + 3 * 143), "144\r\n");
    f.model.page_title_number[1][0] = 143;
    EXPECT_EQ(BuildPageAssignmentCommand(f.model, 1).substr(0, 8), "PP01B144");
}

TEST(Commands, OutOfRangeIndexesBuildNothing) {
    CoreFixture f;
    std::string out = "untouched";
    EXPECT_FALSE(BuildSwitchTimesCommand(f.model, 4, f.prompts, out));
    EXPECT_FALSE(BuildSwitchTimesCommand(f.model, -1, f.prompts, out));
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(BuildDisplayFlagsCommand(f.model, 4), "");
    EXPECT_EQ(BuildPositionOffsetCommand(f.model, -1), "");
    EXPECT_EQ(BuildStartupPageCommand(f.model, 4), "");
    EXPECT_EQ(BuildDisplayPageCommand(f.model, 4), "");
    EXPECT_EQ(BuildPageAssignmentCommand(f.model, 4), "");
    EXPECT_EQ(BuildGlyphRegisterCommand(f.model, 160), "");
    EXPECT_EQ(BuildReadTitleCommand(144), "");
    EXPECT_EQ(BuildReadSwitchTimesCommand(4), "");
    EXPECT_TRUE(f.prompts.calls.empty());
}

// Title staging and the CT / CN command.
struct TitleCase : CoreFixture {
    void SetTitle(int t, const std::string& bytes) {
        std::memset(model.title_text[t], 0, kTitleBytes);
        std::memcpy(model.title_text[t], bytes.data(), std::min<std::size_t>(bytes.size(), 44));
    }
};

TEST(TitleCommand, TwentyCharactersArePaddedWithOneSpace) {
    TitleCase f;
    f.SetTitle(4, Repeat("\x82\xA0", 20));
    char staging[kTitleBytes];
    ASSERT_TRUE(StageTitleText(f.model, 4, staging));
    EXPECT_EQ(std::string(staging, 42), Repeat("\x82\xA0", 20) + "\x81\x40");
    EXPECT_EQ(staging[42], '\0');
    std::string out;
    ASSERT_TRUE(BuildTitleCommand(staging, 1, 4, out));
    EXPECT_EQ(out, "CT005" + Repeat("2422", 20) + "2121\r\n");
    EXPECT_EQ(out.size(), 91u);
    ASSERT_TRUE(BuildTitleCommand(staging, 0, 4, out));
    EXPECT_EQ(out, "CN005" + Repeat("2422", 20) + "2121\r\n");
}

TEST(TitleCommand, EmptyFullAndExternal) {
    TitleCase f;
    std::string out;
    ASSERT_TRUE(BuildTitleCommandFromModel(f.model, 1, 143, out));
    EXPECT_EQ(out, "CT144" + Repeat("2121", 21) + "\r\n");

    f.SetTitle(0, Repeat("\x88\x9F", 21));  // 42 bytes: no padding
    ASSERT_TRUE(BuildTitleCommandFromModel(f.model, 1, 0, out));
    EXPECT_EQ(out, "CT001" + Repeat("3021", 21) + "\r\n");

    f.SetTitle(1, std::string("\x82\xA0\x10\x20", 4));  // glyph index 0 as second character
    ASSERT_TRUE(BuildTitleCommandFromModel(f.model, 1, 1, out));
    EXPECT_EQ(out,
              "CT002"
              "2422"
              "A365" +
                  Repeat("2121", 19) + "\r\n");

    // Glyph 63 (wire code A445) holds a zero byte; the characters after it are sent too.
    f.SetTitle(3, std::string("\x11\x00\x82\xA0", 4));
    ASSERT_TRUE(BuildTitleCommandFromModel(f.model, 1, 3, out));
    EXPECT_EQ(out, "CT004A4452422" + Repeat("2121", 19) + "\r\n");

    f.SetTitle(2, "\xFA\x40\xFA\x5C");  // IBM extensions move to their NEC-selected codes
    ASSERT_TRUE(BuildTitleCommandFromModel(f.model, 0, 2, out));
    EXPECT_EQ(out,
              "CN003"
              "7C71"
              "7921" +
                  Repeat("2121", 19) + "\r\n");
}

TEST(TitleCommand, RefusedTitles) {
    TitleCase f;
    char staging[kTitleBytes];
    std::string out = "untouched";

    f.SetTitle(0,
               "\x82\xA0"
               "A");  // odd length
    EXPECT_FALSE(StageTitleText(f.model, 0, staging));
    EXPECT_EQ(std::string(staging),
              "\x82\xA0"
              "A");  // staged as it stands

    f.SetTitle(1, Repeat("\x82\xA0", 21) + "A");  // 43 bytes, as a settings file may hold
    EXPECT_FALSE(StageTitleText(f.model, 1, staging));

    std::memset(f.model.title_text[2], 'A', kTitleBytes);  // no terminator at all
    EXPECT_FALSE(StageTitleText(f.model, 2, staging));
    EXPECT_EQ(staging[kTitleBytes - 1], '\0');

    f.SetTitle(3, "AB");  // two half-width characters: even length, but no double-byte pair
    ASSERT_TRUE(StageTitleText(f.model, 3, staging));
    EXPECT_FALSE(BuildTitleCommand(staging, 1, 3, out));

    f.SetTitle(4, "\x82\xA0\xF0\x40\x82\xA0");  // user-defined character in the middle
    EXPECT_FALSE(BuildTitleCommandFromModel(f.model, 1, 4, out));

    f.SetTitle(5, "\x82\xA0\x81\x7F");  // trail byte 0x7F
    EXPECT_FALSE(BuildTitleCommandFromModel(f.model, 1, 5, out));

    // Control characters (a pasted tab, a line break) are no external characters.
    for (const char* pair : {"\x09\x41", "\x0D\x0A", "\x01\x20", "\x0F\xFF"}) {
        f.SetTitle(6, "\x82\xA0" + std::string(pair, 2));
        EXPECT_FALSE(BuildTitleCommandFromModel(f.model, 1, 6, out)) << int(pair[0]);
    }

    EXPECT_FALSE(BuildTitleCommandFromModel(f.model, 1, 144, out));
    EXPECT_FALSE(BuildTitleCommandFromModel(f.model, 1, -1, out));
    EXPECT_EQ(out, "untouched");
}

TEST(Commands, Glyphs) {
    CoreFixture f;
    EXPECT_EQ(BuildGlyphInsertCommand(0, 0, 1), "G01T001I01\r\n");
    EXPECT_EQ(BuildGlyphInsertCommand(63, 143, 21), "G64T144I21\r\n");

    std::memcpy(f.model.glyph_pattern[26], Repeat("F0", 128).data(), 256);
    std::string out = BuildGlyphRegisterCommand(f.model, 26);
    EXPECT_EQ(out, "GR27" + Repeat("F0", 128) + "\r\n");
    EXPECT_EQ(out.size(), 262u);
    std::string edit = Repeat("0123456789ABCDEF", 16);
    EXPECT_EQ(BuildGlyphRegisterCommand(0, edit.c_str()), "GR01" + edit + "\r\n");

    EXPECT_EQ(BuildReadGlyphCommand(glyph_code(0)), "RFBMA365\r\n");
    EXPECT_EQ(BuildReadGlyphCommand(glyph_code(26)), "RFBMA421\r\n");
    EXPECT_EQ(BuildReadGlyphCommand(glyph_code(63)), "RFBMA446\r\n");
    EXPECT_EQ(BuildReadGlyphCommand(0x2121), "RFBM2121\r\n");
}

TEST(Commands, NetworkSettings) {
    CoreFixture f;
    const unsigned char ip[4] = {192, 168, 1, 3};
    std::memcpy(f.model.net_ip_address, ip, 4);
    EXPECT_EQ(BuildIpAddressCommand(f.model), "IA192.168.001.003\r\n");
    const unsigned char gw[4] = {10, 0, 0, 255};
    std::memcpy(f.model.net_gateway_address, gw, 4);
    EXPECT_EQ(BuildGatewayAddressCommand(f.model), "GA010.000.000.255\r\n");
    EXPECT_EQ(BuildActiveAddressCommand(f.model), "AA000.000.000.000\r\n");

    EXPECT_EQ(BuildSubnetClassCommand(f.model), "SMC\r\n");
    f.model.net_subnet_class = 0;
    EXPECT_EQ(BuildSubnetClassCommand(f.model), "SMA\r\n");

    EXPECT_EQ(BuildKeepAliveCommand(f.model), "KAOF\r\n");
    f.model.net_keep_alive = 1;
    EXPECT_EQ(BuildKeepAliveCommand(f.model), "KAON\r\n");

    EXPECT_EQ(BuildTimeRegisterCommand(f.model), "TR6\r\n");
    f.model.net_time_register = 0;
    EXPECT_EQ(BuildTimeRegisterCommand(f.model), "TR1\r\n");

    EXPECT_EQ(BuildSlaveAddressCommand(5), "SA05\r\n");
    EXPECT_EQ(BuildSlaveAddressCommand(31), "SA31\r\n");
}

TEST(Commands, PortNumberIsFiveDigits) {
    CoreFixture f;
    EXPECT_EQ(BuildPortNumberCommand(f.model), "PN09004\r\n");
    std::strcpy(f.model.net_port_number, "80");
    EXPECT_EQ(BuildPortNumberCommand(f.model), "PN00080\r\n");
    std::strcpy(f.model.net_port_number, "");
    EXPECT_EQ(BuildPortNumberCommand(f.model), "PN00000\r\n");
    std::memcpy(f.model.net_port_number, "123456", 6);  // no terminator: five characters only
    EXPECT_EQ(BuildPortNumberCommand(f.model), "PN12345\r\n");
}

TEST(Commands, ReadCommands) {
    EXPECT_EQ(BuildReadSwitchTimesCommand(1), "RAST01B\r\n");
    EXPECT_EQ(BuildReadSwitchTimesCommand(2), "RAST02T\r\n");
    EXPECT_EQ(BuildReadDisplayFlagsCommand(3), "RCTD02B\r\n");
    EXPECT_EQ(BuildReadPositionOffsetCommand(0), "RCTDPO01T\r\n");
    EXPECT_EQ(BuildReadEdgeLevelCommand(), "RCEL\r\n");
    EXPECT_EQ(BuildReadWhiteLevelCommand(), "RCWL\r\n");
    EXPECT_EQ(BuildReadStartupPageCommand(3), "RSUS02B\r\n");
    EXPECT_EQ(BuildReadDisplayPageCommand(1), "RP01B\r\n");
    EXPECT_EQ(BuildReadPageAssignmentCommand(2), "RPP02T\r\n");
    EXPECT_EQ(BuildReadTitleCommand(0), "RCT001\r\n");
    EXPECT_EQ(BuildReadTitleCommand(143), "RCT144\r\n");

    const std::pair<NetworkRead, const char*> reads[] = {
        {NetworkRead::ActiveAddress, "RAA\r\n"}, {NetworkRead::GatewayAddress, "RGA\r\n"},
        {NetworkRead::IpAddress, "RIA\r\n"},     {NetworkRead::MacAddress, "RMA\r\n"},
        {NetworkRead::PortNumber, "RPN\r\n"},    {NetworkRead::SubnetClass, "RSM\r\n"},
        {NetworkRead::KeepAlive, "RKA\r\n"},     {NetworkRead::TimeRegister, "RTR\r\n"},
        {NetworkRead::Version, "RVN\r\n"},
    };
    for (const auto& [which, text] : reads) EXPECT_EQ(BuildNetworkReadCommand(which), text);
}

}  // namespace
}  // namespace tvx
