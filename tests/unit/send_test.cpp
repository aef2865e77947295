// Command dispatch, the serial and socket frames, their failures and the no-reply check.
#include <gtest/gtest.h>

#include <string>

#include "runs/set_all_read_back.h"
#include "dialogs/network_settings.h"
#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_list.h"
#include "link/send.h"
#include "protocol/bulk_run.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

// No device answers the broadcast address: every read that would go to it is refused with one
// box before anything is asked or sent, on both links. Sends still go to every device, and the
// network read, which goes bare on the serial line, is answered whatever the address says.
TEST(BroadcastAddress, EveryReadIsRefusedAndSendsGoOut) {
    const std::string refused =
        "error(exclamation): Bloadcast では読み込めません。\nスレーブアドレス（00～31）で機器を 1 "
        "台選んでください。";
    enum class Action {
        ReadBack,
        SetAll,
        GlyphReadRun,
        GlyphRegisterRun,
        EditorRead,
        SampleRead,
        NetworkRead
    };
    const struct {
        Action action;
        bool read;
    } cases[] = {{Action::ReadBack, true},     {Action::SetAll, false},
                 {Action::GlyphReadRun, true}, {Action::GlyphRegisterRun, false},
                 {Action::EditorRead, true},   {Action::SampleRead, true},
                 {Action::NetworkRead, false}};
    for (bool tcp : {false, true}) {
        for (const auto& k : cases) {
            SCOPED_TRACE(static_cast<int>(k.action) * 10 + tcp);
            CoreFixture f;
            f.app.interface_type = tcp ? 1 : 0;
            f.app.socket_connected = 1;
            f.sockets.link_socket = 9;
            f.app.address_prefix_on = k.action == Action::NetworkRead ? 0 : 1;
            f.app.slave_address = kBroadcastAddress;
            f.prompts.yes_no_answers = {true};
            BulkRun run;
            GlyphState g;
            bool started = true;
            switch (k.action) {
                case Action::ReadBack:
                    started = StartBulkTransfer(f.ctx, BulkTransfer::ReadBack, run, 1);
                    break;
                case Action::SetAll:
                    started = StartBulkTransfer(f.ctx, BulkTransfer::SetAll, run, 1);
                    break;
                case Action::GlyphReadRun:
                case Action::GlyphRegisterRun:
                    started = StartGlyphBulkRun(f.ctx, g, 1, k.action == Action::GlyphRegisterRun);
                    break;
                case Action::EditorRead:
                    ReadRegisteredGlyph(f.ctx);
                    started = f.app.glyph_read_pending == 1;
                    break;
                case Action::SampleRead:
                    ReadSampleGlyph(f.ctx, g);
                    started = f.app.glyph_read_pending == 1;
                    break;
                case Action::NetworkRead:
                    started = StartNetworkRead(f.ctx, run);
                    break;
            }
            if (k.read) {
                EXPECT_FALSE(started);
                EXPECT_EQ(f.prompts.calls, std::vector<std::string>{refused});
                EXPECT_EQ(f.link.serial_writes.size() + f.link.socket_frames.size(), 0u);
                EXPECT_EQ(f.app.sequence_running + f.app.glyph_bulk_read_running +
                              f.app.glyph_read_pending,
                          0);
            } else {
                EXPECT_TRUE(started);
                EXPECT_TRUE(f.prompts.calls.empty() ||
                            f.prompts.calls[0].rfind("confirm-not-auto", 0) == 0);
            }
        }
    }
}

