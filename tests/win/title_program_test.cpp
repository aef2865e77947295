// The real tvx5870.exe with the title dialog, driven from outside like a user, against the
// simulator on COM1: a typed Japanese title sent as CT and CN, the exit question it causes, the
// run over all 144 titles at its real period, and "No Connect" from a device that never
// answers while the main window is still minimized. Each suite runs in its own ctest entry.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "support/sim_log.h"
#include "support/window_driver_win.h"

namespace tvx::test {
namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kBoxTimeoutMs = 10000;

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

// A control's text in the other process (GetWindowText would not ask it there).
std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

class TitleProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        exe = WinePathFromEnv("TVX_PROGRAM");
        sim_log = WinePathFromEnv("TVX_SIM_LOG");
        ASSERT_FALSE(exe.empty()) << "TVX_PROGRAM names tvx5870.exe";
        ASSERT_TRUE(StartProgram(exe, L"", program)) << "cannot start tvx5870.exe";
        main = WaitForWindow(Pid(), L"TCP Server", nullptr, kStartTimeoutMs);
        ASSERT_NE(main, nullptr) << "no main window";
        Sleep(500);
        ASSERT_EQ(FindProcessWindow(Pid(), L"#32770", L"Error"), nullptr) << "COM1 refused";
    }
    void TearDown() override { StopProgram(program); }
    DWORD Pid() const { return program.info.dwProcessId; }

    HWND OpenTitleDialog() {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_TITLE_SETTING, 0), 0);
        // Titled with the connection's title text, as the configured entry 0 is a connection.
        return WaitForWindow(Pid(), L"#32770", L"タイトルの設定 ", kBoxTimeoutMs);
    }
    // The user types the title: the edit's text changes as by the keyboard.
    void Type(HWND dialog, const wchar_t* text) {
        SendMessageW(GetDlgItem(dialog, IDC_TITLE_EDIT), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(text));
    }
    void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // The acknowledgement of a setting: "Success" / "設定完了", dismissed.
    bool AcknowledgementShown() {
        HWND box = WaitForWindow(Pid(), L"#32770", L"設定完了", kBoxTimeoutMs);
        if (!box) return false;
        const bool right = MessageBoxText(box) == L"Success";
        PressButton(box, IDOK);
        return WaitForWindowGone(box, kBoxTimeoutMs) && right;
    }

    std::wstring exe, sim_log;
    RunningProgram program;
    HWND main = nullptr;
};

using TitleSend = TitleProgram;

TEST_F(TitleSend, TypedJapaneseTitleGoesOutAsCtAndCnAndExitAsksToSaveIt) {
    HWND dialog = OpenTitleDialog();
    ASSERT_NE(dialog, nullptr);
    Type(dialog, L"日本語のタイトル");
    // 日 467C, 本 4B5C, 語 386C, の 244E, タ 253F, イ 2524, ト 2548, ル 256B, then 13 spaces.
    const std::string payload = "467C4B5C386C244E253F25242548256B" + Repeat("2121", 13);
    Click(dialog, IDC_TITLE_SET);
    EXPECT_TRUE(WaitForSimEntry(sim_log, "rx", "00CT001" + payload + "\r\n", kBoxTimeoutMs));
    EXPECT_TRUE(AcknowledgementShown());
    Click(dialog, IDC_TITLE_NOT_MEMORY);
    EXPECT_TRUE(WaitForSimEntry(sim_log, "rx", "00CN001" + payload + "\r\n", kBoxTimeoutMs));
    EXPECT_TRUE(AcknowledgementShown());
    PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(dialog, kBoxTimeoutMs));

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
    HWND ask = WaitForWindow(Pid(), L"#32770", L"TVX-5870", kBoxTimeoutMs);
    ASSERT_NE(ask, nullptr) << "no exit question after a title edit";
    EXPECT_EQ(MessageBoxText(ask), L"データを保存せずに終了しますか？");
    EXPECT_TRUE(HasControl(ask, IDYES) && HasControl(ask, IDNO));
    PressButton(ask, IDYES);
    EXPECT_EQ(WaitForExit(program, kBoxTimeoutMs), 0u);
}

using TitleSetAll = TitleProgram;

// The one run at the real period: 144 CT frames, one a second, in title order.
TEST_F(TitleSetAll, SendsThe144TitlesInOrderAndEndsWithTheBlankPercent) {
    HWND dialog = OpenTitleDialog();
    ASSERT_NE(dialog, nullptr);
    Type(dialog, L"全設定");  // title 1; the others are empty
    Click(dialog, IDC_TITLE_SET_ALL);
    const DWORD start = GetTickCount();
    std::vector<std::string> frames;
    while (GetTickCount() - start < 200000) {
        frames.clear();
        for (const SimLogEntry& e : ReadSimLog(sim_log)) {
            if (e.direction == "rx") frames.push_back(e.bytes);
        }
        if (frames.size() >= 144 && TextOf(GetDlgItem(dialog, IDC_TITLE_PERCENT)) == L"  ") break;
        Sleep(1000);
    }
    ASSERT_EQ(frames.size(), 144u);
    // 全 4134, 設 405F, 定 446A.
    EXPECT_EQ(frames[0],
              "00CT001"
              "4134405F446A" +
                  Repeat("2121", 18) + "\r\n");
    for (int t = 1; t < 144; ++t) {
        char head[8];
        wsprintfA(head, "00CT%03d", t + 1);
        EXPECT_EQ(frames[t], head + Repeat("2121", 21) + "\r\n") << t;
    }
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_TITLE_PERCENT)), L"  ");
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_TITLE_PROGRESS, PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
    // The acknowledgements of the run raise no box; the last title's comes after the run has
    // ended and shows the one "Success".
    EXPECT_TRUE(AcknowledgementShown());
    EXPECT_EQ(FindProcessWindow(Pid(), L"#32770", L"設定完了"), nullptr);
}

using TitleNoReply = TitleProgram;

// The device never answers and nobody restores the window: "No Connect" all the same.
TEST_F(TitleNoReply, NoConnectShowsWhileTheMainWindowIsMinimized) {
    ASSERT_TRUE(IsIconic(main));
    HWND dialog = OpenTitleDialog();
    ASSERT_NE(dialog, nullptr);
    Click(dialog, IDC_TITLE_SET);
    ASSERT_TRUE(
        WaitForSimEntry(sim_log, "rx", "00CT001" + Repeat("2121", 21) + "\r\n", kBoxTimeoutMs));
    HWND box = WaitForWindow(Pid(), L"#32770", L"Error", kBoxTimeoutMs);
    ASSERT_NE(box, nullptr) << "no \"No Connect\"";
    EXPECT_EQ(MessageBoxText(box), L"No Connect");
    EXPECT_TRUE(IsIconic(main));
    PressButton(box, IDOK);
    EXPECT_TRUE(WaitForWindowGone(box, kBoxTimeoutMs));
}

}  // namespace
}  // namespace tvx::test
