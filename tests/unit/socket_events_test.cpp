#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/link_log_summary.h"
#include "link/send.h"
#include "link/socket_events.h"
#include "model/comm_log.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

TEST(LinkMessages, ErrorCodeAndEventNumberFillThePlaceholder) {
    EXPECT_EQ(FormatLinkMessage(kSocketCreateText, 10093),
              "WINSOCK.DLLが動作していません。[10093]");
    EXPECT_EQ(FormatLinkMessage(kAsyncSelectText, 10038),
              "WINSOCK.DLLの WSAAsyncSelect() からのエラー。[10038]");
    EXPECT_EQ(FormatLinkMessage(kUnknownEventText, 64), "ﾈｯﾄﾜｰｸ･ｴﾗｰ(event 64)");
    EXPECT_EQ(FormatLinkMessage(kBindText, 10048), "Bindできません");
}

TEST(SocketEvents, ErrorHalfWinsOverTheEvent) {
    EXPECT_EQ(ClassifySocketEvent(16 | (10061u << 16)), SocketEventKind::Error);
    EXPECT_EQ(ClassifySocketEvent(32 | (10053u << 16)), SocketEventKind::Error);
    EXPECT_EQ(ClassifySocketEvent(1), SocketEventKind::Read);
    EXPECT_EQ(ClassifySocketEvent(2), SocketEventKind::Write);
    EXPECT_EQ(ClassifySocketEvent(8), SocketEventKind::Accept);
    EXPECT_EQ(ClassifySocketEvent(16), SocketEventKind::Connect);
    EXPECT_EQ(ClassifySocketEvent(32), SocketEventKind::Close);
    // Out-of-band data and anything unnamed are unexpected; so are two events in one word.
    EXPECT_EQ(ClassifySocketEvent(4), SocketEventKind::Unknown);
    EXPECT_EQ(ClassifySocketEvent(64), SocketEventKind::Unknown);
    EXPECT_EQ(ClassifySocketEvent(1 | 32), SocketEventKind::Unknown);
    EXPECT_EQ(SocketEventNumber(0x274D0010u), 16);
    EXPECT_EQ(SocketEventError(0x274D0010u), 10061);
}

TEST(ClosedSockets, NotificationsBeforeTheMarkerAreTheClosedSocketsOnly) {
    ClosedSocketMarks marks;
    EXPECT_FALSE(IsFromClosedSocket(marks, 0x120));
    ASSERT_TRUE(NoteSocketClosed(marks, 0x120));
    EXPECT_TRUE(IsFromClosedSocket(marks, 0x120));
    EXPECT_FALSE(IsFromClosedSocket(marks, 0x124));
    // Closed again (a successor with the same number) before the first marker came back.
    ASSERT_TRUE(NoteSocketClosed(marks, 0x120));
    NoteMarkerReturned(marks, 0x120);
    EXPECT_TRUE(IsFromClosedSocket(marks, 0x120));
    NoteMarkerReturned(marks, 0x120);
    EXPECT_FALSE(IsFromClosedSocket(marks, 0x120));
    NoteMarkerReturned(marks, 0x120);  // a stray marker changes nothing
    EXPECT_FALSE(IsFromClosedSocket(marks, 0x120));
    // A full table tracks no more sockets rather than forgetting one.
    for (int i = 0; i < kClosedSocketMarks; ++i) ASSERT_TRUE(NoteSocketClosed(marks, 1000 + i));
    EXPECT_FALSE(NoteSocketClosed(marks, 5000));
    EXPECT_FALSE(IsFromClosedSocket(marks, 5000));
    EXPECT_TRUE(IsFromClosedSocket(marks, 1000 + kClosedSocketMarks - 1));
}

TEST(ClosedSockets, ADeviceIsGoneForKeepAliveAndDropErrorsOnly) {
    for (int error : {10052, 10053, 10054, 10060}) EXPECT_TRUE(IsPeerGoneError(error)) << error;
    for (int error : {0, 10050, 10061, 10065}) EXPECT_FALSE(IsPeerGoneError(error)) << error;
    for (int error : {10052, 10053, 10054, 10057, 10060})
        EXPECT_TRUE(IsGoneBeforeAcceptError(error)) << error;
    for (int error : {0, 10024, 10035, 10055})
        EXPECT_FALSE(IsGoneBeforeAcceptError(error)) << error;
}

