// Frames on a line: assembling bytes into lines, who takes a frame (address,
// broadcast, bare), and exactly one reply for an addressed frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_line.h"

namespace tvxsim {
namespace {

struct ThreeDevices : ::testing::Test {
    SimDevice dev[3];
    std::vector<SimDevice*> line;
    void SetUp() override {
        for (int i = 0; i < 3; ++i) {
            ResetDevice(dev[i], i, i + 1);
            line.push_back(&dev[i]);
        }
    }
    FrameResult Send(const std::string& frame, const char* injected = nullptr,
                     bool silent = false) {
        return HandleFrame(line, frame, injected, silent);
    }
};

TEST(SimClassify, PrefixRule) {
    FrameView v = ClassifyFrame("00CWL1\r\n");
    EXPECT_EQ(v.kind, FrameKind::kAddressed);
    EXPECT_EQ(v.address, 0);
    EXPECT_EQ(v.prefix, "00");
    EXPECT_EQ(v.command, "CWL1");
    EXPECT_TRUE(v.has_cr);

    v = ClassifyFrame("31RCWL\r\n");
    EXPECT_EQ(v.kind, FrameKind::kAddressed);
    EXPECT_EQ(v.address, 31);

    v = ClassifyFrame("FFCWL1\r\n");
    EXPECT_EQ(v.kind, FrameKind::kBroadcast);
    EXPECT_EQ(v.prefix, "FF");
    EXPECT_EQ(v.command, "CWL1");

    for (const char* bare : {"CWL1\r\n", "32CWL1\r\n", "99RCWL\r\n", "ffCWL1\r\n", "0\r\n",
                             "F0CWL1\r\n", "0FCWL1\r\n"}) {
        v = ClassifyFrame(bare);
        EXPECT_EQ(v.kind, FrameKind::kBare) << bare;
        EXPECT_EQ(v.prefix, "") << bare;
        EXPECT_EQ(std::string(v.command) + "\r\n", bare);
    }

    EXPECT_EQ(ClassifyFrame("\r\n").kind, FrameKind::kEmpty);
    EXPECT_EQ(ClassifyFrame("\n").kind, FrameKind::kEmpty);

    v = ClassifyFrame("00RCWL\n");
    EXPECT_EQ(v.kind, FrameKind::kAddressed);
    EXPECT_FALSE(v.has_cr);
    EXPECT_EQ(v.command, "RCWL");
}

TEST_F(ThreeDevices, AddressedFrameGetsOneReplyFromItsDevice) {
    FrameResult r = Send("01CWL3\r\n");
    EXPECT_EQ(r.reply, "01GO\r\n");
    EXPECT_EQ(r.reply_address, "01");
    EXPECT_EQ(dev[0].white_level, 1);
    EXPECT_EQ(dev[1].white_level, 3);
    EXPECT_EQ(dev[2].white_level, 1);
    EXPECT_EQ(Send("01RCWL\r\n").reply, "01CWL3\r\n");
    EXPECT_EQ(Send("02RCWL\r\n").reply, "02CWL1\r\n");
    EXPECT_EQ(Send("02RMA\r\n").reply, "02MA02-00-00-00-00-03\r\n");
}

TEST_F(ThreeDevices, FrameForAnotherAddressIsIgnored) {
    FrameResult r = Send("05CWL3\r\n");
    EXPECT_EQ(r.reply, "");
    for (const SimDevice& d : dev) EXPECT_EQ(d.white_level, 1);
    EXPECT_EQ(Send("31RCWL\r\n").reply, "");
}

TEST_F(ThreeDevices, BroadcastIsCarriedOutByAllAndAnsweredByNone) {
    FrameResult r = Send("FFCEL3\r\n");
    EXPECT_EQ(r.reply, "");
    for (const SimDevice& d : dev) EXPECT_EQ(d.edge_level, 3);
    // A broadcast read is answered by nobody either.
    EXPECT_EQ(Send("FFRCEL\r\n").reply, "");
    // A malformed broadcast changes nothing and is not answered.
    EXPECT_EQ(Send("FFCEL9\r\n").reply, "");
    for (const SimDevice& d : dev) EXPECT_EQ(d.edge_level, 3);
}

TEST_F(ThreeDevices, BareFrameGoesToTheFirstDeviceOnly) {
    FrameResult r = Send("CWL2\r\n");
    EXPECT_EQ(r.reply, "GO\r\n");
    EXPECT_EQ(r.reply_address, "");
    EXPECT_EQ(dev[0].white_level, 2);
    EXPECT_EQ(dev[1].white_level, 1);
    EXPECT_EQ(Send("RCWL\r\n").reply, "CWL2\r\n");
    EXPECT_EQ(Send("IA192.168.001.003\r\n").reply, "GO\r\n");
    EXPECT_EQ(Send("RIA\r\n").reply, "IA192.168.001.003\r\n");
    EXPECT_EQ(Send("XYZ\r\n").reply, "E3\r\n");
    EXPECT_EQ(Send("32CWL1\r\n").reply, "E3\r\n");
}

TEST_F(ThreeDevices, SlaveAddressCommandMovesTheDevice) {
    EXPECT_EQ(Send("00SA05\r\n").reply, "00GO\r\n");
    EXPECT_EQ(dev[0].address, 5);
    EXPECT_EQ(Send("00RCWL\r\n").reply, "");
    EXPECT_EQ(Send("05RCWL\r\n").reply, "05CWL1\r\n");
    // Sent bare, as the slave address dialog does: the first device takes it.
    FrameResult r = Send("SA07\r\n");
    EXPECT_EQ(r.reply, "GO\r\n");
    EXPECT_EQ(dev[0].address, 7);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0], "slave address 05 -> 07");
}

