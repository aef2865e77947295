// The real tvx5870.exe driven from outside like a user: the main window, the double start, a
// setting sent on COM1 to the simulator with its acknowledgement box, and the exit.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "res/resource.h"
#include "support/sim_log.h"
#include "support/window_driver_win.h"

namespace tvx::test {
namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kBoxTimeoutMs = 10000;

class SmokeTest : public ::testing::Test {
  protected:
    virtual void BeforeStart() {}
    void SetUp() override {
        BeforeStart();
        exe = WinePathFromEnv("TVX_PROGRAM");
        sim_log = WinePathFromEnv("TVX_SIM_LOG");
        ASSERT_FALSE(exe.empty()) << "TVX_PROGRAM names tvx5870.exe";
        ASSERT_TRUE(StartProgram(exe, L"", first)) << "cannot start tvx5870.exe";
        main = WaitForWindow(first.info.dwProcessId, L"TCP Server", nullptr, kStartTimeoutMs);
        ASSERT_NE(main, nullptr) << "no main window";
    }
    void TearDown() override {
        StopProgram(second);
        StopProgram(first);
    }

    // Any box with caption "Error" that the start-up left (a COM port the pty refused).
    std::wstring DismissErrorBoxes() {
        std::wstring texts;
        while (HWND box = FindProcessWindow(first.info.dwProcessId, L"#32770", L"Error")) {
            texts += MessageBoxText(box) + L";";
            PressButton(box, IDOK);
            WaitForWindowGone(box, kBoxTimeoutMs);
        }
        return texts;
    }

    std::wstring exe, sim_log;
    RunningProgram first, second;
    HWND main = nullptr;
};

TEST_F(SmokeTest, StartsRefusesASecondCopySendsASettingAndExits) {
    wchar_t title[64] = {};
    GetWindowTextW(main, title, 64);
    EXPECT_STREQ(title, L"TVX-5870 Client Program");
    EXPECT_TRUE(IsIconic(main)) << "the program starts minimized";
    Sleep(500);
    EXPECT_EQ(DismissErrorBoxes(), L"") << "COM1 opened without complaint";

    // A second copy shows its box, ends with 0 and leaves the first alone.
    ASSERT_TRUE(StartProgram(exe, L"", second));
    HWND box = WaitForWindow(second.info.dwProcessId, L"#32770", L"TVX-5870", kStartTimeoutMs);
    ASSERT_NE(box, nullptr) << "no double-start box";
    EXPECT_EQ(MessageBoxText(box), L"２重に起動はできません");
    EXPECT_EQ(FindProcessWindow(second.info.dwProcessId, L"TCP Server", nullptr), nullptr);
    PressButton(box, IDOK);
    EXPECT_EQ(WaitForExit(second, kBoxTimeoutMs), 0u);
    EXPECT_TRUE(IsWindow(main));

    // "文字レベルの設定": level 3 for White Level, "設定", the device answers GO.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_CHARACTER_LEVEL, 0), 0);
    HWND dialog = WaitForWindow(first.info.dwProcessId, L"#32770", nullptr, kBoxTimeoutMs);
    ASSERT_NE(dialog, nullptr) << "no character level dialog";
    wchar_t dialog_title[64] = {};
    GetWindowTextW(dialog, dialog_title, 64);
    EXPECT_EQ(std::wstring(dialog_title).rfind(L"文字レベルの設定", 0), 0u) << dialog_title;
    HWND white = GetDlgItem(dialog, 1058);
    SendMessageW(white, CB_SETCURSEL, 3, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1058, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(white));
    PostMessageW(GetDlgItem(dialog, 1006), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitForSimEntry(sim_log, "rx", "00CWL3\r\n", kBoxTimeoutMs))
        << "the simulator did not receive 00CWL3 CR LF";
    HWND done = WaitForWindow(first.info.dwProcessId, L"#32770", L"設定完了", kBoxTimeoutMs);
    ASSERT_NE(done, nullptr) << "no acknowledgement box";
    EXPECT_EQ(MessageBoxText(done), L"Success");
    PressButton(done, IDOK);
    EXPECT_TRUE(WaitForWindowGone(done, kBoxTimeoutMs));
    PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(dialog, kBoxTimeoutMs));

    // The information dialog opens from the menu and closes again.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_VERSION_INFO, 0), 0);
    HWND version = WaitForWindow(first.info.dwProcessId, L"#32770", nullptr, kBoxTimeoutMs);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(GetWindow(version, GW_OWNER), main);
    PressButton(version, IDOK);
    EXPECT_TRUE(WaitForWindowGone(version, kBoxTimeoutMs));

    // Exit from the File menu: no question (nothing modified), exit code 0.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
    EXPECT_EQ(WaitForExit(first, kBoxTimeoutMs), 0u);
}

// The configuration file in the Windows folder says: TCP/IP, server role.
class ServerSmokeTest : public SmokeTest {
  protected:
    void BeforeStart() override {
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"TVX-5870_Section", L"Interface", L"1", L"tvx5870.ini"));
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"TVX-5870_Section", L"ClientServer", L"1", L"tvx5870.ini"));
    }
    void TearDown() override {
        SmokeTest::TearDown();
        wchar_t windows_dir[MAX_PATH] = {};
        GetWindowsDirectoryW(windows_dir, MAX_PATH);
        DeleteFileW((std::wstring(windows_dir) + L"\\tvx5870.ini").c_str());
    }
};

TEST_F(ServerSmokeTest, TitlesItselfServerAndAsksForRs232cForTheSlaveAddress) {
    // The window is made before the configuration is read, then titled by the role read.
    EXPECT_EQ(WaitForWindow(first.info.dwProcessId, L"TCP Server", L"TVX-5870 Server Program",
                            kBoxTimeoutMs),
              main);
    Sleep(500);
    EXPECT_EQ(FindProcessWindow(first.info.dwProcessId, L"#32770", nullptr), nullptr)
        << "nothing is opened with TCP/IP";

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_DEVICE_SLAVE_ADDRESS, 0), 0);
    HWND box = WaitForWindow(first.info.dwProcessId, L"#32770", L"Error", kBoxTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"インターフェイスをRS-232Cにしてください。");
    PressButton(box, IDOK);
    EXPECT_TRUE(WaitForWindowGone(box, kBoxTimeoutMs));

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(first, kBoxTimeoutMs), 0u);
}

}  // namespace
}  // namespace tvx::test
