// The reply schedule behind the fault options: delays, pieces, merged
// replies, line noise and the 9600-baud pace.
#include <gtest/gtest.h>

#include <string>

#include "sim_output.h"

namespace tvxsim {
namespace {

std::string Joined(const ReplySchedule& s) {
    std::string out;
    for (const OutChunk& c : s.queue) out += c.bytes;
    return out;
}

TEST(SimSchedule, PlainReplyGoesOutAtOnce) {
    ReplySchedule s;
    ReplyFaults f;
    ScheduleReply(s, f, "01GO\r\n", "01", 100.0);
    ASSERT_EQ(s.queue.size(), 1u);
    EXPECT_EQ(s.queue[0].bytes, "01GO\r\n");
    EXPECT_EQ(s.queue[0].address, "01");
    EXPECT_DOUBLE_EQ(s.queue[0].due, 100.0);
}

TEST(SimSchedule, DelayedRepliesKeepTheirOrder) {
    ReplySchedule s;
    ReplyFaults f;
    f.reply_delay_ms = 250;
    ScheduleReply(s, f, "01GO\r\n", "01", 100.0);
    ScheduleReply(s, f, "01CWL1\r\n", "01", 100.1);
    ASSERT_EQ(s.queue.size(), 2u);
    EXPECT_NEAR(s.queue[0].due, 100.25, 1e-9);
    EXPECT_NEAR(s.queue[1].due, 100.35, 1e-9);
    EXPECT_EQ(Joined(s), "01GO\r\n01CWL1\r\n");
}

TEST(SimSchedule, SplitSendsPrefixAndLetterFirst) {
    ReplySchedule s;
    ReplyFaults f;
    f.split = true;
    ScheduleReply(s, f, "01GO\r\n", "01", 10.0);
    ASSERT_EQ(s.queue.size(), 2u);
    EXPECT_EQ(s.queue[0].bytes, "01G");
    EXPECT_EQ(s.queue[1].bytes, "O\r\n");
    EXPECT_NEAR(s.queue[1].due - s.queue[0].due, kSplitPauseSeconds, 1e-9);
    // The next reply waits behind the last piece.
    ScheduleReply(s, f, "01GO\r\n", "01", 10.0);
    EXPECT_GE(s.queue[2].due, s.queue[1].due);
    // A loop that wakes late, when both pieces are due, still leaves the pause between them:
    // the second is due a pause after the first actually left.
    ChunkLeft(s, 10.3);
    EXPECT_EQ(s.queue.front().bytes, "O\r\n");
    EXPECT_NEAR(s.queue.front().due, 10.3 + kSplitPauseSeconds, 1e-9);
    ChunkLeft(s, 10.35);
    EXPECT_NEAR(s.queue.front().due, 10.35, 1e-9) << "a new reply keeps its own time";
}

TEST(SimSchedule, LongSplitReplyComesInThreePiecesThatAddUp) {
    ReplySchedule s;
    ReplyFaults f;
    f.split = true;
    std::string reply = "00PP01T" + std::string(432, '7') + "\r\n";
    ScheduleReply(s, f, reply, "00", 0.0);
    ASSERT_EQ(s.queue.size(), 3u);
    EXPECT_EQ(s.queue[0].bytes, "00P");
    EXPECT_EQ(Joined(s), reply);
    EXPECT_LT(s.queue[0].due, s.queue[1].due);
    EXPECT_LT(s.queue[1].due, s.queue[2].due);
}

TEST(SimSchedule, MergeHoldsEveryOtherReply) {
    ReplySchedule s;
    ReplyFaults f;
    f.merge = true;
    ScheduleReply(s, f, "01GO\r\n", "01", 0.0);
    EXPECT_TRUE(s.queue.empty());
    EXPECT_EQ(QueuedBytes(s), 6u);
    ScheduleReply(s, f, "01CWL1\r\n", "01", 0.1);
    ASSERT_EQ(s.queue.size(), 1u);
    EXPECT_EQ(s.queue[0].bytes, "01GO\r\n01CWL1\r\n");
    ScheduleReply(s, f, "01GO\r\n", "01", 0.2);
    EXPECT_EQ(s.queue.size(), 1u);
}

TEST(SimSchedule, GarbageComesBeforeTheReplyAsItsOwnLine) {
    ReplySchedule s;
    ReplyFaults f;
    f.garbage = true;
    ScheduleReply(s, f, "01GO\r\n", "01", 0.0);
    ASSERT_EQ(s.queue.size(), 2u);
    const std::string& noise = s.queue[0].bytes;
    EXPECT_EQ(s.queue[0].address, "");
    EXPECT_EQ(noise.back(), '\n');
    EXPECT_EQ(s.queue[1].bytes, "01GO\r\n");
}

TEST(SimSchedule, NoiseNeverHoldsFlowControlOrLineEnds) {
    uint32_t state = 1;
    for (int i = 0; i < 5000; ++i) {
        std::string n = NoiseLine(state);
        ASSERT_GE(n.size(), 4u);
        ASSERT_LE(n.size(), 7u);
        ASSERT_EQ(n.back(), '\n');
        for (size_t k = 0; k + 1 < n.size(); ++k) {
            unsigned char b = static_cast<unsigned char>(n[k]);
            ASSERT_NE(b, 0x11);
            ASSERT_NE(b, 0x13);
            ASSERT_NE(b, 0x0A);
            ASSERT_NE(b, 0x0D);
            ASSERT_NE(b, 0x00);
        }
    }
}

TEST(SimBudget, PaceIsThatOfA9600BaudLine) {
    ByteBudget b;
    b.last = 0;
    size_t sent = Take(b, 1000, 0.0);
    EXPECT_EQ(sent, kBaudBurstBytes);
    EXPECT_EQ(Take(b, 1000, 0.0), 0u);
    // Over ten seconds, in 10 ms steps, about 8727 bytes get through.
    for (int i = 1; i <= 1000; ++i) sent += Take(b, 1000, i * 0.01);
    EXPECT_NEAR(static_cast<double>(sent), 10 * kBaudBytesPerSecond + kBaudBurstBytes, 2.0);
    // An empty bucket: the next byte fits about 1.15 ms later.
    ByteBudget e;
    e.last = 5.0;
    EXPECT_EQ(Take(e, kBaudBurstBytes, 5.0), kBaudBurstBytes);
    EXPECT_NEAR(NextTime(e, 5.0) - 5.0, 1.0 / kBaudBytesPerSecond, 1e-9);
    EXPECT_DOUBLE_EQ(NextTime(e, 6.0), 6.0);
}

}  // namespace
}  // namespace tvxsim
