// The real tvx5870.exe with its remote interface switched on in the dialog "リモート制御",
// driven from outside: a page switch sent from Linux reaches the simulator on COM1 as its frame
// and is answered after the device's GO; a request from a host that is not allowed is refused
// and logged; the dialog's settings, the token included, are there again after a restart.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "res/resource.h"
#include "support/sim_log.h"
#include "support/window_driver_win.h"
#include "tcp_support.h"
#include "winbase/text_win.h"

namespace tvx::test {
namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kWaitMs = 15000;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A control's text in the other process.
std::wstring TextOf(HWND control) {
    wchar_t text[256] = {};
    SendMessageW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

bool Checked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

class RemoteProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        exe = WinePathFromEnv("TVX_PROGRAM");
        sim_log = WinePathFromEnv("TVX_SIM_LOG");
        work = Env("TVX_WORK_DIR");
        client = Env("TVX_HTTP_CLIENT");
        ASSERT_FALSE(exe.empty() || work.empty() || client.empty());
        port = FreeTcpPort();
        Start();
    }
    void TearDown() override { StopProgram(program); }

    void Start() {
        ASSERT_TRUE(StartProgram(exe, L"", program));
        main = WaitForWindow(Pid(), L"TCP Server", nullptr, kStartTimeoutMs);
        ASSERT_NE(main, nullptr);
        // Wine's pty takes its line settings only at the first opening (see DESIGN.md).
        if (HWND box = WaitForWindow(Pid(), L"#32770", L"Error", 2000)) {
            EXPECT_EQ(MessageBoxText(box), L"Miss! Set Comm State");
            PressButton(box, IDOK);
            ASSERT_TRUE(WaitForWindowGone(box, kWaitMs));
        }
    }
    void Exit() {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
        ASSERT_EQ(WaitForExit(program, kWaitMs), 0u);
        StopProgram(program);
    }
    DWORD Pid() const { return program.info.dwProcessId; }
    HWND OpenDialog() {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_REMOTE_CONTROL, 0), 0);
        return WaitForWindow(Pid(), L"#32770", L"リモート制御", kWaitMs);
    }

    // One request from Linux: its status and answer ("none" when the host has no address
    // besides loopback).
    std::string Ask(const std::string& method, const std::string& host, const std::string& path,
                    const std::string& body = "") {
        const std::string out = work + "/answer" + std::to_string(++asked);
        std::string body_arg = "''";
        if (!body.empty()) {
            WriteFileText(WinPathOf(out + ".body"), body);
            body_arg = "@" + out + ".body";
        }
        EXPECT_TRUE(RunShell("python3 " + client + " " + out + " " + method + " http://" + host +
                             ":" + std::to_string(port) + path + " " + body_arg + " " + token));
        std::string answer;
        PumpUntil(
            [&] {
                HANDLE f = CreateFileW(WinPathOf(out).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
                if (f == INVALID_HANDLE_VALUE) return false;
                char buffer[8192];
                DWORD got = 0;
                ReadFile(f, buffer, sizeof buffer, &got, nullptr);
                CloseHandle(f);
                answer.assign(buffer, got);
                return true;
            },
            kWaitMs);
        return answer;
    }

    std::wstring exe, sim_log;
    std::string work, client, token;
    int port = 0;
    int asked = 0;
    RunningProgram program;
    HWND main = nullptr;
};

TEST_F(RemoteProgram, ServesLinuxRefusesOtherHostsAndKeepsItsSettings) {
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(Checked(dialog, IDC_REMOTE_ENABLED));  // off until switched on
    PostMessageW(GetDlgItem(dialog, IDC_REMOTE_ENABLED), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, IDC_REMOTE_PORT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(std::to_wstring(port).c_str()));
    SendMessageW(GetDlgItem(dialog, IDC_REMOTE_HOSTS), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"203.0.113.0/24"));
    // Every address: a token is made, as other hosts need one.
    SendMessageW(GetDlgItem(dialog, IDC_REMOTE_EVERY_ADDRESS), BM_CLICK, 0, 0);
    const std::wstring shown_token = TextOf(GetDlgItem(dialog, IDC_REMOTE_TOKEN));
    ASSERT_EQ(shown_token.size(), 64u);
    token = WideToUtf8(shown_token);
    PressButton(dialog, IDOK);
    ASSERT_TRUE(WaitForWindowGone(dialog, kWaitMs));

    EXPECT_EQ(Ask("PUT", "127.0.0.1", "/api/v1/positions/ch1-top/page", R"({"page": 3})"),
              "200\n"
              R"({"key":"display_page.ch1-top","name":"表示ページ ch.1 Top","reply":"GO",)"
              R"("shown":"003","value":3})");
    EXPECT_TRUE(WaitForSimEntry(sim_log, "rx", "00P01T003\r\n", kWaitMs));
    EXPECT_EQ(FindProcessWindow(Pid(), L"#32770", nullptr), nullptr) << "no box for a request";

    const std::string other = Ask("GET", "this-host", "/api/v1/state");
    if (other != "none\n") {
        EXPECT_EQ(other.substr(0, 4), "403\n");
        const std::string log = Ask("GET", "127.0.0.1", "/api/v1/log");
        EXPECT_NE(log.find(R"("meaning":"not an allowed host","text":"refused connection")"),
                  std::string::npos)
            << log;
    }
    EXPECT_EQ(EntriesOf(ReadSimLog(sim_log), "rx").size(), 1u) << "one frame, nothing more";

    Exit();
    Start();
    dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(Checked(dialog, IDC_REMOTE_ENABLED));
    EXPECT_TRUE(Checked(dialog, IDC_REMOTE_EVERY_ADDRESS));
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_REMOTE_PORT)), std::to_wstring(port));
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_REMOTE_HOSTS)), L"203.0.113.0/24");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_REMOTE_TOKEN)), shown_token);
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_REMOTE_STATE)),
              L"待ち受け中: http://0.0.0.0:" + std::to_wstring(port) + L"/api/v1/");
    PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(dialog, kWaitMs));
    EXPECT_EQ(Ask("GET", "127.0.0.1", "/api/v1/state").substr(0, 4), "200\n");
    Exit();
}

}  // namespace
}  // namespace tvx::test
