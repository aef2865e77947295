// The real tvx5870.exe with the six display dialogs, driven from outside like a user and
// checked in the simulator's log: over RS-232C each dialog opens from the menu, a choice and
// its "設定" reach the device, and each "全設定" runs to its end; over TCP/IP a device that
// drops the link during "全設定" ends the run with one box.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "support/expected_text.h"
#include "support/sim_log.h"
#include "support/window_driver_win.h"
#include "tcp_support.h"

namespace tvx::test {
namespace {

constexpr DWORD kTimeoutMs = 20000;
using Frames = std::vector<std::string>;

std::string Framed(const std::string& text) {
    return "00" + text + "\r\n";
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms = kTimeoutMs) {
    const DWORD end = GetTickCount() + timeout_ms;
    while (!done()) {
        if (GetTickCount() > end) return false;
        Sleep(50);
    }
    return true;
}

Frames Received(const std::vector<SimLogEntry>& log) {
    Frames frames;
    for (const SimLogEntry& e : EntriesOf(log, "rx")) frames.push_back(e.bytes);
    return frames;
}

class DisplayProgramTest : public ::testing::Test {
  protected:
    void TearDown() override {
        StopProgram(program);
        wchar_t windows_dir[MAX_PATH] = {};
        GetWindowsDirectoryW(windows_dir, MAX_PATH);
        DeleteFileW((std::wstring(windows_dir) + L"\\tvx5870.ini").c_str());
    }
    void Start(const wchar_t* main_title) {
        ASSERT_TRUE(StartProgram(WinePathFromEnv("TVX_PROGRAM"), L"", program));
        main = WaitForWindow(program.info.dwProcessId, L"TCP Server", main_title, kTimeoutMs);
        ASSERT_NE(main, nullptr);
    }
    HWND Open(int menu, const wchar_t* title) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(menu, 0), 0);
        return WaitForWindow(program.info.dwProcessId, L"#32770", title, kTimeoutMs);
    }
    std::wstring AnswerBox(const wchar_t* caption, int button = IDOK) {
        return test::AnswerBox(program.info.dwProcessId, caption, button, kTimeoutMs);
    }
    // Presses a button of the dialog and answers the box it brings up.
    std::wstring PressAndAnswer(HWND dialog, int id, const wchar_t* caption) {
        PressButton(dialog, id);
        return AnswerBox(caption);
    }
    void CloseDialog(HWND dialog, int id = IDCANCEL) {
        PressButton(dialog, id);
        EXPECT_TRUE(WaitForWindowGone(dialog, kTimeoutMs));
    }
    void Choose(HWND dialog, int combo, int index) {
        HWND control = GetDlgItem(dialog, combo);
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control));
    }
    bool CloseEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)); }

    RunningProgram program;
    HWND main = nullptr;
};

struct DialogCase {
    int menu;
    const wchar_t* title;  // with a connection chosen (the client role's first host)
    int combo, item, set;
    std::string sent;
    int set_all;  // 0: none
    Frames run;
};

