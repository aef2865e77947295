// Every reply applied to a model, the recognition order, the message boxes of both links, the
// socket assembly, and random input to both parsers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "protocol/line_assembly.h"
#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;
using Calls = std::vector<std::string>;

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

std::string Digits2(int v) {
    return std::string{char('0' + v / 10), char('0' + v % 10)};
}
std::string Digits3(int v) {
    return std::string{char('0' + v / 100), char('0' + v / 10 % 10), char('0' + v % 10)};
}

struct SerialCase : CoreFixture {
    SerialCase() {
        app.address_prefix_on = 1;
        app.reply_owner_window = 0x55;  // the opener, disabled under the dialog
        app.active_dialog = 0x66;       // the dialog on screen, which owns the acknowledgement
    }
    void Line(const std::string& text) { ParseSerialReply(ctx, text); }
};

// --- Serial acknowledgements and errors ---------------------------------------------------

TEST(SerialReply, GoShowsTheAcknowledgementAndEndsTheWait) {
    SerialCase f;
    f.app.awaiting_reply = 1;
    f.app.no_reply_ticks = 4;
    f.app.error_reply = 1;
    f.Line("03GO\r\n");
    EXPECT_EQ(f.prompts.calls, Calls{"ack(owner=102)"});
    EXPECT_EQ(f.app.awaiting_reply, 0);
    EXPECT_EQ(f.app.no_reply_ticks, 0);
    EXPECT_EQ(f.app.error_reply, 0);
}

TEST(SerialReply, ALineCountedAtItsArrivalLeavesALaterWaitAlone) {
    SerialCase f;
    f.app.awaiting_reply = 1;  // a command sent after the line arrived
    f.app.no_reply_ticks = 2;
    ApplySerialReply(f.ctx, "03GO\r\n");
    EXPECT_EQ(f.prompts.calls, Calls{"ack(owner=102)"});
    EXPECT_EQ(f.app.awaiting_reply, 1);
    EXPECT_EQ(f.app.no_reply_ticks, 2);
}

TEST(SerialReply, GoOnlyAsTheWholeLine) {
    SerialCase f;
    f.Line("03GOX\r\n");
    f.Line("03GO\n");
    f.Line("03GO");
    EXPECT_TRUE(f.prompts.calls.empty());
    f.app.address_prefix_on = 0;
    f.Line("GO\r\n");
    EXPECT_EQ(f.prompts.calls, Calls{"ack(owner=102)"});
}

