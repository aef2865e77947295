// What each parser says a line did, for callers that match a reply to its command.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

struct OutcomeCase {
    const char* line;
    ReplyKind kind;
    const char* code;
};

TEST(ReplyOutcome, SerialLinesSayWhatTheyDid) {
    std::string good_title = "00CT005";
    for (int i = 0; i < 21; ++i) good_title += "2121";
    const OutcomeCase cases[] = {
        {"00GO\r\n", ReplyKind::Acknowledged, ""},
        {"00CWL3\r\n", ReplyKind::Applied, ""},
        {"00CWL9\r\n", ReplyKind::Refused, ""},   // level outside 0..3
        {"00CT005\r\n", ReplyKind::Refused, ""},  // no codes
        {"00P01TAS\r\n", ReplyKind::Applied, ""},
        {"00GN\r\n", ReplyKind::Other, ""},
        {"00XYZ\r\n", ReplyKind::Other, ""},
        {"00E0\r\n", ReplyKind::Error, "E0"},
        {"00E3\r\n", ReplyKind::Error, "E3"},
        {"00MENU\r\n", ReplyKind::Error, "MENU"},
    };
    for (const OutcomeCase& c : cases) {
        CoreFixture f;
        f.app.address_prefix_on = 1;
        ReplyOutcome outcome = ParseSerialReply(f.ctx, c.line);
        EXPECT_EQ(outcome.kind, c.kind) << c.line;
        EXPECT_EQ(outcome.error_code, c.code) << c.line;
    }
    CoreFixture f;
    f.app.address_prefix_on = 1;
    EXPECT_EQ(ParseSerialReply(f.ctx, good_title + "\r\n").kind, ReplyKind::Applied);
    // Bare network replies; the version reply raises its box and counts as applied.
    f.app.address_prefix_on = 0;
    EXPECT_EQ(ParseSerialReply(f.ctx, "IA192.168.001.003\r\n").kind, ReplyKind::Applied);
    EXPECT_EQ(ParseSerialReply(f.ctx, "IA192.168.001.300\r\n").kind, ReplyKind::Refused);
    EXPECT_EQ(ParseSerialReply(f.ctx, "VN1.23\r\n").kind, ReplyKind::Applied);
    EXPECT_EQ(ParseSerialReply(f.ctx, "VN1\r\n").kind, ReplyKind::Refused);
    // Two lines in one text: the last one counts.
    f.app.address_prefix_on = 1;
    ReplyOutcome last = ParseSerialReply(f.ctx, "00GO\r\n00E2\r\n");
    EXPECT_EQ(last.kind, ReplyKind::Error);
    EXPECT_EQ(last.error_code, "E2");
}

TEST(ReplyOutcome, SocketReceptionsSayWhatTheirLastLineDid) {
    CoreFixture f;
    f.app.interface_type = 1;
    auto receive = [&f](const std::string& bytes) {
        std::memset(f.sockets.socket_reply_buffer, 0, sizeof f.sockets.socket_reply_buffer);
        std::memcpy(f.sockets.socket_reply_buffer, bytes.data(), bytes.size());
        f.sockets.socket_reply_length = static_cast<int>(bytes.size());
        return ParseSocketReply(f.ctx);
    };
    EXPECT_EQ(receive("07G").kind, ReplyKind::None);  // waits for its line feed
    EXPECT_EQ(receive("O\r\n").kind, ReplyKind::Acknowledged);
    EXPECT_EQ(receive("07CEL2\r\n").kind, ReplyKind::Applied);
    EXPECT_EQ(f.model.edge_level, 2);
    EXPECT_EQ(receive("07CTDPO01T99\r\n").kind, ReplyKind::Refused);  // offset outside 0..15
    ReplyOutcome error = receive("07GO\r\n07MENU\r\n");
    EXPECT_EQ(error.kind, ReplyKind::Error);
    EXPECT_EQ(error.error_code, "MENU");
    EXPECT_EQ(receive("07GN\r\n").kind, ReplyKind::Other);
}

}  // namespace
}  // namespace tvx
