// The real tvx5870.exe over TCP/IP, driven from outside like a user: the configuration file
// chooses the role, the connection dialog opens the link, the character level dialog sends a
// setting to the simulator and the real message boxes report it; closing is refused while
// connected, and the program ends after "切断".
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "res/resource.h"
#include "support/window_driver_win.h"
#include "tcp_support.h"

namespace tvx::test {
namespace {

constexpr DWORD kTimeoutMs = 20000;

const int kTestWinsock = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}();

void WriteKey(const wchar_t* key, const std::wstring& value) {
    WritePrivateProfileStringW(L"TVX-5870_Section", key, value.c_str(), L"tvx5870.ini");
}

std::wstring ReadKey(const wchar_t* key) {
    wchar_t value[32] = {};
    GetPrivateProfileStringW(L"TVX-5870_Section", key, L"", value, 32, L"tvx5870.ini");
    return value;
}

std::wstring TextOf(HWND window) {
    wchar_t text[128] = {};
    SendMessageW(window, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
    return text;
}

class TcpProgramTest : public ::testing::Test {
  protected:
    void TearDown() override { StopProgram(program); }

    void Start(const wchar_t* title) {
        std::wstring exe = WinePathFromEnv("TVX_PROGRAM");
        ASSERT_FALSE(exe.empty());
        ASSERT_TRUE(StartProgram(exe, L"", program));
        main = WaitForWindow(program.info.dwProcessId, L"TCP Server", title, kTimeoutMs);
        ASSERT_NE(main, nullptr) << "no main window titled as the role";
    }
    HWND OpenFromMenu(int command, const wchar_t* title) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return WaitForWindow(program.info.dwProcessId, L"#32770", title, kTimeoutMs);
    }
    // The box with this caption: its text, after pressing OK.
    std::wstring AnswerBox(const wchar_t* caption) {
        HWND box = WaitForWindow(program.info.dwProcessId, L"#32770", caption, kTimeoutMs);
        if (!box) return L"<no box>";
        std::wstring text = MessageBoxText(box);
        PressButton(box, IDOK);
        WaitForWindowGone(box, kTimeoutMs);
        return text;
    }
    void Close(HWND dialog, int button) {
        PressButton(dialog, button);
        EXPECT_TRUE(WaitForWindowGone(dialog, kTimeoutMs));
    }
    void SendWhiteLevel(const wchar_t* dialog_title) {
        HWND level = OpenFromMenu(IDM_CHARACTER_LEVEL, dialog_title);
        ASSERT_NE(level, nullptr) << "no character level dialog with that title";
        PressButton(level, IDC_WHITE_LEVEL_SET);
        EXPECT_EQ(AnswerBox(L"Success"), L"Socket ＯＫ");
        Close(level, IDCANCEL);
    }
    void ExitRefusedWhileConnected() {
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(AnswerBox(L"Error"), L"TCP/IPを切断してください。");
        EXPECT_TRUE(IsWindow(main));
    }
    void ExitThroughTheMenu() {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
        EXPECT_EQ(WaitForExit(program, kTimeoutMs), 0u);
    }

    RunningProgram program;
    HWND main = nullptr;
};

TEST_F(TcpProgramTest, ClientRoleConnectsSendsAndDisconnects) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start("--tcp-listen 0"));
    const std::wstring port = std::to_wstring(sim.ListenPort());
    WriteKey(L"Interface", L"1");
    WriteKey(L"ClientServer", L"0");
    WriteKey(L"port_number", port);
    WriteKey(L"list_count", L"1");
    WriteKey(L"ip00_0", L"127");
    WriteKey(L"ip00_1", L"0");
    WriteKey(L"ip00_2", L"0");
    WriteKey(L"ip00_3", L"1");
    WriteKey(L"select_number", L"0");
    Start(L"TVX-5870 Client Program");

    HWND dialog = OpenFromMenu(IDM_TCPIP_SETTING, L"TCP/IPの設定（Client）");
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDC_CLIENT_CONNECT);
    EXPECT_EQ(AnswerBox(L"Success"), L"Socket 接続 OK");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CLIENT_CONNECT)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CLIENT_DISCONNECT)));
    Close(dialog, IDOK);

    SendWhiteLevel(L"文字レベルの設定 ");
    std::vector<SimLogEntry> rx = EntriesOf(sim.Log(), "rx");
    ASSERT_EQ(rx.size(), 1u);
    EXPECT_EQ(rx[0].bytes, "00CWL1\r\n");

    ExitRefusedWhileConnected();
    dialog = OpenFromMenu(IDM_TCPIP_SETTING, L"TCP/IPの設定（Client）");
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDC_CLIENT_DISCONNECT);
    EXPECT_EQ(AnswerBox(L"Success"), L"Socket 切断 OK");
    Close(dialog, IDOK);
    ExitThroughTheMenu();
    EXPECT_EQ(ReadKey(L"port_number"), port) << "stored on closing the dialog";
}

TEST_F(TcpProgramTest, ServerRoleListsDevicesAndTalksToTheChosenOne) {
    const int port = FreeTcpPort();
    WriteKey(L"Interface", L"1");
    WriteKey(L"ClientServer", L"1");
    WriteKey(L"port_number", std::to_wstring(port));
    Start(L"TVX-5870 Server Program");

    HWND dialog = OpenFromMenu(IDM_TCPIP_SETTING, L"TCP/IPの設定（Server）");
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);  // "接続": listen
    SimProcess sim;
    ASSERT_TRUE(sim.Start("--tcp-connect 127.0.0.1:" + std::to_string(port) + " --count 3"));
    HWND list = GetDlgItem(dialog, IDC_SERVER_CLIENT_LIST);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 3; }, kTimeoutMs));
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SERVER_CLIENT_LIST, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_SERVER_PLACE)), L"127.0.0.1");
    Close(dialog, IDCANCEL);

    SendWhiteLevel(L"文字レベルの設定 127.0.0.1");
    std::vector<SimLogEntry> rx = EntriesOf(sim.Log(), "rx");
    ASSERT_EQ(rx.size(), 1u);
    EXPECT_EQ(rx[0].bytes, "00CWL1\r\n");

    ExitRefusedWhileConnected();
    dialog = OpenFromMenu(IDM_TCPIP_SETTING, L"TCP/IPの設定（Server）");
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDC_SERVER_DISCONNECT);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 0; }, kTimeoutMs));
    Close(dialog, IDCANCEL);
    ExitThroughTheMenu();
}

}  // namespace
}  // namespace tvx::test
