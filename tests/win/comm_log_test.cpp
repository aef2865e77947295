// The communication log in the program, in-process, against the simulator on COM1: a "設定" of
// the character level dialog shows in the window "通信ログ" (opened from the menu, modeless, open
// while the dialog runs) and in the day file under %LOCALAPPDATA%; "コピー" gives the same lines,
// "クリア" empties the list, and the window's place goes into the configuration file.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/menu_commands_win.h"
#include "dialogs/comm_log_win.h"
#include "link/serial_win.h"
#include "model/comm_log.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "support/serial_support_win.h"
#include "support/sim_log.h"
#include "winbase/text_win.h"

namespace tvx::test {
namespace {

using Texts = std::vector<std::string>;

// The rows of the list as the window shows them: the six columns joined with " | ".
Texts Rows(HWND window) {
    HWND list = GetDlgItem(window, IDC_LOG_LIST);
    Texts rows;
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row) {
        std::string text;
        for (int column = 0; column < 6; ++column) {
            wchar_t cell[1024] = {};
            ListView_GetItemText(list, row, column, cell, 1024);
            text += (column ? " | " : "") + WideToUtf8(cell);
        }
        rows.push_back(text);
    }
    return rows;
}

std::string Clipboard() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = WideToUtf8(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::string ReadDiskFile(const std::string& path) {
    std::ifstream in(Utf8ToWide(path).c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The lines of a log text without their time stamps (23 characters and a blank).
Texts Untimed(const std::string& text) {
    Texts lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 24) lines.push_back(line.substr(24));
    }
    return lines;
}

class CommLogTest : public ProgramTest {
  protected:
    static void SetUpTestSuite() { main_ = StartMainWindowAndLink(started_quietly_); }
    static void TearDownTestSuite() { StopMainWindowAndLink(main_); }
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(main_ && started_quietly_);
        SetProgramLink(nullptr);  // the real COM port
        SetProgramIniStore(&ini);
    }
    void TearDown() override {
        CloseCommLogWindow();
        SetProgramIniStore(nullptr);
        ProgramTest::TearDown();
    }
    MemoryIniStore ini;
    static HWND main_;
    static bool started_quietly_;
};
HWND CommLogTest::main_ = nullptr;
bool CommLogTest::started_quietly_ = false;

TEST_F(CommLogTest, ASettingShowsInTheWindowAndInTheDayFile) {
    ini.values["TVX-5870_Section/log_window_left"] = "40";
    ini.values["TVX-5870_Section/log_window_top"] = "30";
    ini.values["TVX-5870_Section/log_window_width"] = "700";
    ini.values["TVX-5870_Section/log_window_height"] = "320";
    RunMenuCommand(main_, IDM_COMM_LOG);
    HWND window = CommLogWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowTextOf(window), L"通信ログ");
    RECT place;
    GetWindowRect(window, &place);
    EXPECT_EQ((std::vector<long>{place.left, place.top, place.right - place.left,
                                 place.bottom - place.top}),
              (std::vector<long>{40, 30, 700, 320}));
    PumpMessages(100);
    const Texts opened = Rows(window);
    ASSERT_FALSE(opened.empty());
    EXPECT_NE(opened[0].find(" | COM1 |  | 回線 | port opened | "), std::string::npos) << opened[0];

    // The log window stays usable while the modal dialog runs.
    ASSERT_TRUE(DriveModalDialog([] { RunMenuCommand(nullptr, IDM_CHARACTER_LEVEL); },
                                 [&](HWND dialog) {
                                     EXPECT_TRUE(IsWindowEnabled(window));
                                     SelectComboItem(dialog, IDC_WHITE_LEVEL, 2);
                                     ClickButton(dialog, IDC_WHITE_LEVEL_SET);
                                     EXPECT_TRUE(PumpUntil(
                                         [&] { return prompts.calls.size() == 1; }, 5000));
                                     ClickButton(dialog, IDCANCEL);
                                 }));
    EXPECT_EQ(SimFrames("rx").back(), "00CWL2\r\n");
    PumpMessages(200);
    const Texts rows = Rows(window);
    ASSERT_GE(rows.size(), 3u);
    // Rows: time (hh:mm:ss.mmm) | link | address | kind | data | meaning.
    EXPECT_EQ(rows[rows.size() - 2].substr(12), " | COM1 | 00 | 送信 | 00CWL2\\r\\n | ");
    EXPECT_EQ(rows.back().substr(12), " | COM1 | 00 | 受信 | 00GO\\r\\n | 了解");
    // Newest at the bottom, and in view.
    HWND list = GetDlgItem(window, IDC_LOG_LIST);
    const int last = static_cast<int>(rows.size()) - 1;
    EXPECT_GE(ListView_GetTopIndex(list) + ListView_GetCountPerPage(list), last);

    const std::string day_file = CommLogFolder() + DayFileName(LocalLogTime());
    const std::string disk = ReadDiskFile(day_file);
    ASSERT_EQ(disk.substr(0, 3), "\xEF\xBB\xBF") << day_file;
    const Texts lines = Untimed(disk.substr(3));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "COM1            -- 回線 port opened");
    EXPECT_EQ(Texts(lines.end() - 2, lines.end()),
              (Texts{"COM1            00 送信 00CWL2\\r\\n",
                     "COM1            00 受信 00GO\\r\\n => 了解"}));
    EXPECT_EQ(ControlText(window, IDC_LOG_STATUS), L"ファイル: " + Utf8ToWide(CommLogFolder()));
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_LOG_TO_FILES), BST_CHECKED);

    // "コピー": the selected rows as the day file has them, date and time included.
    ListView_SetItemState(list, last - 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, last, LVIS_SELECTED, LVIS_SELECTED);
    ClickButton(window, IDC_LOG_COPY);
    const std::string copied = Clipboard();
    EXPECT_EQ(Untimed(copied), (Texts{"COM1            00 送信 00CWL2\\r\\n",
                                      "COM1            00 受信 00GO\\r\\n => 了解"}));
    EXPECT_NE(disk.find(copied), std::string::npos) << copied;

    // "クリア" empties the window, not the file.
    ClickButton(window, IDC_LOG_CLEAR);
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_EQ(ReadDiskFile(day_file), disk);

    // Moved, then closed: its place is kept.
    SetWindowPos(window, nullptr, 60, 50, 640, 300, SWP_NOZORDER);
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(CommLogWindow(), nullptr);
    EXPECT_EQ(ini.values["TVX-5870_Section/log_window_left"], "60");
    EXPECT_EQ(ini.values["TVX-5870_Section/log_window_top"], "50");
    EXPECT_EQ(ini.values["TVX-5870_Section/log_window_width"], "640");
    EXPECT_EQ(ini.values["TVX-5870_Section/log_window_height"], "300");
}

}  // namespace
}  // namespace tvx::test