// The log of a storm: "link | text | meaning" of each entry made.
struct StormLog : CoreFixture {
    CommLog log;
    StormLog() {
        ctx.comm_log = &log;
        log.capacity = 1000;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < LogSize(log); ++i) {
            const LogEntry& e = LogEntryAt(log, i);
            out.push_back(e.link + " | " + e.text + " | " + e.meaning);
        }
        return out;
    }
};

TEST(StormLog, RepeatedRefusalsOfAHostAreOneEntryWithTheirNumber) {
    StormLog f;
    const std::string full = "connection refused: all 96 slots are taken";
    for (std::uint64_t ms = 100000; ms < 109000; ms += 1)
        LogRepeatedLinkEvent(f.ctx, "192.168.1.7", full, ms);
    LogRepeatedLinkEvent(f.ctx, "192.168.1.8", full, 109500);
    LogRepeatedLinkEvent(f.ctx, "192.168.1.7", full, 110000);  // ten seconds after the first
    LogRepeatedLinkEvent(f.ctx, "192.168.1.7", full, 110001);
    EXPECT_TRUE(FlushLinkLogSummaries(f.ctx, 110002, false));  // counted, nothing due yet
    EXPECT_EQ(f.Entries().size(), 3u);
    EXPECT_TRUE(FlushLinkLogSummaries(f.ctx, 119600, true));
    EXPECT_EQ(
        f.Entries(),
        (std::vector<std::string>{
            "192.168.1.7 | connection refused: all 96 slots are taken | ",
            "192.168.1.8 | connection refused: all 96 slots are taken | ",
            "192.168.1.7 | connection refused: all 96 slots are taken (9000 more times in 10 s) | ",
            "192.168.1.7 | connection refused: all 96 slots are taken (1 more time in 9 s) | ",
        }));
    // Quiet for ten seconds: the kinds are forgotten, and the next one is logged at once.
    EXPECT_FALSE(FlushLinkLogSummaries(f.ctx, 130000, false));
    LogRepeatedLinkEvent(f.ctx, "192.168.1.7", full, 130001);
    EXPECT_EQ(f.Entries().size(), 5u);
    EXPECT_EQ(f.Entries().back(), "192.168.1.7 | connection refused: all 96 slots are taken | ");
}

TEST(StormLog, ManyHostsKeepTheTableBoundedAndLoseNoCount) {
    StormLog f;
    for (int host = 0; host <= kRepeatedEventKinds; ++host)
        for (int i = 0; i < 3; ++i)
            LogRepeatedLinkEvent(f.ctx, "10.0.0." + std::to_string(host), "reset", 1000 + host);
    // The 17th host takes the entry of the first, whose two repeats are logged then.
    const std::vector<std::string> entries = f.Entries();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kRepeatedEventKinds + 2));
    EXPECT_EQ(entries[kRepeatedEventKinds], "10.0.0.0 | reset (2 more times in 0 s) | ");
    EXPECT_EQ(entries.back(), "10.0.0.16 | reset | ");
}