TEST_F(DisplayProgramTest, EachDialogSendsItsChoiceAndRunsItsSetAllOverRs232c) {
    const std::wstring log = WinePathFromEnv("TVX_SIM_LOG");
    Start(nullptr);
    const std::string all_off = Repeat("F", 144), all_on = Repeat("N", 144);
    const std::string two_s = Repeat("02", 144);
    const DialogCase cases[] = {
        {IDM_DISPLAY_PAGE_SWITCH,
         L"表示ページ切換え ",
         IDC_POSITION_LIST_3,
         144,
         IDC_POSITION_SET_3,
         Framed("P02BAS"),
         0,
         {}},
        {IDM_STARTUP_SETTING,
         L"スタートアップの設定 ",
         IDC_POSITION_LIST_1,
         144,
         IDC_POSITION_SET_1,
         Framed("SUS01BAS"),
         0,
         {}},
        {IDM_POSITION_ADJUST,
         L"表示位置の微調整 ",
         IDC_POSITION_LIST_3,
         0,
         IDC_POSITION_SET_3,
         Framed("CTDPO02B00"),
         0,
         {}},
        // "Same Display" "OFF" turns off every page of ch.1 Top.
        {IDM_TITLE_DISPLAY,
         L"タイトル表示の設定 ",
         IDC_TITLE_DISPLAY_SAME,
         0,
         IDC_TITLE_DISPLAY_SET,
         Framed("CTD01T" + all_off),
         IDC_TITLE_DISPLAY_SET_ALL,
         {Framed("CTD01T" + all_off), Framed("CTD01B" + all_on), Framed("CTD02T" + all_on),
          Framed("CTD02B" + all_on)}},
        // Page 1 of ch.1 Top shows title 144.
        {IDM_PAGE_ASSIGNMENT,
         L"表示ページ割り付け ",
         IDC_ASSIGNMENT_TITLE,
         143,
         IDC_ASSIGNMENT_SET,
         Framed("PP01T144" + ThreeDigitRun(2, 144)),
         IDC_ASSIGNMENT_SET_ALL,
         {Framed("PP01T144" + ThreeDigitRun(2, 144)), Framed("PP01B" + ThreeDigitRun(1, 144)),
          Framed("PP02T" + ThreeDigitRun(1, 144)), Framed("PP02B" + ThreeDigitRun(1, 144))}},
        // Page 1 of ch.1 Top shows for 9 seconds.
        {IDM_AUTO_SWITCHING,
         L"自動切換えの設定 ",
         IDC_AUTO_SWITCHING_TIME,
         9,
         IDC_AUTO_SWITCHING_SET,
         Framed("AST01T09" + Repeat("02", 143)),
         IDC_AUTO_SWITCHING_SET_ALL,
         {Framed("AST01T09" + Repeat("02", 143)), Framed("AST01B" + two_s),
          Framed("AST02T" + two_s), Framed("AST02B" + two_s)}},
    };
    Frames expected;
    for (const DialogCase& t : cases) {
        SCOPED_TRACE(t.menu);
        HWND dialog = Open(t.menu, t.title);
        ASSERT_NE(dialog, nullptr) << "no dialog from the menu";
        Choose(dialog, t.combo, t.item);
        EXPECT_EQ(PressAndAnswer(dialog, t.set, L"設定完了"), L"Success");
        EXPECT_TRUE(WaitForSimEntry(log, "rx", t.sent, kTimeoutMs));
        expected.push_back(t.sent);
        if (t.set_all) {
            PressButton(dialog, t.set_all);
            if (t.menu == IDM_PAGE_ASSIGNMENT) {
                EXPECT_EQ(AnswerBox(L"本機の確認", IDYES),
                          L"本機が自動切換えでない事を確認してください");
            }
            EXPECT_TRUE(WaitUntil([&] { return !CloseEnabled(dialog); }));
            PressButton(dialog, IDCANCEL);  // Esc and the close box: ignored while it runs
            EXPECT_TRUE(WaitForSimEntry(log, "rx", t.run.back(), kTimeoutMs));
            EXPECT_TRUE(WaitUntil([&] { return CloseEnabled(dialog); })) << "the run ends";
            EXPECT_TRUE(IsWindow(dialog));
            // The last answer comes after the end, except with the page assignment's
            // closing tick.
            if (t.menu != IDM_PAGE_ASSIGNMENT) {
                EXPECT_EQ(AnswerBox(L"設定完了"), L"Success");
            }
            expected.insert(expected.end(), t.run.begin(), t.run.end());
        }
        CloseDialog(dialog);
    }
    EXPECT_EQ(Received(ReadSimLog(log)), expected);
    EXPECT_EQ(FindProcessWindow(program.info.dwProcessId, L"#32770", nullptr), nullptr);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
    EXPECT_EQ(WaitForExit(program, kTimeoutMs), 0u);
}

TEST_F(DisplayProgramTest, DeviceDroppingTheTcpLinkDuringSetAllEndsItWithOneBox) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SimProcess sim;
    ASSERT_TRUE(sim.Start("--tcp-listen 0 --drop-after 2"));
    for (const auto& [key, value] : {std::pair{L"Interface", std::wstring(L"1")},
                                     {L"ClientServer", L"0"},
                                     {L"port_number", std::to_wstring(sim.ListenPort())},
                                     {L"list_count", L"1"},
                                     {L"ip00_0", L"127"},
                                     {L"ip00_1", L"0"},
                                     {L"ip00_2", L"0"},
                                     {L"ip00_3", L"1"},
                                     {L"select_number", L"0"}})
        WritePrivateProfileStringW(L"TVX-5870_Section", key, value.c_str(), L"tvx5870.ini");
    Start(L"TVX-5870 Client Program");
    HWND dialog = Open(IDM_TCPIP_SETTING, L"TCP/IPの設定（Client）");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(PressAndAnswer(dialog, IDC_CLIENT_CONNECT, L"Success"), L"Socket 接続 OK");
    CloseDialog(dialog, IDOK);
    dialog = Open(IDM_DISPLAY_PAGE_SWITCH, L"表示ページ切換え ");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(PressAndAnswer(dialog, IDC_POSITION_SET_0, L"Success"), L"Socket ＯＫ");
    CloseDialog(dialog);

    // The device answers the first step and then closes the connection.
    dialog = Open(IDM_TITLE_DISPLAY, L"タイトル表示の設定 ");
    ASSERT_NE(dialog, nullptr);
    const std::wstring box = PressAndAnswer(dialog, IDC_TITLE_DISPLAY_SET_ALL, L"Error");
    // Seen at the next step's send; a close notice not yet handled then shows up as the
    // missing answer instead.
    EXPECT_TRUE(box == L"Socket が接続されていません" || box == L"Answer が､きません") << box;
    EXPECT_TRUE(WaitUntil([&] { return CloseEnabled(dialog); })) << "the run ends";
    // The remaining steps show nothing more (three periods of 500 ms).
    EXPECT_FALSE(WaitUntil(
        [&] { return FindProcessWindow(program.info.dwProcessId, L"#32770", L"Error"); }, 1500));
    EXPECT_EQ(Received(sim.Log()),
              (Frames{Framed("P01T001"), Framed("CTD01T" + Repeat("N", 144))}));
    CloseDialog(dialog);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);  // the link is down
    EXPECT_EQ(WaitForExit(program, kTimeoutMs), 0u);
}

}  // namespace
}  // namespace tvx::test
