// The real serial link (COM port, overlapped writes, read thread, line queue) against the
// device simulator on a pty mapped to COM1. Each suite runs in its own process with the
// simulator's fault given by its ctest entry; the port is opened once per process, as the
// program does.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "winbase/program_win.h"
#include "link/send.h"
#include "link/serial_win.h"
#include "protocol/commands.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "support/serial_support_win.h"
#include "support/sim_log.h"

namespace tvx::test {
namespace {

using Calls = std::vector<std::string>;

// Boxes that run a modal loop of their own while "open", as a real message box does.
// On closing, it notes the edge level, which a line parsed inside the box would have changed.
// while_open, when set, is what the user does while the next acknowledgement box is open.
struct ModalPrompts : RecordingPrompts {
    DWORD open_ms = 0;
    std::function<void()> while_open;
    void ShowAcknowledgement(WindowHandle owner) override {
        RecordingPrompts::ShowAcknowledgement(owner);
        if (while_open) {
            std::function<void()> user = std::move(while_open);
            while_open = nullptr;
            user();
            return;
        }
        if (open_ms == 0) return;
        PumpMessages(open_ms);
        calls.push_back("ack closed, edge " + std::to_string(ProgramContext().model.edge_level));
    }
};

// The port and the read thread live for the whole process; each test gets fresh recorders.
class SerialLinkTest : public ProgramTest {
  protected:
    static void SetUpTestSuite() {
        port_opened_ = OpenTestSerialLink(open_calls_);
        thread_started_ = port_opened_;
    }
    static void TearDownTestSuite() { CloseTestSerialLink(); }
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(port_opened_) << ::testing::PrintToString(open_calls_);
        ASSERT_TRUE(thread_started_);
        SetProgramPrompts(&modal_prompts);
        SetProgramLink(&port);
        c.app.address_prefix_on = 1;
    }
    void TearDown() override {
        KillTimer(LinkWindow(), kTestTimerId);
        ProgramTest::TearDown();
    }
    // Sends and waits until the simulator logged the frame.
    void SendAndExpectFrame(std::string_view command, const std::string& frame) {
        const std::size_t before = CountSimFrames("rx", frame);
        SendCommand(c, command);
        EXPECT_TRUE(WaitForNextSimFrame("rx", frame, before)) << frame;
    }
    bool WaitForCalls(std::size_t count, DWORD timeout_ms = 5000) {
        return PumpUntil([&] { return modal_prompts.calls.size() >= count; }, timeout_ms);
    }

    ModalPrompts modal_prompts;
    PortLink port;
    static inline bool port_opened_ = false;
    static inline bool thread_started_ = false;
    static inline Calls open_calls_;
};

std::string Ack() {
    return "ack(owner=0)";
}

// Plain device: no faults.
using SerialPlain = SerialLinkTest;

TEST_F(SerialPlain, CommandGetsItsGoAndTheSuccessBox) {
    c.model.white_level = 3;
    SendAndExpectFrame(BuildWhiteLevelCommand(c.model), "00CWL3\r\n");
    EXPECT_EQ(c.app.awaiting_reply, 1);
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack()}));
    EXPECT_EQ(c.app.awaiting_reply, 0);
    EXPECT_EQ(c.app.no_reply_ticks, 0);
}

TEST_F(SerialPlain, ReadBackReplyWritesTheModel) {
    c.app.slave_address = 0;
    c.model.edge_level = 2;
    SendAndExpectFrame(BuildEdgeLevelCommand(c.model), "00CEL2\r\n");
    ASSERT_TRUE(WaitForCalls(1));
    c.model.edge_level = 0;
    SendAndExpectFrame(BuildReadEdgeLevelCommand(), "00RCEL\r\n");
    ASSERT_TRUE(PumpUntil([&] { return c.model.edge_level == 2; }, 5000));
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack()}));  // a read-back shows no box
}

TEST_F(SerialPlain, BackToBackWritesReachTheDeviceIntact) {
    // The frames are built on the sender's stack: the link must keep its own copy until the
    // write has completed.
    const std::size_t before = CountSimFrames("rx", "00CWL2\r\n");
    SendCommand(c, "CWL0\r\n");
    SendCommand(c, "CEL3\r\n");
    SendCommand(c, "CWL2\r\n");
    ASSERT_TRUE(WaitForNextSimFrame("rx", "00CWL2\r\n", before));
    Calls rx = SimFrames("rx");
    ASSERT_GE(rx.size(), 3u);
    EXPECT_EQ(Calls(rx.end() - 3, rx.end()), (Calls{"00CWL0\r\n", "00CEL3\r\n", "00CWL2\r\n"}));
    EXPECT_TRUE(WaitForCalls(3)) << ::testing::PrintToString(modal_prompts.calls) << " tx "
                                 << ::testing::PrintToString(SimFrames("tx"));
}