TEST(StormLog, UnaskedBytesAreLoggedAFewPiecesAtATimeThenCounted) {
    StormLog f;
    f.app.tcp_role = 1;
    StoreClient(f.sockets, 3, 0x33, "192.168.1.9");
    const std::string piece(600, 'A');
    // Six megabytes in ten seconds.
    for (std::uint64_t ms = 0; ms < 10000; ms += 1) LogDroppedBytes(f.ctx, 3, piece, 50000 + ms);
    // A new ten seconds: a few pieces logged again, the next one only counted (reads may rest).
    EXPECT_FALSE(LogDroppedBytes(f.ctx, 3, "late\r\n", 60000));
    for (std::uint64_t ms : {60001, 60002, 60003})
        EXPECT_FALSE(LogDroppedBytes(f.ctx, 3, "BB", ms));
    EXPECT_TRUE(LogDroppedBytes(f.ctx, 3, "CCC", 60004));
    FlushDroppedBytes(f.ctx, 3, 62000);  // the device closes
    const std::string a64(64, 'A');
    const std::string why = "dropped: no command waits for an answer";
    EXPECT_EQ(f.Entries(),
              (std::vector<std::string>{
                  "192.168.1.9 slot 3 | " + a64 + " | " + why + " (600 bytes)",
                  "192.168.1.9 slot 3 | " + a64 + " | " + why + " (600 bytes)",
                  "192.168.1.9 slot 3 | " + a64 + " | " + why + " (600 bytes)",
                  "192.168.1.9 slot 3 | " + a64 + " | " + why + " (600 bytes)",
                  "192.168.1.9 slot 3 | " + a64 + " | " + why + " (5997600 more bytes in 10 s)",
                  "192.168.1.9 slot 3 | late\\r\\n | " + why,
                  "192.168.1.9 slot 3 | BB | " + why,
                  "192.168.1.9 slot 3 | BB | " + why,
                  "192.168.1.9 slot 3 | BB | " + why,
                  "192.168.1.9 slot 3 | CCC | " + why + " (3 more bytes in 2 s)",
              }));
    EXPECT_FALSE(FlushLinkLogSummaries(f.ctx, 70000, true));
    EXPECT_EQ(f.Entries().size(), 10u);

    // The program's log says the same in Japanese.
    StormLog ja;
    ja.log.words = LogWords::Japanese;
    ja.app.tcp_role = 1;
    StoreClient(ja.sockets, 3, 0x33, "192.168.1.9");
    for (int i = 0; i < 6; ++i) LogDroppedBytes(ja.ctx, 3, piece, 1000 + i);
    FlushDroppedBytes(ja.ctx, 3, 3000);
    const std::string ja_why = "破棄: 応答を待つコマンドがありません";
    ASSERT_EQ(ja.Entries().size(), 5u);
    EXPECT_EQ(ja.Entries()[0], "192.168.1.9 slot 3 | " + a64 + " | " + ja_why + "（600 バイト）");
    EXPECT_EQ(ja.Entries()[4],
              "192.168.1.9 slot 3 | " + a64 + " | " + ja_why + "（2 s にさらに 1200 バイト）");
}

TEST(ClientSlots, SlotZeroIsNeverGivenAndTheNinetySeventhFindsNone) {
    CoreFixture f;
    EXPECT_EQ(FindFreeClientSlot(f.sockets), 1);
    for (int i = 1; i <= 96; ++i) {
        int slot = FindFreeClientSlot(f.sockets);
        ASSERT_EQ(slot, i);
        StoreClient(f.sockets, slot, 1000 + i, "10.0.0.1");
    }
    EXPECT_EQ(FindFreeClientSlot(f.sockets), 0);
    // A freed slot in the middle is the next one given out.
    EXPECT_EQ(ReleaseClientSocket(f.sockets, 1040), 40);
    EXPECT_EQ(FindFreeClientSlot(f.sockets), 40);
}

TEST(ClientSlots, ReleaseEmptiesTheSlotAndLeavesSlotZeroAlone) {
    CoreFixture f;
    StoreClient(f.sockets, 1, 500, "127.0.0.1");
    EXPECT_EQ(ReleaseClientSocket(f.sockets, 500), 1);
    EXPECT_EQ(f.sockets.client_slots[1].in_use, 0);
    EXPECT_EQ(f.sockets.client_slots[1].socket, 0u);
    EXPECT_STREQ(f.sockets.client_slots[1].peer_address, " ");
    // The client role's own socket is in no slot: nothing changes, slot 0 stays reserved.
    EXPECT_EQ(ReleaseClientSocket(f.sockets, 777), 0);
    EXPECT_EQ(ReleaseClientSocket(f.sockets, 0), 0);
    EXPECT_EQ(f.sockets.client_slots[0].in_use, 1);
    EXPECT_EQ(FindFreeClientSlot(f.sockets), 1);
}

TEST(ClientSlots, PeerTextIsCutToTheSlotAndReadOnlyInsideTheTable) {
    CoreFixture f;
    StoreClient(f.sockets, 2, 9, "255.255.255.255-and-more");
    EXPECT_EQ(ClientPeerText(f.sockets, 2), "255.255.255.255-");
    EXPECT_EQ(ClientPeerText(f.sockets, -1), "");
    EXPECT_EQ(ClientPeerText(f.sockets, 97), "");
    StoreClient(f.sockets, 0, 9, "x");  // slot 0 is not for clients
    StoreClient(f.sockets, 97, 9, "x");
    EXPECT_EQ(ClientPeerText(f.sockets, 0), "");
}