TEST(SerialSend, PrefixAndReplyWait) {
    CoreFixture f;
    f.app.address_prefix_on = 1;
    f.app.slave_address = 5;
    SerialSend(f.ctx, "CEL1\r\n");
    ASSERT_EQ(f.link.serial_writes.size(), 1u);
    EXPECT_EQ(f.link.serial_writes[0], "05CEL1\r\n");
    EXPECT_EQ(f.app.awaiting_reply, 1);

    f.app.slave_address = 0;
    SerialSend(f.ctx, "CEL1\r\n");
    EXPECT_EQ(f.link.serial_writes[1], "00CEL1\r\n");
    f.app.slave_address = 31;
    SerialSend(f.ctx, "CEL1\r\n");
    EXPECT_EQ(f.link.serial_writes[2], "31CEL1\r\n");
    EXPECT_TRUE(f.link.socket_frames.empty());
}

TEST(SerialSend, BroadcastGetsNoReplyOnlyWhilePrefixed) {
    CoreFixture f;
    f.app.address_prefix_on = 1;
    f.app.slave_address = 32;
    SerialSend(f.ctx, "CEL1\r\n");
    EXPECT_EQ(f.link.serial_writes.back(), "FFCEL1\r\n");
    EXPECT_EQ(f.app.awaiting_reply, 0);

    // A broadcast also clears a wait left by an earlier send.
    f.app.awaiting_reply = 1;
    SerialSend(f.ctx, "CEL1\r\n");
    EXPECT_EQ(f.app.awaiting_reply, 0);

    f.app.address_prefix_on = 0;
    SerialSend(f.ctx, "SA05\r\n");
    EXPECT_EQ(f.link.serial_writes.back(), "SA05\r\n");
    EXPECT_EQ(f.app.awaiting_reply, 1);
}

TEST(SerialSend, FrameLimits) {
    CoreFixture f;
    f.app.address_prefix_on = 1;
    std::string longest(597, 'X');  // with the prefix 599 bytes, the frame's text limit
    SerialSend(f.ctx, longest);
    ASSERT_EQ(f.link.serial_writes.size(), 1u);
    EXPECT_EQ(f.link.serial_writes[0].size(), 599u);
    f.app.awaiting_reply = 0;
    SerialSend(f.ctx, std::string(598, 'X'));  // would not fit: nothing goes out, no wait
    SerialSend(f.ctx, "");
    EXPECT_EQ(f.link.serial_writes.size(), 1u);
    EXPECT_EQ(f.app.awaiting_reply, 0);
}

TEST(SendCommand, RoutesByInterface) {
    CoreFixture f;
    f.app.interface_type = 0;
    f.app.address_prefix_on = 1;
    f.app.slave_address = 3;
    SendCommand(f.ctx, "CWL1\r\n");
    EXPECT_EQ(f.link.serial_writes, std::vector<std::string>{"03CWL1\r\n"});

    f.app.interface_type = 1;
    f.app.socket_connected = 1;
    f.app.tcp_role = 0;
    f.sockets.link_socket = 77;
    SendCommand(f.ctx, "CWL1\r\n");
    ASSERT_EQ(f.link.socket_frames.size(), 1u);
    EXPECT_EQ(f.link.socket_frames[0].socket, 77u);
    EXPECT_EQ(f.link.socket_frames[0].bytes, "03CWL1\r\n");
    EXPECT_EQ(f.link.serial_writes.size(), 1u);

    SendCommand(f.ctx, "");
    EXPECT_EQ(f.link.socket_frames.size(), 1u);
}

// Ticks a set-all run that sends through SendCommand until it ends, at most max_ticks;
// between(tick) runs after each tick. Returns the ticks taken.
template <typename Between>
int TicksOfSetAll(CoreFixture& f, int max_ticks, Between between) {
    BulkRun run{SetAllTable()};
    f.app.sequence_running = 1;
    BulkTick t;
    int ticks = 0;
    for (; ticks < max_ticks && !t.ended; ++ticks) {
        t = OnBulkTick(f.ctx, run,
                       [](CoreContext& c, std::string_view cmd) { SendCommand(c, cmd); });
        between(ticks);
    }
    return ticks;
}