TEST_F(SerialPlain, DeviceSlaveAddressCommandGoesOutBare) {
    c.app.address_prefix_on = 0;
    c.app.slave_address = 7;
    SerialSend(c, BuildSlaveAddressCommand(c.app.slave_address));
    EXPECT_TRUE(WaitForNextSimFrame("rx", "SA07\r\n", 0));
    ASSERT_TRUE(WaitForCalls(1));
    // The device now answers to 07; give it its address 00 back for the tests that follow.
    c.app.address_prefix_on = 1;
    SendAndExpectFrame("CWL1\r\n", "07CWL1\r\n");
    ASSERT_TRUE(WaitForCalls(2));
    c.app.address_prefix_on = 0;
    c.app.slave_address = 0;
    SerialSend(c, BuildSlaveAddressCommand(c.app.slave_address));
    ASSERT_TRUE(WaitForCalls(3));
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack(), Ack(), Ack()}));
}

TEST_F(SerialPlain, BroadcastGetsNoReplyAndNoNoConnect) {
    c.app.slave_address = 32;
    SetTimer(LinkWindow(), kTestTimerId, 500, nullptr);
    SendAndExpectFrame("CWL1\r\n", "FFCWL1\r\n");
    EXPECT_EQ(c.app.awaiting_reply, 0);
    PumpMessages(4000);
    EXPECT_TRUE(modal_prompts.calls.empty());
}

TEST_F(SerialPlain, ReadThreadStopsPromptlyWithAReadPending) {
    const DWORD start = GetTickCount();
    EXPECT_TRUE(StopSerialReadThread(2000));
    EXPECT_LT(GetTickCount() - start, 2000u);
    // Replies now stay unread: nothing is parsed.
    const std::size_t answered = CountSimFrames("tx", "00GO\r\n");
    SendCommand(c, "CWL1\r\n");
    ASSERT_TRUE(WaitForNextSimFrame("tx", "00GO\r\n", answered));
    PumpMessages(500);
    EXPECT_TRUE(modal_prompts.calls.empty());
    // A new thread picks the waiting reply up.
    ASSERT_TRUE(StartSerialReadThread(LinkWindow(), MSG_SERIAL_LINE));
    ASSERT_TRUE(WaitForCalls(1)) << ::testing::PrintToString(SimFrames("tx"));
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack()}));
}

// The box of the first "設定" is owned by the main window, so the dialog's "設定" can be
// pressed again while it is open: the device's answer to that is a reply at once.
TEST_F(SerialPlain, AnAnswerBehindAnOpenBoxEndsTheReplyWaitAtOnce) {
    SetTimer(LinkWindow(), kTestTimerId, 500, nullptr);
    bool answered_in_box = false;
    modal_prompts.while_open = [&] {
        const std::size_t before = CountSimFrames("tx", "00GO\r\n");
        SendCommand(c, "CWL2\r\n");
        EXPECT_EQ(c.app.awaiting_reply, 1);
        EXPECT_TRUE(WaitForNextSimFrame("tx", "00GO\r\n", before));
        answered_in_box = PumpUntil([&] { return c.app.awaiting_reply == 0; }, 2000);
        PumpMessages(4000);  // more than seven ticks, the box still open
    };
    SendAndExpectFrame("CWL1\r\n", "00CWL1\r\n");
    ASSERT_TRUE(WaitForCalls(2, 15000)) << ::testing::PrintToString(modal_prompts.calls);
    EXPECT_TRUE(answered_in_box);
    // No "No Connect": the second answer is taken once the box is closed.
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack(), Ack()}));
}

// The announcement of a line can be lost (a full message queue): it is made again.
int g_posts_to_lose = 0;
BOOL LosingAnnouncer(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_posts_to_lose > 0) {
        --g_posts_to_lose;
        return FALSE;
    }
    return PostMessageW(window, message, wparam, lparam);
}

TEST_F(SerialPlain, ALostAnnouncementIsMadeAgainWhileTheLineWaits) {
    g_posts_to_lose = 1;
    SetSerialAnnouncerForTests(LosingAnnouncer);
    SendAndExpectFrame("CWL1\r\n", "00CWL1\r\n");
    EXPECT_TRUE(WaitForCalls(1, 3000));
    SetSerialAnnouncerForTests(nullptr);
    EXPECT_EQ(g_posts_to_lose, 0);
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack()}));
}

// --split: every reply arrives in pieces, 50 ms apart.
using SerialSplit = SerialLinkTest;

TEST_F(SerialSplit, ReplyInSeveralReadsIsParsedOnce) {
    SendAndExpectFrame("CWL1\r\n", "00CWL1\r\n");
    ASSERT_TRUE(WaitForCalls(1));
    PumpMessages(500);
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack()}));
    c.model.white_level = 0;
    SendAndExpectFrame(BuildReadWhiteLevelCommand(), "00RCWL\r\n");
    ASSERT_TRUE(PumpUntil([&] { return c.model.white_level == 1; }, 5000));
    PumpMessages(300);
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack()}));
}