TEST(ClientSlots, ConnectedClientsAreListedInSlotOrderWithoutGaps) {
    CoreFixture f;
    StoreClient(f.sockets, 1, 11, "10.0.0.1");
    StoreClient(f.sockets, 2, 12, "10.0.0.2");
    StoreClient(f.sockets, 3, 13, "10.0.0.3");
    ReleaseClientSocket(f.sockets, 12);
    int slots[kMaxClients];
    ASSERT_EQ(ConnectedClientSlots(f.sockets, slots), 2);
    EXPECT_EQ(slots[0], 1);
    EXPECT_EQ(slots[1], 3);
}

TEST(LinkSettings, PortTextIsReadAsDecimalWithinTheTcpRange) {
    AppState app;
    int port = 0;
    ASSERT_TRUE(LinkPortNumber(app, port));  // default "09004"
    EXPECT_EQ(port, 9004);
    std::strcpy(app.tcp_port_text, "65535");
    ASSERT_TRUE(LinkPortNumber(app, port));
    EXPECT_EQ(port, 65535);
    std::strcpy(app.tcp_port_text, "80x");
    ASSERT_TRUE(LinkPortNumber(app, port));
    EXPECT_EQ(port, 80);
    port = 1234;
    for (const char* bad : {"65536", "99999", "0", "00000", "", "abc", "-1"}) {
        std::strcpy(app.tcp_port_text, bad);
        EXPECT_FALSE(LinkPortNumber(app, port)) << bad;
    }
    EXPECT_EQ(port, 1234);
}

TEST(LinkSettings, HostAddressIsConnectedAsPlainDottedText) {
    const unsigned char a[4] = {192, 168, 1, 3};
    EXPECT_EQ(DottedAddressText(a), "192.168.1.3");
    const unsigned char b[4] = {0, 0, 0, 0};
    EXPECT_EQ(DottedAddressText(b), "0.0.0.0");
    const unsigned char c[4] = {255, 255, 255, 255};
    EXPECT_EQ(DottedAddressText(c), "255.255.255.255");
}

// The answer pieces between the answer wait and the dialog.
void Push(SocketLinkState& s, int mark, const std::string& bytes,
          PieceFate expected = PieceFate::Announce) {
    EXPECT_EQ(PushReplyPiece(s.reply_queue, mark, bytes.data(), static_cast<int>(bytes.size())),
              expected);
}

std::string Take(SocketLinkState& s) {
    if (!TakeReplyPiece(s)) return "<none>";
    return std::string(s.socket_reply_buffer, s.socket_reply_length);
}

TEST(ReplyQueue, PiecesAreTakenInOrderAndNeverOverwritten) {
    CoreFixture f;
    int mark = BeginAnswerExchange(f.sockets.reply_queue);
    Push(f.sockets, mark, "00G");
    Push(f.sockets, mark, "O\r");
    Push(f.sockets, mark, "\n");
    EXPECT_EQ(Take(f.sockets), "00G");
    EXPECT_EQ(f.sockets.socket_reply_length, 3);
    EXPECT_EQ(Take(f.sockets), "O\r");
    EXPECT_EQ(Take(f.sockets), "\n");
    EXPECT_EQ(f.sockets.socket_reply_length, 1);
    EXPECT_EQ(Take(f.sockets), "<none>");
}

TEST(ReplyQueue, FullQueueJoinsPiecesOfTheSameAnswerOnly) {
    CoreFixture f;
    SocketReplyQueue& q = f.sockets.reply_queue;
    int mark = BeginAnswerExchange(q);
    for (int i = 0; i < kReplyQueuePieces; ++i) Push(f.sockets, mark, std::string(1, 'a' + i));
    Push(f.sockets, mark, "XY", PieceFate::Joined);
    Push(f.sockets, mark, "Z", PieceFate::Joined);
    std::string all;
    int messages = 0;
    for (std::string piece; (piece = Take(f.sockets)) != "<none>"; ++messages) all += piece;
    EXPECT_EQ(messages, kReplyQueuePieces);
    EXPECT_EQ(all, "abcdefghXYZ");

    // A queue filled by an earlier answer cannot take a piece of the next one.
    mark = BeginAnswerExchange(q);
    for (int i = 0; i < kReplyQueuePieces; ++i) Push(f.sockets, mark, "x");
    int next = BeginAnswerExchange(q);
    Push(f.sockets, next, "00GO\r\n", PieceFate::Lost);
    EXPECT_EQ(q.count, kReplyQueuePieces);
}