struct SocketCase : CoreFixture {
    SocketCase() {
        app.interface_type = 1;
        app.socket_connected = 1;
        sockets.link_socket = 40;
        sockets.client_slots[3].in_use = 1;
        sockets.client_slots[3].socket = 303;
    }
};

TEST(SocketSend, AlwaysPrefixed) {
    SocketCase f;
    f.app.address_prefix_on = 0;
    f.app.slave_address = 7;
    SocketSend(f.ctx, "P01T001\r\n");
    f.app.slave_address = 32;
    SocketSend(f.ctx, "P01T001\r\n");
    ASSERT_EQ(f.link.socket_frames.size(), 2u);
    EXPECT_EQ(f.link.socket_frames[0].bytes, "07P01T001\r\n");
    EXPECT_EQ(f.link.socket_frames[1].bytes, "FFP01T001\r\n");
    EXPECT_EQ(f.link.answer_waits, (std::vector<std::uintptr_t>{40, 40}));
    EXPECT_EQ(f.app.awaiting_reply, 0);  // the serial wait is not the socket's business
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(SocketSend, ServerRoleTalksToTheChosenSlot) {
    SocketCase f;
    f.app.tcp_role = 1;
    f.app.selected_connection = 3;
    SocketSend(f.ctx, "GO\r\n");
    ASSERT_EQ(f.link.socket_frames.size(), 1u);
    EXPECT_EQ(f.link.socket_frames[0].socket, 303u);
    EXPECT_EQ(f.link.answer_waits, std::vector<std::uintptr_t>{303});
}

TEST(SocketSend, NotConnected) {
    SocketCase f;
    f.app.socket_connected = 0;
    EXPECT_FALSE(SocketSend(f.ctx, "CWL1\r\n"));
    EXPECT_TRUE(f.link.socket_frames.empty());
    EXPECT_EQ(f.prompts.calls,
              std::vector<std::string>{"error(exclamation): Socket が接続されていません"});
    EXPECT_EQ(f.app.error_reply, 0);  // a single send leaves no error for the next run
    // The device dropped the link while a sequence runs: the same box, and the run stops.
    f.app.sequence_running = 4;
    EXPECT_FALSE(SocketSend(f.ctx, "CWL1\r\n"));
    EXPECT_EQ(f.prompts.calls.size(), 2u);
    EXPECT_EQ(f.app.error_reply, 1);
    EXPECT_EQ(f.app.sequence_running, 0);
}

// The set-all run over a link the device dropped after the first title: one box, and the run
// ends at the next tick instead of reporting each of the remaining 170 steps.
TEST(SocketSend, DroppedLinkEndsASetAllWithOneBox) {
    SocketCase f;
    // After the first tick comes the close notice of the device's socket.
    EXPECT_EQ(TicksOfSetAll(f, 10, [&](int) { f.app.socket_connected = 0; }), 3);
    EXPECT_EQ(f.link.socket_frames.size(), 1u);
    EXPECT_EQ(f.prompts.calls,
              std::vector<std::string>{"error(exclamation): Socket が接続されていません"});
}

TEST(SocketSend, SendFailureStopsTheSequence) {
    SocketCase f;
    f.link.socket_send_ok = false;
    f.app.sequence_running = 4;
    SocketSend(f.ctx, "CWL1\r\n");
    EXPECT_EQ(f.link.socket_frames.size(), 1u);
    EXPECT_TRUE(f.link.answer_waits.empty());
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"error(exclamation): Socket 送信"});
    EXPECT_EQ(f.app.error_reply, 1);
    EXPECT_EQ(f.app.sequence_running, 0);
}

TEST(SocketSend, MissingAnswerStopsTheSequence) {
    SocketCase f;
    f.link.answer_arrives = false;
    f.app.sequence_running = 2;
    SocketSend(f.ctx, "CWL1\r\n");
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"error(exclamation): Answer が､きません"});
    EXPECT_EQ(f.app.error_reply, 1);
    EXPECT_EQ(f.app.sequence_running, 0);
}