// --merge: a reply is held back and sent together with the next one.
using SerialMerge = SerialLinkTest;

TEST_F(SerialMerge, TwoRepliesInOneReadAreParsedInOrderEachAfterThePreviousBoxClosed) {
    modal_prompts.open_ms = 300;
    SendAndExpectFrame("CWL2\r\n", "00CWL2\r\n");
    PumpMessages(300);
    EXPECT_TRUE(modal_prompts.calls.empty());  // held back by the device
    c.model.edge_level = 0;
    SendAndExpectFrame(BuildReadEdgeLevelCommand(), "00RCEL\r\n");
    // The GO opens a box; the read-back line behind it waits until the box is closed.
    ASSERT_TRUE(PumpUntil([&] { return c.model.edge_level == 1; }, 5000));
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack(), "ack closed, edge 0"}));
    SendAndExpectFrame("CEL3\r\n", "00CEL3\r\n");
    SendAndExpectFrame("CWL3\r\n", "00CWL3\r\n");
    ASSERT_TRUE(WaitForCalls(6));
    EXPECT_EQ(modal_prompts.calls, (Calls{Ack(), "ack closed, edge 0", Ack(), "ack closed, edge 1",
                                          Ack(), "ack closed, edge 1"}));
}

// --silent-after 0: the device answers nothing.
using SerialSilent = SerialLinkTest;

TEST_F(SerialSilent, NoReplyGivesNoConnectOnTheSeventhTick) {
    SetTimer(LinkWindow(), kTestTimerId, 500, nullptr);
    SendAndExpectFrame("CWL1\r\n", "00CWL1\r\n");
    const DWORD sent = GetTickCount();
    ASSERT_TRUE(WaitForCalls(1, 6000));
    const DWORD after = GetTickCount() - sent;
    EXPECT_EQ(modal_prompts.calls, (Calls{"error(stop): No Connect"}));
    EXPECT_GE(after, 3000u - 100u);  // seven ticks of 500 ms
    EXPECT_EQ(c.app.awaiting_reply, 0);
    EXPECT_EQ(c.app.no_reply_ticks, 0);
    PumpMessages(1500);
    EXPECT_EQ(modal_prompts.calls.size(), 1u);  // reported once, the command not repeated
    EXPECT_EQ(SimFrames("rx"), (Calls{"00CWL1\r\n"}));
}

// --error E3@1: the first frame is answered with E3.
using SerialError = SerialLinkTest;

TEST_F(SerialError, ErrorReplyShowsItsBoxAndSetsErrorReply) {
    SendAndExpectFrame("CWL1\r\n", "00CWL1\r\n");
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(modal_prompts.calls, (Calls{"error(exclamation): Command Error"}));
    EXPECT_EQ(c.app.error_reply, 1);
    EXPECT_EQ(c.app.awaiting_reply, 0);
    SendAndExpectFrame("CWL1\r\n", "00CWL1\r\n");
    ASSERT_TRUE(WaitForCalls(2));
    EXPECT_EQ(modal_prompts.calls[1], Ack());
    EXPECT_EQ(c.app.error_reply, 0);
}

// No simulator: COM6 does not exist.
TEST_F(ProgramTest, SerialOpenFailureShowsTheFiveBoxesInOrder) {
    c.app.com_port_index = 5;
    EXPECT_FALSE(OpenSerialPort(c));
    EXPECT_EQ(
        prompts.calls,
        (Calls{"error(exclamation): Miss! File Open", "error(exclamation): Miss! Mask Set",
               "error(exclamation): Miss! Buffer Set", "error(exclamation): Miss! Time Out Set",
               "error(exclamation): Miss! Set Comm State"}));
    // Writes on the missing port fail quietly; the read thread neither spins nor hangs.
    WriteSerialPort("00CWL1\r\n", 8);
    ASSERT_TRUE(StartSerialReadThread(LinkWindow(), MSG_SERIAL_LINE));
    PumpMessages(300);
    EXPECT_TRUE(StopSerialReadThread(2000));
    EXPECT_EQ(prompts.calls.size(), 5u);
}

TEST_F(ProgramTest, ReadThreadThatCannotStartIsReportedAfterTheOpenBoxes) {
    c.app.com_port_index = 5;
    SetSerialThreadStarterForTests([](LPTHREAD_START_ROUTINE) -> HANDLE { return nullptr; });
    StartSerialLink(c, LinkWindow(), MSG_SERIAL_LINE);
    SetSerialThreadStarterForTests(nullptr);
    ASSERT_EQ(prompts.calls.size(), 6u);
    EXPECT_EQ(prompts.calls[0], "error(exclamation): Miss! File Open");
    EXPECT_EQ(prompts.calls[5], "error(exclamation): error creating read thread");
    // Nothing runs, so stopping has nothing to wait for.
    EXPECT_TRUE(StopSerialReadThread(100));
}

}  // namespace
}  // namespace tvx::test