TEST(ReplyQueue, AFullBufferPieceStaysTerminatedAndAnEmptyPieceIsNotKept) {
    CoreFixture f;
    int mark = BeginAnswerExchange(f.sockets.reply_queue);
    std::string big(kLinkBufferBytes + 50, 'Q');
    Push(f.sockets, mark, big);
    Push(f.sockets, mark, "", PieceFate::Joined);
    ASSERT_TRUE(TakeReplyPiece(f.sockets));
    EXPECT_EQ(f.sockets.socket_reply_length, kLinkBufferBytes);
    EXPECT_EQ(f.sockets.socket_reply_buffer[kLinkBufferBytes], '\0');
    EXPECT_EQ(std::strlen(f.sockets.socket_reply_buffer), std::size_t(kLinkBufferBytes));
    EXPECT_FALSE(TakeReplyPiece(f.sockets));
}

TEST(ReplyQueue, ReplyInPiecesIsParsedOnceWhenItsLineFeedArrives) {
    CoreFixture f;
    int mark = BeginAnswerExchange(f.sockets.reply_queue);
    Push(f.sockets, mark, "03G");
    Push(f.sockets, mark, "O\r\n");
    OnSocketReplyMessage(f.ctx);
    EXPECT_TRUE(f.prompts.calls.empty());
    OnSocketReplyMessage(f.ctx);
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"success: Socket ＯＫ"});
    // A message without a piece does nothing.
    OnSocketReplyMessage(f.ctx);
    EXPECT_EQ(f.prompts.calls.size(), 1u);
}

TEST(ReplyQueue, TwoAnswersBeforeTheDialogTakesEitherAreBothParsed) {
    CoreFixture f;
    SocketReplyQueue& q = f.sockets.reply_queue;
    int first = BeginAnswerExchange(q);
    Push(f.sockets, first, "00GO\r\n");
    int second = BeginAnswerExchange(q);
    Push(f.sockets, second, "00E3\r\n");
    OnSocketReplyMessage(f.ctx);
    OnSocketReplyMessage(f.ctx);
    EXPECT_EQ(f.prompts.calls, (std::vector<std::string>{"success: Socket ＯＫ",
                                                         "error(exclamation): Socket Command"}));
}

TEST(ReplyQueue, AbandonedAnswerIsDroppedAndEarlierPiecesStay) {
    CoreFixture f;
    SocketReplyQueue& q = f.sockets.reply_queue;
    int first = BeginAnswerExchange(q);
    Push(f.sockets, first, "00GO\r\n");
    int second = BeginAnswerExchange(q);
    Push(f.sockets, second, "00CW");
    Push(f.sockets, second, "L");
    AbandonAnswerExchange(q, second);
    EXPECT_EQ(Take(f.sockets), "00GO\r\n");
    EXPECT_EQ(Take(f.sockets), "<none>");
}

TEST(ReplyQueue, NewAnswerIsNotGluedToBytesLeftAfterTheLastLineFeed) {
    CoreFixture f;
    SocketReplyQueue& q = f.sockets.reply_queue;
    // The answer before ended with stray bytes after its line feed.
    int first = BeginAnswerExchange(q);
    Push(f.sockets, first, "00GO\r\n00");
    OnSocketReplyMessage(f.ctx);
    EXPECT_EQ(f.sockets.socket_partial_reply, 1);
    int second = BeginAnswerExchange(q);
    Push(f.sockets, second, "00E");
    Push(f.sockets, second, "3\r\n");
    OnSocketReplyMessage(f.ctx);
    OnSocketReplyMessage(f.ctx);
    EXPECT_EQ(f.prompts.calls, (std::vector<std::string>{"success: Socket ＯＫ",
                                                         "error(exclamation): Socket Command"}));
    EXPECT_EQ(f.app.error_reply, 1);
}

}  // namespace
}  // namespace tvx
