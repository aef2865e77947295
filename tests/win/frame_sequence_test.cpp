// The frame's timed send sequence on a real window: its timer, the progress bar and the
// "Close" button, stepped by real WM_TIMER ticks with a recording link.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "winbase/program_win.h"
#include "dialogs/frame_win.h"
#include "link/send.h"
#include "protocol/replies.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"

namespace tvx::test {
namespace {

constexpr int kProgressId = 1200;
constexpr int kSteps = 4;

// The window under test: what a dialog with "全設定" does on its timer.
struct SequenceWindow {
    HWND window = nullptr;
    SendSequence seq{{kSteps, 3, 60, false, false}};
    int error_at_step = 0;    // the device answers this step with E3
    int ticks = 0;            // every WM_TIMER of the sequence timer
    int ticks_after_end = 0;  // ticks that arrived after the timer was stopped
    bool ended = false;
    std::vector<int> progress;  // the bar's position after each tick
};
SequenceWindow* g_window = nullptr;

bool Step(CoreContext& c, int k) {
    char command[16];
    std::snprintf(command, sizeof command, "STEP%d\r\n", k);
    SendCommand(c, command);
    if (k == g_window->error_at_step) ParseSerialReply(c, "00E3\r\n");
    return true;
}

LRESULT CALLBACK SequenceWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && g_window &&
        wparam == static_cast<WPARAM>(g_window->seq.params.timer_id)) {
        SequenceWindow& w = *g_window;
        ++w.ticks;
        if (w.ended) ++w.ticks_after_end;
        TickResult r = OnSequenceTick(ProgramContext(), w.seq,
                                      [](CoreContext& c, int k) { return Step(c, k); });
        ApplyTickResult(window, r, w.seq, kProgressId, nullptr);
        if (r.stop_timer) w.ended = true;
        w.progress.push_back(
            static_cast<int>(SendDlgItemMessageW(window, kProgressId, PBM_GETPOS, 0, 0)));
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

class FrameSequenceTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        c.app.address_prefix_on = 1;
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = SequenceWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FrameSequenceTestWindow";
        RegisterClassW(&wc);
        w.window = CreateWindowW(L"FrameSequenceTestWindow", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                 120, nullptr, nullptr, wc.hInstance, nullptr);
        CreateWindowW(L"BUTTON", L"Close", WS_CHILD | WS_VISIBLE, 10, 10, 60, 24, w.window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), wc.hInstance,
                      nullptr);
        CreateWindowW(PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 40, 200, 16, w.window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressId)), wc.hInstance,
                      nullptr);
        SetupProgressBar(w.window, kProgressId, kSteps - 1);
        g_window = &w;
    }
    void TearDown() override {
        g_window = nullptr;
        DestroyWindow(w.window);
        ProgramTest::TearDown();
    }
    bool CloseEnabled() { return IsWindowEnabled(GetDlgItem(w.window, IDCANCEL)) != FALSE; }
    int Progress() {
        return static_cast<int>(SendDlgItemMessageW(w.window, kProgressId, PBM_GETPOS, 0, 0));
    }

    SequenceWindow w;
};

TEST_F(FrameSequenceTest, FourStepsOneTickEachThenTheTimerStopsAndCloseReturns) {
    ASSERT_TRUE(StartSendSequence(w.window, c, w.seq));
    EXPECT_FALSE(CloseEnabled());
    EXPECT_EQ(c.app.sequence_running, 1);
    EXPECT_FALSE(StartSendSequence(w.window, c, w.seq));  // the second press does nothing
    PumpMessages(1000);
    EXPECT_EQ(link.serial_writes, (std::vector<std::string>{"00STEP1\r\n", "00STEP2\r\n",
                                                            "00STEP3\r\n", "00STEP4\r\n"}));
    EXPECT_EQ(w.ticks, kSteps);
    EXPECT_EQ(w.ticks_after_end, 0);
    // The bar climbs by one per step (clamped to its range) and is set back to 0 at the end.
    EXPECT_EQ(w.progress, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_TRUE(CloseEnabled());
    EXPECT_EQ(c.app.sequence_running, 0);
    EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(FrameSequenceTest, ErrorReplyToTheSecondStepStopsAtTheNextTick) {
    w.error_at_step = 2;
    ASSERT_TRUE(StartSendSequence(w.window, c, w.seq));
    PumpMessages(1000);
    EXPECT_EQ(link.serial_writes, (std::vector<std::string>{"00STEP1\r\n", "00STEP2\r\n"}));
    EXPECT_EQ(w.ticks, 3);
    EXPECT_EQ(w.ticks_after_end, 0);
    EXPECT_EQ(Progress(), 2);  // left where it stood
    EXPECT_TRUE(CloseEnabled());
    EXPECT_EQ(c.app.sequence_running, 0);
    EXPECT_EQ(c.app.error_reply, 0);
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{"error(exclamation): Command Error"}));
}

TEST_F(FrameSequenceTest, WithoutASocketConnectionNothingStarts) {
    c.app.interface_type = 1;
    EXPECT_FALSE(StartSendSequence(w.window, c, w.seq));
    PumpMessages(300);
    EXPECT_TRUE(CloseEnabled());
    EXPECT_EQ(w.ticks, 0);
    EXPECT_EQ(prompts.calls,
              (std::vector<std::string>{"error(exclamation): Socket が接続されていません"}));
}

}  // namespace
}  // namespace tvx::test
