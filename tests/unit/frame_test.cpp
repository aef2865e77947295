#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/frame.h"
#include "link/send.h"
#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

void SetPeer(SocketLinkState& s, int slot, const char* text) {
    s.client_slots[slot].in_use = 1;
    std::strncpy(s.client_slots[slot].peer_address, text, kPeerTextBytes - 1);
}

TEST(FrameTitle, NoConnectionKeepsTheTemplateTitle) {
    CoreFixture f;
    f.app.selected_connection = -1;
    std::string title = "unchanged";
    EXPECT_FALSE(ConnectionTitle(FrameDialog::CharLevel, f.app, f.sockets, title));
    EXPECT_EQ(title, "unchanged");
}

TEST(FrameTitle, TitleTextAndPeerStandTogetherWithTheBlankOfTheTitleTextOnly) {
    CoreFixture f;
    SetPeer(f.sockets, 3, "192.168.1.20");
    f.app.selected_connection = 3;
    std::string title;
    ASSERT_TRUE(ConnectionTitle(FrameDialog::CharLevel, f.app, f.sockets, title));
    EXPECT_EQ(title, "文字レベルの設定 192.168.1.20");
    ASSERT_TRUE(ConnectionTitle(FrameDialog::PositionAdjust, f.app, f.sockets, title));
    EXPECT_EQ(title, "表示位置の微調整 192.168.1.20");
    // Three title texts have no closing blank.
    ASSERT_TRUE(ConnectionTitle(FrameDialog::GlyphList, f.app, f.sockets, title));
    EXPECT_EQ(title, "外字一覧192.168.1.20");
    ASSERT_TRUE(ConnectionTitle(FrameDialog::SetAll, f.app, f.sockets, title));
    EXPECT_EQ(title, "全項目の設定192.168.1.20");
    ASSERT_TRUE(ConnectionTitle(FrameDialog::Version, f.app, f.sockets, title));
    EXPECT_EQ(title, "TVX5870のバージョン情報 192.168.1.20");
}

TEST(FrameTitle, EmptySlotOrSlotOutsideTheTableGivesTheTitleTextAlone) {
    CoreFixture f;
    f.app.selected_connection = 0;  // client role: the slots stay empty
    std::string title;
    ASSERT_TRUE(ConnectionTitle(FrameDialog::NetworkSettings, f.app, f.sockets, title));
    EXPECT_EQ(title, "プロトコルの設定 ");
    f.app.selected_connection = 500;
    ASSERT_TRUE(ConnectionTitle(FrameDialog::TitleSetting, f.app, f.sockets, title));
    EXPECT_EQ(title, "タイトルの設定 ");
    f.app.selected_connection = -7;
    ASSERT_TRUE(ConnectionTitle(FrameDialog::TitleSetting, f.app, f.sockets, title));
    EXPECT_EQ(title, "タイトルの設定 ");
}

TEST(FrameTitle, PeerTextFillingItsWholeFieldIsNotReadPastTheField) {
    CoreFixture f;
    std::memset(f.sockets.client_slots[5].peer_address, '7', kPeerTextBytes);  // no terminator
    f.sockets.client_slots[6].peer_address[0] = 'X';
    f.app.selected_connection = 5;
    std::string title;
    ASSERT_TRUE(ConnectionTitle(FrameDialog::Startup, f.app, f.sockets, title));
    EXPECT_EQ(title, "スタートアップの設定 " + std::string(kPeerTextBytes, '7'));
}

TEST(FrameSlaveAddress, ComboItemsAreTwoDigitsThenTheBroadcastEntry) {
    std::vector<std::string> items;
    for (int i = 0; i < kSlaveAddressItems; ++i) items.push_back(SlaveAddressItemText(i));
    ASSERT_EQ(items.size(), 33u);
    EXPECT_EQ(items[0], "00");
    EXPECT_EQ(items[9], "09");
    EXPECT_EQ(items[10], "10");
    EXPECT_EQ(items[31], "31");
    EXPECT_EQ(items[32], "Bloadcast");
    EXPECT_EQ(SlaveAddressItemText(-1), "");
    EXPECT_EQ(SlaveAddressItemText(33), "");
}

TEST(FrameSlaveAddress, SelectionFollowsTheModelAndTheBroadcastIsMissingFromTheDeviceCombo) {
    CoreFixture f;
    f.app.slave_address = 32;
    EXPECT_EQ(SlaveAddressSelection(f.app, kSlaveAddressItems), 32);
    EXPECT_EQ(SlaveAddressSelection(f.app, kDeviceAddressItems), -1);
    f.app.slave_address = 31;
    EXPECT_EQ(SlaveAddressSelection(f.app, kDeviceAddressItems), 31);
    f.app.slave_address = 99;  // never from the combo, but must not select past the list
    EXPECT_EQ(SlaveAddressSelection(f.app, kSlaveAddressItems), -1);
}