TEST(SocketSend, ServerRoleWithoutAUsableSlotFailsLikeASend) {
    for (int selected : {-1, 0, 2, 97, 100000}) {
        SocketCase f;
        f.app.tcp_role = 1;
        f.app.selected_connection = selected;
        f.app.sequence_running = 3;
        SocketSend(f.ctx, "CWL1\r\n");
        EXPECT_TRUE(f.link.socket_frames.empty()) << selected;
        EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"error(exclamation): Socket 送信"});
        EXPECT_EQ(f.app.error_reply, 1);
        EXPECT_EQ(f.app.sequence_running, 0);
    }
}

TEST(IsLinkReady, SerialOrConnectedSocket) {
    AppState app;
    app.interface_type = 0;
    EXPECT_TRUE(IsLinkReady(app));
    app.interface_type = 1;
    EXPECT_FALSE(IsLinkReady(app));
    app.socket_connected = 1;
    EXPECT_TRUE(IsLinkReady(app));
}

TEST(CheckReplyTimeout, NoConnectOnTheSeventhTick) {
    CoreFixture f;
    CheckReplyTimeout(f.ctx);  // nothing awaited: nothing counts
    EXPECT_EQ(f.app.no_reply_ticks, 0);

    f.app.address_prefix_on = 1;
    f.app.slave_address = 1;
    SerialSend(f.ctx, "RCEL\r\n");
    for (int tick = 1; tick <= 6; ++tick) {
        CheckReplyTimeout(f.ctx);
        EXPECT_EQ(f.app.no_reply_ticks, tick);
        EXPECT_TRUE(f.prompts.calls.empty());
    }
    CheckReplyTimeout(f.ctx);
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"error(stop): No Connect"});
    EXPECT_EQ(f.app.awaiting_reply, 0);
    EXPECT_EQ(f.app.no_reply_ticks, 0);
    CheckReplyTimeout(f.ctx);
    EXPECT_EQ(f.prompts.calls.size(), 1u);
}

// A device that stops answering during a run: one "No Connect", and the run ends at its next
// tick instead of sending on into the silence with the box again every seven ticks.
TEST(CheckReplyTimeout, NoConnectEndsARunningSequenceOnce) {
    CoreFixture f;
    f.app.address_prefix_on = 1;
    // 1200 ms between two steps: two or three ticks of the main window's 500 ms timer.
    EXPECT_EQ(TicksOfSetAll(f, 40,
                            [&](int tick) {
                                for (int i = 0; i < (tick % 2 ? 3 : 2); ++i)
                                    CheckReplyTimeout(f.ctx);
                            }),
              4);
    EXPECT_EQ(f.link.serial_writes.size(), 3u);
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"error(stop): No Connect"});
    EXPECT_EQ(f.app.sequence_running + f.app.error_reply, 0);

    // Without a run the box is all: no error is left to end the next run at its first tick.
    SendCommand(f.ctx, "CWL1\r\n");
    for (int i = 0; i < 7; ++i) CheckReplyTimeout(f.ctx);
    EXPECT_EQ(f.prompts.calls.size(), 2u);
    EXPECT_EQ(f.app.error_reply, 0);
}

TEST(CheckReplyTimeout, ASendDoesNotRestartTheCount) {
    CoreFixture f;
    f.app.address_prefix_on = 1;
    SerialSend(f.ctx, "RCEL\r\n");
    for (int tick = 0; tick < 5; ++tick) CheckReplyTimeout(f.ctx);
    SerialSend(f.ctx, "RCWL\r\n");
    CheckReplyTimeout(f.ctx);
    EXPECT_TRUE(f.prompts.calls.empty());
    CheckReplyTimeout(f.ctx);
    EXPECT_EQ(f.prompts.calls.size(), 1u);
}

}  // namespace
}  // namespace tvx