TEST_F(ThreeDevices, DevicesSharingAnAddressAnswerOnce) {
    EXPECT_EQ(Send("02SA01\r\n").reply, "02GO\r\n");
    FrameResult r = Send("01CWL0\r\n");
    EXPECT_EQ(r.reply, "01GO\r\n");
    EXPECT_EQ(dev[1].white_level, 0);
    EXPECT_EQ(dev[2].white_level, 0);
}

TEST_F(ThreeDevices, BroadcastAddressChangeMovesEveryDevice) {
    EXPECT_EQ(Send("FFSA09\r\n").reply, "");
    for (const SimDevice& d : dev) EXPECT_EQ(d.address, 9);
    EXPECT_EQ(Send("09RCWL\r\n").reply, "09CWL1\r\n");
}

TEST_F(ThreeDevices, MissingCarriageReturnIsACommandError) {
    EXPECT_EQ(Send("00CWL3\n").reply, "00E3\r\n");
    EXPECT_EQ(dev[0].white_level, 1);
    EXPECT_EQ(Send("00\r\n").reply, "00E3\r\n");
}

TEST_F(ThreeDevices, EmptyLineIsIgnored) {
    FrameResult r = Send("\r\n");
    EXPECT_EQ(r.reply, "");
    EXPECT_EQ(r.events.size(), 1u);
}

TEST_F(ThreeDevices, InjectedErrorReplacesTheReplyAndTheCommandIsNotCarriedOut) {
    FrameResult r = Send("01CWL3\r\n", "E1");
    EXPECT_EQ(r.reply, "01E1\r\n");
    EXPECT_TRUE(r.injected_used);
    EXPECT_EQ(dev[1].white_level, 1);
    EXPECT_EQ(Send("RCWL\r\n", "MENU").reply, "MENU\r\n");
    // Nobody here answers 07: the injection is not used.
    r = Send("07CWL3\r\n", "E0");
    EXPECT_EQ(r.reply, "");
    EXPECT_FALSE(r.injected_used);
}

TEST_F(ThreeDevices, SilentDevicesNeitherAnswerNorAct) {
    FrameResult r = Send("00CWL3\r\n", nullptr, true);
    EXPECT_EQ(r.reply, "");
    EXPECT_EQ(dev[0].white_level, 1);
    EXPECT_EQ(Send("FFCWL3\r\n", nullptr, true).reply, "");
    EXPECT_EQ(dev[2].white_level, 1);
}