TEST(FrameSlaveAddress, ChoosingAnAddressStoresItAndSendsNothing) {
    CoreFixture f;
    EXPECT_TRUE(OnSlaveAddressSelected(f.app, 32));
    EXPECT_EQ(f.app.slave_address, 32);
    EXPECT_FALSE(OnSlaveAddressSelected(f.app, -1));  // no selection (CB_ERR)
    EXPECT_EQ(f.app.slave_address, 32);
    EXPECT_FALSE(OnSlaveAddressSelected(f.app, 32, kDeviceAddressItems));
    EXPECT_EQ(f.app.slave_address, 32);
    EXPECT_TRUE(f.link.serial_writes.empty());
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(FrameOpening, SetsTheDialogStateAndThePrefixByDialog) {
    CoreFixture f;
    f.app.corner_click_count = 4;
    f.app.preview_redraw_pending = 1;  // left by a dialog closed before its preview tick
    BeginDialogFrame(f.app, 0x100);
    EXPECT_EQ(f.app.active_dialog, 0x100u);
    EXPECT_EQ(f.app.preview_redraw_pending, 0);
    SettleDialogFrame(f.app, 0x42, AddressPrefix::On);
    EXPECT_EQ(f.app.reply_owner_window, 0x42u);
    EXPECT_EQ(f.app.corner_click_count, 0);
    EXPECT_EQ(f.app.address_prefix_on, 1);
    SettleDialogFrame(f.app, 0x42, AddressPrefix::Off);
    EXPECT_EQ(f.app.address_prefix_on, 0);
    SettleDialogFrame(f.app, 0x42, AddressPrefix::Unchanged);
    EXPECT_EQ(f.app.address_prefix_on, 0);
}

TEST(FrameGuardedSend, RefusedWithoutALinkOrDuringASequence) {
    CoreFixture f;
    EXPECT_TRUE(GuardedSendAllowed(f.app));
    f.app.sequence_running = 2;
    EXPECT_FALSE(GuardedSendAllowed(f.app));
    f.app.sequence_running = 0;
    f.app.interface_type = 1;
    EXPECT_FALSE(GuardedSendAllowed(f.app));
    f.app.socket_connected = 1;
    EXPECT_TRUE(GuardedSendAllowed(f.app));
    EXPECT_TRUE(f.prompts.calls.empty());
}

// A four-step sequence sending one display-flag command per position, as the title display
// dialog does.
struct FourSteps {
    SendSequence seq{{4, 3, 500, false, false}};
    std::vector<int> steps_done;
    bool operator()(CoreContext& c, int k) {
        steps_done.push_back(k);
        char command[16];
        std::snprintf(command, sizeof command, "STEP%d\r\n", k);
        SendCommand(c, command);
        return true;
    }
};

TEST(FrameSequence, TwoPressesStartOneSequence) {
    CoreFixture f;
    FourSteps d;
    EXPECT_TRUE(StartSendSequence(f.ctx, d.seq, 0x100));
    EXPECT_EQ(f.app.sequence_running, 1);
    EXPECT_FALSE(StartSendSequence(f.ctx, d.seq, 0x100));
    EXPECT_EQ(f.app.sequence_running, 1);
    EXPECT_TRUE(f.prompts.calls.empty());
    EXPECT_TRUE(f.link.serial_writes.empty());  // the first step waits for the first tick
}

TEST(FrameSequence, StepsOneTickEachWithProgressAndEndsAfterTheLast) {
    CoreFixture f;
    f.app.address_prefix_on = 1;
    f.app.slave_address = 7;
    FourSteps d;
    ASSERT_TRUE(StartSendSequence(f.ctx, d.seq, 0x100));
    for (int tick = 1; tick <= 3; ++tick) {
        TickResult r = OnSequenceTick(f.ctx, d.seq, d);
        EXPECT_TRUE(r.step_progress);
        EXPECT_FALSE(r.stop_timer);
        EXPECT_FALSE(r.enable_close);
        EXPECT_FALSE(r.set_progress);
        EXPECT_EQ(f.app.sequence_running, tick + 1);
        ASSERT_EQ(f.link.serial_writes.size(), static_cast<size_t>(tick));
        // Acknowledgements are silent while the sequence runs.
        ParseSerialReply(f.ctx, "07GO\r\n");
    }
    TickResult last = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(last.step_progress);
    EXPECT_TRUE(last.stop_timer);
    EXPECT_TRUE(last.enable_close);
    EXPECT_TRUE(last.set_progress);
    EXPECT_EQ(last.progress_position, 0);
    EXPECT_EQ(f.app.sequence_running, 0);
    EXPECT_EQ(f.link.serial_writes, (std::vector<std::string>{"07STEP1\r\n", "07STEP2\r\n",
                                                              "07STEP3\r\n", "07STEP4\r\n"}));
    EXPECT_TRUE(f.prompts.calls.empty());
    // Once idle, the acknowledgement raises its box again.
    ParseSerialReply(f.ctx, "07GO\r\n");
    EXPECT_EQ(f.prompts.calls.size(), 1u);
}

TEST(FrameSequence, ErrorReplyToTheSecondStepStopsBeforeTheThird) {
    CoreFixture f;
    f.app.address_prefix_on = 1;
    FourSteps d;
    ASSERT_TRUE(StartSendSequence(f.ctx, d.seq, 0x100));
    OnSequenceTick(f.ctx, d.seq, d);
    ParseSerialReply(f.ctx, "00GO\r\n");
    OnSequenceTick(f.ctx, d.seq, d);
    ParseSerialReply(f.ctx, "00E3\r\n");
    EXPECT_EQ(f.app.error_reply, 1);
    TickResult r = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(r.stop_timer);
    EXPECT_TRUE(r.enable_close);
    EXPECT_FALSE(r.step_progress);
    EXPECT_FALSE(r.set_progress);  // the bar stays where it stood
    EXPECT_EQ(f.app.sequence_running, 0);
    EXPECT_EQ(f.app.error_reply, 0);
    EXPECT_EQ(d.steps_done, (std::vector<int>{1, 2}));
    EXPECT_EQ(f.link.serial_writes.size(), 2u);
    EXPECT_EQ(f.prompts.calls, (std::vector<std::string>{"error(exclamation): Command Error"}));
    // Further ticks (one already queued by the system) send nothing.
    TickResult late = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(late.stop_timer);
    EXPECT_EQ(f.link.serial_writes.size(), 2u);
}

TEST(FrameSequence, ErrorStopResetsTheProgressWhereTheDialogAsksForIt) {
    CoreFixture f;
    FourSteps d;
    d.seq.params.reset_progress_on_error = true;
    ASSERT_TRUE(StartSendSequence(f.ctx, d.seq, 0x100));
    OnSequenceTick(f.ctx, d.seq, d);
    f.app.error_reply = 1;
    TickResult r = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(r.set_progress);
    EXPECT_EQ(r.progress_position, 0);
}

// An E3 to a single "設定" (or a failed exchange) before the run is not the run's error: the
// run sends its first step instead of ending silently at its first tick.
TEST(FrameSequence, AnErrorLeftFromASingleSendDoesNotEndTheNextSequence) {
    CoreFixture f;
    FourSteps d;
    f.app.address_prefix_on = 1;
    ParseSerialReply(f.ctx, "00E3\r\n");
    ASSERT_EQ(f.app.error_reply, 1);
    ASSERT_TRUE(StartSendSequence(f.ctx, d.seq, 0x100));
    TickResult r = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_FALSE(r.enable_close || r.stop_timer);
    EXPECT_EQ(f.link.serial_writes, std::vector<std::string>{"00STEP1\r\n"});
    EXPECT_EQ(f.app.sequence_running, 2);
}

TEST(FrameSequence, RefusedWithoutASocketConnectionOrOnTheConfirmationsNo) {
    CoreFixture f;
    FourSteps d;
    f.app.interface_type = 1;
    EXPECT_FALSE(StartSendSequence(f.ctx, d.seq, 0x100));
    EXPECT_EQ(f.prompts.calls,
              (std::vector<std::string>{"error(exclamation): Socket が接続されていません"}));
    EXPECT_EQ(f.app.sequence_running, 0);

    f.prompts.calls.clear();
    f.app.interface_type = 0;
    d.seq.params.confirm = true;
    f.prompts.yes_no_answers = {false, true};
    EXPECT_FALSE(StartSendSequence(f.ctx, d.seq, 0x100));
    EXPECT_EQ(f.app.sequence_running, 0);
    EXPECT_TRUE(StartSendSequence(f.ctx, d.seq, 0x100));
    EXPECT_EQ(f.prompts.calls, (std::vector<std::string>{"confirm-not-auto(owner=256)",
                                                         "confirm-not-auto(owner=256)"}));
}

TEST(FrameSequence, PreviewTicksDrawWithoutPerformingAStep) {
    CoreFixture f;
    FourSteps d;
    ASSERT_TRUE(StartSendSequence(f.ctx, d.seq, 0x100));
    OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_EQ(OnPreviewPaint(f.app), 0);  // the running sequence keeps its period
    TickResult r = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(r.draw_preview);
    EXPECT_FALSE(r.step_progress);
    EXPECT_FALSE(r.stop_timer);
    EXPECT_EQ(f.app.sequence_running, 2);
    EXPECT_EQ(f.app.preview_redraw_pending, 0);
    OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_EQ(d.steps_done, (std::vector<int>{1, 2}));
}

TEST(FrameSequence, IdlePreviewTickDrawsAndStopsTheTimer) {
    CoreFixture f;
    FourSteps d;
    EXPECT_EQ(OnPreviewPaint(f.app), kPreviewPaintDelayMs);
    TickResult r = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(r.draw_preview);
    EXPECT_TRUE(r.stop_timer);
    // A tick that still arrives afterwards sends nothing and keeps the timer stopped.
    f.app.error_reply = 1;
    TickResult stray = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(stray.stop_timer);
    EXPECT_FALSE(stray.enable_close);
    EXPECT_EQ(f.app.error_reply, 1);  // left for the parser, not eaten by an idle tick
    EXPECT_TRUE(d.steps_done.empty());
    EXPECT_TRUE(f.link.serial_writes.empty());
}

TEST(FrameSequence, TickInsideABoxOpenedByAStepDoesNothing) {
    CoreFixture f;
    SendSequence seq{{3, 4, 1200, false, false}};
    std::vector<int> steps;
    TickResult nested;
    auto step = [&](CoreContext& c, int k) {
        steps.push_back(k);
        // The box's modal loop dispatches the next tick of the same timer.
        if (k == 1)
            nested = OnSequenceTick(c, seq, [&](CoreContext&, int kk) {
                steps.push_back(100 + kk);
                return true;
            });
        return true;
    };
    ASSERT_TRUE(StartSendSequence(f.ctx, seq, 0x100));
    OnSequenceTick(f.ctx, seq, step);
    EXPECT_FALSE(nested.step_progress);
    EXPECT_FALSE(nested.stop_timer);
    EXPECT_EQ(steps, (std::vector<int>{1}));
    EXPECT_EQ(f.app.sequence_running, 2);
}

// A step that fails ends the run through error_reply at the next tick, like an error reply:
// also when a late "GO" to the step before clears error_reply in between; where the dialog asks
// for it, and as the last step (whose tick ends the run anyway), in the failing tick itself with
// the bar back at 0. Nothing is left over.
TEST(FrameSequence, FailedStepEndsTheRunAtTheNextTickThroughErrorReply) {
    struct Case {
        int failing_step;
        bool late_go, end_in_failing_tick;
        int ticks;
    } cases[] = {{2, false, false, 3}, {4, false, false, 4}, {2, true, false, 3}, {2, 0, 1, 2}};
    for (const Case& t : cases) {
        SCOPED_TRACE(t.failing_step * 10 + t.late_go);
        CoreFixture f;
        SendSequence seq{{4, 2, 1000, false, true, t.end_in_failing_tick}};
        std::vector<int> steps;
        auto step = [&](CoreContext&, int k) {
            steps.push_back(k);
            return k != t.failing_step;
        };
        ASSERT_TRUE(StartSendSequence(f.ctx, seq, 0x100));
        TickResult r;
        int ticks = 0;
        while (!r.stop_timer && ++ticks < 10) {
            r = OnSequenceTick(f.ctx, seq, step);
            if (ticks == t.failing_step && t.late_go) ParseSerialReply(f.ctx, "00GO\r\n");
        }
        EXPECT_EQ(ticks, t.ticks);
        EXPECT_TRUE(r.enable_close && r.set_progress && r.progress_position == 0);
        EXPECT_EQ(steps.back(), t.failing_step);
        EXPECT_EQ(f.app.sequence_running + f.app.error_reply, 0);
        ASSERT_TRUE(StartSendSequence(f.ctx, seq, 0x100));  // the next run starts clean
        OnSequenceTick(f.ctx, seq, step);
        EXPECT_EQ(steps.back(), 1);
    }
}

TEST(FrameSequence, SocketFailureDuringAStepEndsTheSequenceAtTheNextTick) {
    CoreFixture f;
    f.app.interface_type = 1;
    f.app.socket_connected = 1;
    f.app.selected_connection = 0;
    f.link.socket_send_ok = false;
    FourSteps d;
    ASSERT_TRUE(StartSendSequence(f.ctx, d.seq, 0x100));
    TickResult first = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(first.step_progress);  // the tick goes on as usual after the failed send
    EXPECT_EQ(f.app.error_reply, 1);
    TickResult second = OnSequenceTick(f.ctx, d.seq, d);
    EXPECT_TRUE(second.enable_close);
    EXPECT_EQ(d.steps_done, (std::vector<int>{1}));
    EXPECT_EQ(f.app.sequence_running, 0);
}

}  // namespace
}  // namespace tvx