TEST(SerialReply, GoIsSilentDuringASequenceOrAGlyphRun) {
    SerialCase f;
    f.app.sequence_running = 3;
    f.Line("03GO\r\n");
    f.app.sequence_running = 0;
    f.app.glyph_bulk_read_running = 1;
    f.Line("03GO\r\n");
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(SerialReply, TwoRepliesInOneTextAreEachHandled) {
    SerialCase f;
    f.Line("03GO\r\n03GO\r\n");
    EXPECT_EQ(f.prompts.calls, (Calls{"ack(owner=102)", "ack(owner=102)"}));
    f.prompts.calls.clear();
    f.Line("03P01T005\r\n03E3\r\n");
    EXPECT_EQ(f.model.display_page[0], 4);
    EXPECT_EQ(f.prompts.calls, Calls{"error(exclamation): Command Error"});
    EXPECT_EQ(f.app.error_reply, 1);
}

TEST(SerialReply, ErrorCodes) {
    const std::pair<const char*, const char*> cases[] = {
        {"03E0\r\n", "Framing Error"},  {"03E1\r\n", "Parity Error"},
        {"03E2\r\n", "Over run Error"}, {"03E3\r\n", "Command Error"},
        {"03MENU\r\n", "Menu Display"},
    };
    for (const auto& [line, text] : cases) {
        SerialCase f;
        f.Line(line);
        EXPECT_EQ(f.prompts.calls, Calls{std::string("error(exclamation): ") + text});
        EXPECT_EQ(f.app.error_reply, 1) << line;
    }
}

TEST(SerialReply, UnknownTextIsIgnoredAndClearsTheError) {
    SerialCase f;
    f.app.error_reply = 1;
    f.Line("03XYZ\r\n");
    EXPECT_TRUE(f.prompts.calls.empty());
    EXPECT_EQ(f.app.error_reply, 0);
    f.Line("\r\n");
    f.Line("");
    f.Line("03");
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(SerialReply, ModeDifference) {
    SerialCase f;
    f.app.glyph_read_pending = 1;
    f.Line("03GN\r\n");
    EXPECT_EQ(f.app.glyph_read_pending, 0);
    f.Line("03GN\r\n");
    EXPECT_EQ(f.prompts.calls,
              (Calls{"error(exclamation): 自動切換え中！", "error(exclamation): Mode difference"}));
    EXPECT_EQ(f.app.error_reply, 0);
}

TEST(SerialReply, PendingGlyphReadClearedByAnyReply) {
    SerialCase f;
    f.app.glyph_read_pending = 1;
    f.Line("03XYZ\r\n");
    EXPECT_EQ(f.app.glyph_read_pending, 0);
}

// --- Read-back values ------------------------------------------------------------------------

TEST(SerialReply, SwitchTimes) {
    SerialCase f;
    std::string values;
    for (int k = 0; k < 144; ++k) values += Digits2(k % 100);
    f.Line("03AST02B" + values + "\r\n");
    for (int k = 0; k < 144; ++k) EXPECT_EQ(f.model.page_switch_seconds[3][k], k % 100);
    EXPECT_EQ(f.model.page_switch_seconds[2][5], 2);
}

TEST(SerialReply, DisplayFlagsAndOffsetsAreNotConfused) {
    SerialCase f;
    f.Line("03CTDPO02B09\r\n");
    EXPECT_EQ(f.model.position_offset[3], 9);
    for (int k = 0; k < 144; ++k) EXPECT_EQ(f.model.page_display_on[3][k], 1);

    f.Line("03CTD01B" + Repeat("N", 9) + "F" + Repeat("N", 133) + "X\r\n");
    EXPECT_EQ(f.model.page_display_on[1][9], 0);
    EXPECT_EQ(f.model.page_display_on[1][143], 0);
    EXPECT_EQ(f.model.page_display_on[1][10], 1);
    EXPECT_EQ(f.model.position_offset[1], 7);
}

TEST(SerialReply, Levels) {
    SerialCase f;
    f.Line("03CEL3\r\n");
    f.Line("03CWL0\r\n");
    EXPECT_EQ(f.model.edge_level, 3);
    EXPECT_EQ(f.model.white_level, 0);
}

TEST(SerialReply, StartupAndDisplayPages) {
    SerialCase f;
    f.Line("03SUS02BAS\r\n");
    f.Line("03SUS01T144\r\n");
    EXPECT_EQ(f.model.startup_page[3], 144);
    EXPECT_EQ(f.model.startup_page[0], 143);
    f.Line("03P01TAS\r\n");
    f.Line("03P02T010\r\n");
    EXPECT_EQ(f.model.display_page[0], 144);
    EXPECT_EQ(f.model.display_page[2], 9);
}

TEST(SerialReply, PageAssignmentIsNotTakenForADisplayPage) {
    SerialCase f;
    std::string numbers = "001";
    for (int k = 1; k < 144; ++k) numbers += Digits3(144 - k + 1);
    f.Line("03PP01T" + numbers + "\r\n");
    EXPECT_EQ(f.model.page_title_number[0][0], 0);
    EXPECT_EQ(f.model.page_title_number[0][1], 143);
    EXPECT_EQ(f.model.page_title_number[0][143], 1);
    EXPECT_EQ(f.model.display_page[0], 0);
    EXPECT_EQ(f.model.display_page[1], 0);
}

TEST(SerialReply, DisplayPageWithAChannelNotStartingWithZero) {
    SerialCase f;
    f.model.display_page[0] = 5;
    f.app.error_reply = 1;
    f.Line("03P11T001\r\n");
    f.Line("03PP11T001\r\n");
    EXPECT_EQ(f.model.display_page[0], 5);
    EXPECT_EQ(f.app.error_reply, 0);
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(SerialReply, Title) {
    SerialCase f;
    f.Line("03CT007" + Repeat("3021", 16) + Repeat("2121", 5) + "\r\n");
    EXPECT_EQ(std::string(f.model.title_text[6]), Repeat("\x88\x9F", 16));
    // The whole title is replaced, external characters included.
    f.Line("03CT007A365" + Repeat("2121", 20) + "\r\n");
    EXPECT_EQ(std::string(f.model.title_text[6]), "\x10\x20");
    f.Line("03CT144" + Repeat("2422", 21) + "\r\n");
    EXPECT_EQ(std::strlen(f.model.title_text[143]), 42u);
}

TEST(SerialReply, Glyph) {
    SerialCase f;
    std::string pattern = Repeat("0123456789ABCDEF", 16);
    f.app.current_glyph_index = 5;
    f.app.glyph_read_pending = 1;
    f.Line("03FBMA36A" + pattern + "\r\n");
    EXPECT_EQ(std::string(f.model.glyph_pattern[5], 256), pattern);
    EXPECT_EQ(std::string(f.model.glyph_pattern[5] + 256, 4), "0000");
    EXPECT_EQ(std::string(f.model.glyph_receive_buffer, 256), pattern);
    EXPECT_EQ(f.model.glyph_receive_buffer[256], '0');
    EXPECT_EQ(std::string(f.model.glyph_pattern[4], 256), std::string(256, '0'));
    EXPECT_EQ(f.app.current_glyph_index, 5);
    EXPECT_EQ(f.app.glyph_read_pending, 0);
    EXPECT_EQ(f.prompts.calls, Calls{"paint-glyph-grid(102)"});
}

TEST(SerialReply, GlyphBulkReadAdvances) {
    SerialCase f;
    f.app.glyph_bulk_read_running = 1;
    f.app.current_glyph_index = 0;
    f.Line("03FBMA365" + std::string(256, 'F') + "\r\n");
    f.Line("03FBMA366" + std::string(256, 'E') + "\r\n");
    EXPECT_EQ(f.app.current_glyph_index, 2);
    EXPECT_EQ(f.model.glyph_pattern[0][0], 'F');
    EXPECT_EQ(f.model.glyph_pattern[1][255], 'E');
    EXPECT_TRUE(f.prompts.calls.empty());

    // A short reply changes nothing, so the run asks for the same glyph again.
    f.app.glyph_read_pending = 1;
    f.Line("03FBMA367" + std::string(200, 'D') + "\r\n");
    EXPECT_EQ(f.app.current_glyph_index, 2);
    EXPECT_EQ(f.model.glyph_pattern[2][0], '0');
    EXPECT_EQ(f.app.glyph_read_pending, 0);

    // No slot beyond the last glyph.
    f.app.current_glyph_index = 160;
    f.Line("03FBMA365" + std::string(256, 'F') + "\r\n");
    EXPECT_EQ(f.app.current_glyph_index, 160);
    f.app.current_glyph_index = -1;
    f.Line("03FBMA365" + std::string(256, 'F') + "\r\n");
    EXPECT_EQ(f.app.current_glyph_index, -1);
    EXPECT_EQ(std::string(f.model.glyph_receive_buffer, 256), std::string(256, 'E'));
}

TEST(SerialReply, NetworkSettingsAnswerBareCommands) {
    SerialCase f;
    f.app.address_prefix_on = 0;
    f.Line("IA192.168.001.003\r\n");
    f.Line("GA010.000.000.254\r\n");
    f.Line("AA255.255.255.000\r\n");
    f.Line("MA00-11-22-AA-BB-CC\r\n");
    f.Line("PN09005\r\n");
    f.Line("SMA\r\n");
    f.Line("KAON\r\n");
    f.Line("TR3\r\n");
    const unsigned char ip[4] = {192, 168, 1, 3}, gw[4] = {10, 0, 0, 254},
                        active[4] = {255, 255, 255, 0};
    EXPECT_EQ(std::memcmp(f.model.net_ip_address, ip, 4), 0);
    EXPECT_EQ(std::memcmp(f.model.net_gateway_address, gw, 4), 0);
    EXPECT_EQ(std::memcmp(f.model.net_active_address, active, 4), 0);
    EXPECT_STREQ(f.model.net_mac_address, "00-11-22-AA-BB-CC");
    EXPECT_STREQ(f.model.net_port_number, "09005");
    EXPECT_EQ(f.model.net_subnet_class, 0);
    EXPECT_EQ(f.model.net_keep_alive, 1);
    EXPECT_EQ(f.model.net_time_register, 2);
    EXPECT_TRUE(f.prompts.calls.empty());

    f.Line("KAOF\r\n");
    EXPECT_EQ(f.model.net_keep_alive, 0);
    f.Line("VN1.23\r\n");
    EXPECT_STREQ(f.model.net_version, "1.23");
    EXPECT_EQ(f.prompts.calls, Calls{"set-complete"});
}

// --- Replies that must change nothing --------------------------------------------------------

TEST(SerialReply, ShortOrOutOfRangeRepliesChangeNothing) {
    SerialCase f;
    f.app.current_glyph_index = 0;
    const std::string lines[] = {
        "03AST01T0102\r\n",                              // too short
        "03AST03T" + Repeat("05", 144) + "\r\n",         // channel 3
        "03AST00B" + Repeat("05", 144) + "\r\n",         // channel 0
        "03AST01T" + Repeat("05", 143) + "5X\r\n",       // not a digit
        "03AST01T" + Repeat("05", 143) + "5\r\n" + "5",  // the line ends inside a field
        "03CTD01T" + Repeat("F", 143) + "\r\n",          // one letter short
        "03CTDPO01T\r\n",
        "03CTDPO01T16\r\n",
        "03CTDPO03T01\r\n",
        "03CEL\r\n",
        "03CEL4\r\n",
        "03CWL-\r\n",
        "03SUS01T\r\n",
        "03SUS01T000\r\n",
        "03SUS01T145\r\n",
        "03SUS01T1\r\n",
        "03SUS04TAS\r\n",
        "03P01T\r\n",
        "03P01T000\r\n",
        "03P03TAS\r\n",
        "03P0",
        "03PP01T" + Repeat("001", 143) + "\r\n",       // one number short
        "03PP01T" + Repeat("001", 143) + "000\r\n",    // title 0
        "03PP01T" + Repeat("001", 143) + "145\r\n",    // title 145
        "03CT000" + Repeat("2422", 21) + "\r\n",       // title 0
        "03CT145" + Repeat("2422", 21) + "\r\n",       // title 145
        "03CT001" + Repeat("2422", 20) + "\r\n",       // one code short
        "03CT001" + Repeat("2422", 20) + "24G2\r\n",   // not hexadecimal
        "03FBMA365" + std::string(255, 'F') + "\r\n",  // one pattern character short
        "03FBMA365" + std::string(256, 'G') + "\r\n",  // no hexadecimal digits
        "03IA192.168.001.\r\n",
        "03IA256.000.000.000\r\n",
        "03GA1x2.168.001.003\r\n",
        "03MA00-11-22\r\n",
        "03PN123\r\n",
        "03SMD\r\n",
        "03SM\r\n",
        "03KAO\r\n",
        "03TR0\r\n",
        "03TR7\r\n",
        "03VN1.2\r\n",
    };
    std::unique_ptr<SettingsModel> before = std::make_unique<SettingsModel>(f.model);
    for (const std::string& line : lines) {
        f.Line(line);
        ASSERT_EQ(std::memcmp(before.get(), &f.model, sizeof f.model), 0) << line;
        EXPECT_EQ(f.app.error_reply, 0) << line;
    }
    EXPECT_TRUE(f.prompts.calls.empty());  // no paint, no version box
    EXPECT_EQ(f.app.current_glyph_index, 0);
}

// --- Socket link -------------------------------------------------------------------------------

struct SocketCase : CoreFixture {
    SocketCase() {
        app.interface_type = 1;
        app.active_dialog = 0x66;
    }
    // One reception: length as recv reported it.
    void Receive(const std::string& bytes, int length = -2) {
        std::memset(sockets.socket_reply_buffer, 0, sizeof sockets.socket_reply_buffer);
        std::memcpy(sockets.socket_reply_buffer, bytes.data(),
                    std::min<std::size_t>(bytes.size(), kLinkBufferBytes));
        sockets.socket_reply_length = length == -2 ? static_cast<int>(bytes.size()) : length;
        ParseSocketReply(ctx);
    }
    std::string Assembly() const {
        return std::string(model.socket_reply_assembly_buffer,
                           strnlen(model.socket_reply_assembly_buffer, kLinkBufferBytes));
    }
};

TEST(SocketReply, GoAndItsSilence) {
    SocketCase f;
    f.app.error_reply = 1;
    f.Receive("03GO\r\n");
    EXPECT_EQ(f.prompts.calls, Calls{"success: Socket ＯＫ"});
    EXPECT_EQ(f.app.error_reply, 0);
    f.app.sequence_running = 1;
    f.Receive("03GO\r\n");
    f.app.sequence_running = 0;
    f.app.glyph_bulk_read_running = 1;
    f.Receive("03GO\r\n");
    EXPECT_EQ(f.prompts.calls.size(), 1u);
    EXPECT_EQ(f.sockets.socket_partial_reply, 0);
    EXPECT_EQ(f.Assembly(), "");
}

TEST(SocketReply, DoesNotTouchTheSerialWait) {
    SocketCase f;
    f.app.awaiting_reply = 1;
    f.app.no_reply_ticks = 3;
    f.Receive("03GO\r\n");
    EXPECT_EQ(f.app.awaiting_reply, 1);
    EXPECT_EQ(f.app.no_reply_ticks, 3);
}

TEST(SocketReply, SplitReceptionIsParsedOnceWhenComplete) {
    SocketCase f;
    f.Receive("03G");
    EXPECT_TRUE(f.prompts.calls.empty());
    EXPECT_EQ(f.sockets.socket_partial_reply, 1);
    EXPECT_EQ(f.Assembly(), "03G");
    f.Receive("O\r\n");
    EXPECT_EQ(f.prompts.calls, Calls{"success: Socket ＯＫ"});
    EXPECT_EQ(f.sockets.socket_partial_reply, 0);
    EXPECT_EQ(f.Assembly(), "");
}

TEST(SocketReply, EmptyOrFailedReceptionKeepsWaiting) {
    SocketCase f;
    f.Receive("03P01");
    f.Receive("", 0);
    f.Receive("junk", -1);
    EXPECT_EQ(f.sockets.socket_partial_reply, 1);
    f.Receive("TAS\r\n");
    EXPECT_EQ(f.model.display_page[0], 144);
}

TEST(SocketReply, MergedReceptionParsesEveryLineAndKeepsTheTail) {
    SocketCase f;
    f.app.glyph_read_pending = 1;
    f.Receive("03CEL2\r\n03E1\r\n03CWL");
    EXPECT_EQ(f.model.edge_level, 2);
    EXPECT_EQ(f.prompts.calls, Calls{"error(exclamation): Socket Parity"});
    EXPECT_EQ(f.app.error_reply, 1);
    EXPECT_EQ(f.app.glyph_read_pending, 0);
    EXPECT_EQ(f.sockets.socket_partial_reply, 1);
    EXPECT_EQ(f.Assembly(), "03CWL");
    f.Receive("3\r\n");
    EXPECT_EQ(f.model.white_level, 3);
    EXPECT_EQ(f.app.error_reply, 0);
}

TEST(SocketReply, ErrorCodesAndModeDifference) {
    const std::pair<const char*, const char*> cases[] = {
        {"03E0\r\n", "Socket Framing"},        {"03E1\r\n", "Socket Parity"},
        {"03E2\r\n", "Socket Over run"},       {"03E3\r\n", "Socket Command"},
        {"03MENU\r\n", "Socket Menu Display"},
    };
    for (const auto& [line, text] : cases) {
        SocketCase f;
        f.Receive(line);
        EXPECT_EQ(f.prompts.calls, Calls{std::string("error(exclamation): ") + text});
        EXPECT_EQ(f.app.error_reply, 1);
    }
    SocketCase f;
    f.app.glyph_read_pending = 1;
    f.Receive("03GN\r\n");
    f.Receive("03GN\r\n");
    f.Receive("03XYZ\r\n");
    EXPECT_EQ(f.prompts.calls,
              (Calls{"error(stop): Socket 自動切換え中！", "success: Socket mode difference"}));
    EXPECT_EQ(f.app.error_reply, 0);
}

TEST(SocketReply, SettingRepliesAfterThePrefix) {
    SocketCase f;
    f.Receive("05CTDPO02T03\r\n05SUS01BAS\r\n05PP02B" + Repeat("010", 144) + "\r\n");
    EXPECT_EQ(f.model.position_offset[2], 3);
    EXPECT_EQ(f.model.startup_page[1], 144);
    EXPECT_EQ(f.model.page_title_number[3][77], 9);
    f.Receive("05CT002" + Repeat("2422", 2) + Repeat("2121", 19) + "\r\n");
    EXPECT_EQ(std::string(f.model.title_text[1]), "\x82\xA0\x82\xA0");
}

TEST(SocketReply, NetworkRepliesAreLookedForOnTheWholeText) {
    SocketCase f;
    f.Receive("IA010.001.002.003\r\n");
    EXPECT_EQ(f.model.net_ip_address[3], 3);
    f.Receive("TR4\r\nVN2.01\r\n");
    EXPECT_EQ(f.model.net_time_register, 3);
    EXPECT_STREQ(f.model.net_version, "2.01");
    EXPECT_EQ(f.prompts.calls, Calls{"set-complete"});
    // Behind an address prefix they are not recognised.
    f.Receive("03IA192.168.001.003\r\n03KAON\r\n");
    EXPECT_EQ(f.model.net_ip_address[0], 10);
    EXPECT_EQ(f.model.net_keep_alive, 0);
    EXPECT_EQ(f.app.error_reply, 0);
}

TEST(SocketReply, GlyphReply) {
    SocketCase f;
    f.app.current_glyph_index = 63;
    f.Receive("03FBMA446" + std::string(256, 'A') + "\r\n");
    EXPECT_EQ(f.model.glyph_pattern[63][100], 'A');
    EXPECT_EQ(f.prompts.calls, Calls{"paint-glyph-grid(102)"});
}

TEST(SocketReply, FullReceiveBufferWithoutTerminator) {
    SocketCase f;
    std::string pp = "03PP01T" + Repeat("002", 144) + "\r\n";  // 441 bytes
    std::string bytes = pp + std::string(kLinkBufferBytes - pp.size(), 'Q');
    f.sockets.socket_reply_buffer[kLinkBufferBytes] = 'Z';  // the spare byte holds junk
    std::memcpy(f.sockets.socket_reply_buffer, bytes.data(), kLinkBufferBytes);
    f.sockets.socket_reply_length = kLinkBufferBytes + 50;  // more than was possible
    ParseSocketReply(f.ctx);
    EXPECT_EQ(f.model.page_title_number[0][143], 1);
    EXPECT_EQ(f.Assembly(), std::string(kLinkBufferBytes - pp.size(), 'Q'));
}

TEST(SocketReply, NulEndsAReception) {
    SocketCase f;
    f.Receive(
        std::string("03CEL2\r\n\0"
                    "03CEL3\r\n",
                    16));
    EXPECT_EQ(f.model.edge_level, 2);
    EXPECT_EQ(f.sockets.socket_partial_reply, 0);
}

TEST(SocketReply, OverlongAssemblyIsDiscarded) {
    SocketCase f;
    std::string junk(5000, 'Z');
    for (std::size_t i = 0; i < junk.size(); i += 500) f.Receive(junk.substr(i, 500));
    EXPECT_EQ(f.sockets.socket_partial_reply, 1);
    EXPECT_LE(f.Assembly().size(), static_cast<std::size_t>(kLinkBufferBytes));
    f.Receive("ZZZ03E3\r\n03GO\r\n");
    EXPECT_EQ(f.prompts.calls, Calls{"success: Socket ＯＫ"});
    EXPECT_EQ(f.sockets.socket_partial_reply, 0);
    EXPECT_EQ(f.sockets.socket_discarding_line, 0);
}

// A box opened by one line runs a modal loop in which the next reception may be parsed; the
// assembly must already hold the tail then, and nothing may be parsed twice.
struct ReenteringPrompts : test::RecordingPrompts {
    CoreContext* ctx = nullptr;
    bool reentered = false;
    void ShowErrorBox(std::string_view text, BoxIcon icon) override {
        RecordingPrompts::ShowErrorBox(text, icon);
        if (reentered) return;
        reentered = true;
        const char more[] = "3\r\n";
        std::memcpy(ctx->sockets.socket_reply_buffer, more, sizeof more);
        ctx->sockets.socket_reply_length = 3;
        ParseSocketReply(*ctx);
    }
};

TEST(SocketReply, ReceptionParsedInsideABoxOfAnEarlierLine) {
    CoreFixture f;
    ReenteringPrompts prompts;
    CoreContext ctx{f.model, f.app, f.sockets, prompts, f.link};
    prompts.ctx = &ctx;
    const char first[] = "03E3\r\n03CWL2\r\n03CEL";
    std::memcpy(f.sockets.socket_reply_buffer, first, sizeof first);
    f.sockets.socket_reply_length = sizeof first - 1;
    ParseSocketReply(ctx);
    EXPECT_EQ(f.model.edge_level, 3);  // "03CEL" + "3\r\n", completed inside the box
    EXPECT_EQ(f.model.white_level, 2);
    EXPECT_EQ(prompts.calls, Calls{"error(exclamation): Socket Command"});
    EXPECT_EQ(f.sockets.socket_partial_reply, 0);
}

// --- Random input ------------------------------------------------------------------------------

// Values the rest of the program uses as indexes or fixed-width fields stay in range.
void ExpectModelInBounds(const SettingsModel& m, const AppState& app) {
    for (int p = 0; p < kPositionCount; ++p) {
        ASSERT_GE(m.display_page[p], 0);
        ASSERT_LE(m.display_page[p], 144);
        ASSERT_GE(m.startup_page[p], 0);
        ASSERT_LE(m.startup_page[p], 144);
        ASSERT_GE(m.position_offset[p], 0);
        ASSERT_LE(m.position_offset[p], 15);
        for (int k = 0; k < kPageCount; ++k) {
            ASSERT_GE(m.page_title_number[p][k], 0);
            ASSERT_LE(m.page_title_number[p][k], 143);
            ASSERT_GE(m.page_switch_seconds[p][k], 0);
            ASSERT_LE(m.page_switch_seconds[p][k], 99);
        }
    }
    for (int t = 0; t < kTitleCount; ++t) ASSERT_LT(strnlen(m.title_text[t], kTitleBytes), 43u);
    ASSERT_GE(m.white_level, 0);
    ASSERT_LE(m.white_level, 3);
    ASSERT_GE(m.edge_level, 0);
    ASSERT_LE(m.edge_level, 3);
    ASSERT_GE(m.net_subnet_class, 0);
    ASSERT_LE(m.net_subnet_class, 2);
    ASSERT_GE(m.net_time_register, 0);
    ASSERT_LE(m.net_time_register, 5);
    ASSERT_EQ(strnlen(m.net_port_number, 6), 5u);
    ASSERT_EQ(strnlen(m.net_version, 5), 4u);
    ASSERT_EQ(strnlen(m.net_mac_address, 18), 17u);
    ASSERT_GE(app.current_glyph_index, 0);
    ASSERT_LE(app.current_glyph_index, 160);
}

std::string RandomLine(std::mt19937& rng) {
    static const char* const kStarts[] = {
        "AST0", "CTDPO0", "CTD0", "CEL", "CWL", "SUS0", "CT", "PP0", "P0", "FBM", "AA",   "GA",
        "IA",   "MA",     "PN",   "SM",  "KA",  "TR",   "VN", "GN",  "GO", "E",   "MENU", "",
    };
    static const char kAlphabet[] = "0123456789ABCDEFNTS.-\r\n\x81\x40 \x00\xff";
    std::string line;
    if (rng() % 2) line += Digits2(static_cast<int>(rng() % 40));
    line += kStarts[rng() % (sizeof kStarts / sizeof kStarts[0])];
    std::size_t length = rng() % 8 == 0 ? rng() % 700 : rng() % 20;
    for (std::size_t i = 0; i < length; ++i) {
        // Mostly digits, so that the long replies often decode far enough.
        line += rng() % 3 ? char('0' + rng() % 10) : kAlphabet[rng() % (sizeof kAlphabet - 1)];
    }
    if (rng() % 4) line += "\r\n";
    return line;
}

TEST(RandomReplies, SerialParserStaysInBounds) {
    std::mt19937 rng(5870);
    SerialCase f;
    LineAssembler assembler;
    for (int round = 0; round < 20000; ++round) {
        f.app.address_prefix_on = static_cast<int>(rng() % 2);
        f.app.glyph_bulk_read_running = static_cast<int>(rng() % 2);
        std::string bytes;
        if (rng() % 3 == 0) {
            for (int i = rng() % 64; i > 0; --i) bytes += static_cast<char>(rng());
        } else {
            bytes = RandomLine(rng);
        }
        if (rng() % 2) {
            ParseSerialReply(f.ctx, bytes);
        } else {
            FeedLineAssembler(assembler, bytes.data(), bytes.size(),
                              [&f](std::string_view line) { ParseSerialReply(f.ctx, line); });
        }
        if (f.app.current_glyph_index >= 160) f.app.current_glyph_index = 0;
        ExpectModelInBounds(f.model, f.app);
        ASSERT_LE(assembler.length, sizeof assembler.line);
    }
}

TEST(RandomReplies, SocketParserStaysInBounds) {
    std::mt19937 rng(9004);
    SocketCase f;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        if (rng() % 3 == 0) {
            for (int i = rng() % 700; i > 0; --i) bytes += static_cast<char>(rng());
        } else {
            while (bytes.size() < 600 && rng() % 3) bytes += RandomLine(rng);
        }
        bytes.resize(std::min<std::size_t>(bytes.size(), kLinkBufferBytes));
        int length = rng() % 10 == 0 ? -1 : static_cast<int>(bytes.size());
        f.Receive(bytes, length);
        if (f.app.current_glyph_index >= 160) f.app.current_glyph_index = 0;
        ExpectModelInBounds(f.model, f.app);
        ASSERT_LE(strnlen(f.model.socket_reply_assembly_buffer, kLinkBufferBytes),
                  static_cast<std::size_t>(kLinkBufferBytes));
        ASSERT_TRUE(f.sockets.socket_partial_reply == 0 || f.sockets.socket_partial_reply == 1);
    }
}

}  // namespace
}  // namespace tvx