TEST(SimAssembler, LinesAcrossReadsAndSeveralInOneRead) {
    LineAssembler a;
    AssembledInput in;
    FeedBytes(a, "00G", 3, false, in);
    EXPECT_TRUE(in.frames.empty());
    FeedBytes(a, "O\r\n01R", 6, false, in);
    ASSERT_EQ(in.frames.size(), 1u);
    EXPECT_EQ(in.frames[0], "00GO\r\n");
    std::string rest = "CWL\r\n02RCWL\r\n03";
    FeedBytes(a, rest.data(), rest.size(), false, in);
    ASSERT_EQ(in.frames.size(), 3u);
    EXPECT_EQ(in.frames[1], "01RCWL\r\n");
    EXPECT_EQ(in.frames[2], "02RCWL\r\n");
    EXPECT_EQ(a.pending, "03");
}

TEST(SimAssembler, FlowControlBytesAreDroppedOnTheSerialLineOnly) {
    const std::string bytes =
        "\x11"
        "00RC\x13WL\r\n\x11";
    LineAssembler serial, tcp;
    AssembledInput s, t;
    FeedBytes(serial, bytes.data(), bytes.size(), true, s);
    FeedBytes(tcp, bytes.data(), bytes.size(), false, t);
    ASSERT_EQ(s.frames.size(), 1u);
    EXPECT_EQ(s.frames[0], "00RCWL\r\n");
    EXPECT_TRUE(serial.pending.empty());
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(t.frames[0],
              "\x11"
              "00RC\x13WL\r\n");
}

TEST(SimAssembler, OverlongLineIsDiscardedUpToTheNextLineFeed) {
    LineAssembler a;
    AssembledInput in;
    // 10 MB without a line feed, fed in pieces: the buffer never holds more
    // than the bound, and one event reports the discard.
    std::string chunk(65536, 'A');
    size_t most = 0;
    for (int i = 0; i < 160; ++i) {
        FeedBytes(a, chunk.data(), chunk.size(), false, in);
        most = std::max(most, a.pending.size());
    }
    EXPECT_LT(most, kMaxLineBytes);
    EXPECT_TRUE(in.frames.empty());
    EXPECT_EQ(in.events.size(), 1u);
    const std::string tail = "AAAA\r\n00RCWL\r\n";
    FeedBytes(a, tail.data(), tail.size(), false, in);
    ASSERT_EQ(in.frames.size(), 1u);
    EXPECT_EQ(in.frames[0], "00RCWL\r\n");
}

TEST(SimAssembler, LongestValidFrameFits) {
    LineAssembler a;
    AssembledInput in;
    std::string frame = "00PP01T" + std::string(432, '1') + "\r\n";
    FeedBytes(a, frame.data(), frame.size(), false, in);
    ASSERT_EQ(in.frames.size(), 1u);
    EXPECT_TRUE(in.events.empty());
}

TEST(SimAssembler, BinaryNoiseNeverCrashesTheLine) {
    SimDevice d;
    ResetDevice(d, 0, 1);
    std::vector<SimDevice*> line{&d};
    LineAssembler a;
    uint32_t x = 12345;
    std::string noise;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        noise += static_cast<char>(x >> 24);
    }
    AssembledInput in;
    FeedBytes(a, noise.data(), noise.size(), true, in);
    EXPECT_FALSE(in.frames.empty());
    int replies = 0;
    for (const std::string& f : in.frames) {
        FrameResult r = HandleFrame(line, f, nullptr, false);
        if (!r.reply.empty()) {
            ++replies;
            EXPECT_EQ(r.reply.substr(r.reply.size() - 2), "\r\n");
        }
    }
    EXPECT_GT(replies, 0);  // bare noise lines are answered E3
}

}  // namespace
}  // namespace tvxsim
