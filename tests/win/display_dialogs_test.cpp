// The six display dialogs in-process over the program's own TCP/IP link to the simulator, each
// opened from its menu row as a user would: a choice and its "設定" reach the device, each
// "全設定" runs to its end at its real period, each preview is drawn and kept as a picture in
// the build folder (TVX_SHOT_DIR). Last, the device drops the link during a "全設定", which
// ends with one box.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/menu_commands_win.h"
#include "link/socket_win.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/expected_text.h"
#include "support/program_fixture_win.h"
#include "support/window_driver_win.h"
#include "tcp_support.h"

namespace tvx::test {
namespace {

using Lines = std::vector<std::string>;

std::string Framed(const std::string& text) {
    return "00" + text + "\r\n";
}

// Copies the control's pixels into a 24-bit bitmap, writes it to path (when not empty) and
// returns how many pixels are not white.
int CapturePixels(HWND control, const std::wstring& path) {
    RECT r;
    GetClientRect(control, &r);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, r.bottom, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = GetDC(control);
    HDC memory = CreateCompatibleDC(dc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const int stride = (r.right * 3 + 3) & ~3;
    const auto* p = static_cast<const unsigned char*>(bits);
    int ink = 0;
    for (int i = 0; i < stride * r.bottom; i += 3) ink += (i % stride) < r.right * 3 && p[i] != 255;
    if (!path.empty()) {
        BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof file + sizeof info.bmiHeader};
        file.bfSize = file.bfOffBits + stride * r.bottom;
        std::ofstream out(std::filesystem::path(path), std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        out.write(static_cast<const char*>(bits), stride * r.bottom);
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(control, dc);
    return ink;
}

// The program's own transports (a socket link to the simulator) instead of the recording link.
class DisplayDialogTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        SetProgramLink(nullptr);
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    void TearDown() override {
        CloseAllSockets(c);
        ProgramTest::TearDown();
    }
};

struct DialogCase {
    int menu;
    int combo, item, set;
    Lines sent;  // by "設定", then by "全設定"
    int set_all = 0, preview = 0;
    const wchar_t* shot = nullptr;
};

TEST_F(DisplayDialogTest, SixDialogsFromTheMenuOverTcpIpThenADeviceDroppingTheLink) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start("--tcp-listen 0 --drop-after 19"));
    c.app.interface_type = 1;
    c.app.read_thread_running = 1;
    const unsigned char host[4] = {127, 0, 0, 1};
    std::memcpy(c.app.host_list[0], host, 4);
    c.app.host_list_count = 1;
    std::snprintf(c.app.tcp_port_text, sizeof c.app.tcp_port_text, "%d", sim.ListenPort());
    ASSERT_TRUE(ConnectToServer(c));
    ASSERT_TRUE(PumpUntil([&] { return c.app.socket_connected == 1; }, 10000));
    prompts.calls.clear();  // "Socket 接続 OK"
    auto received = [&] {
        Lines frames;
        for (const SimLogEntry& e : EntriesOf(sim.Log(), "rx")) frames.push_back(e.bytes);
        return frames;
    };
    const std::wstring shots = WinePathFromEnv("TVX_SHOT_DIR");
    if (!shots.empty()) CreateDirectoryW(shots.c_str(), nullptr);

    const std::string on = Repeat("N", 144), two = Repeat("02", 144);
    const std::string titles = ThreeDigitRun(1, 144),
                      pp = Framed("PP01T144" + ThreeDigitRun(2, 144));
    const std::string ast = Framed("AST01T09" + Repeat("02", 143)),
                      ctd = Framed("CTD01T" + Repeat("F", 144));
    // clang-format off
    const DialogCase cases[] = {
        {IDM_DISPLAY_PAGE_SWITCH, IDC_POSITION_LIST_3, 144, IDC_POSITION_SET_3, {Framed("P02BAS")}},
        {IDM_STARTUP_SETTING, IDC_POSITION_LIST_1, 144, IDC_POSITION_SET_1, {Framed("SUS01BAS")}},
        {IDM_POSITION_ADJUST, IDC_POSITION_LIST_3, 15, IDC_POSITION_SET_3, {Framed("CTDPO02B15")}},
        // Page 1 of ch.1 Top shows title 144, then for 9 seconds; "Same Display" "OFF" turns
        // every page of ch.1 Top off.
        {IDM_PAGE_ASSIGNMENT, IDC_ASSIGNMENT_TITLE, 143, IDC_ASSIGNMENT_SET,
         {pp, pp, Framed("PP01B" + titles), Framed("PP02T" + titles), Framed("PP02B" + titles)},
         IDC_ASSIGNMENT_SET_ALL, IDC_ASSIGNMENT_PREVIEW, L"page-assignment-preview"},
        {IDM_AUTO_SWITCHING, IDC_AUTO_SWITCHING_TIME, 9, IDC_AUTO_SWITCHING_SET,
         {ast, ast, Framed("AST01B" + two), Framed("AST02T" + two), Framed("AST02B" + two)},
         IDC_AUTO_SWITCHING_SET_ALL, IDC_AUTO_SWITCHING_PREVIEW, L"auto-switching-preview"},
        {IDM_TITLE_DISPLAY, IDC_TITLE_DISPLAY_SAME, 0, IDC_TITLE_DISPLAY_SET,
         {ctd, ctd, Framed("CTD01B" + on), Framed("CTD02T" + on), Framed("CTD02B" + on)},
         IDC_TITLE_DISPLAY_SET_ALL, IDC_TITLE_DISPLAY_PREVIEW, L"title-display-preview"}};
    // clang-format on
    Lines expected;
    for (const DialogCase& t : cases) {
        SCOPED_TRACE(t.menu);
        ASSERT_TRUE(DriveModalDialog(
            [&] { RunMenuCommand(nullptr, t.menu); },
            [&](HWND d) {
                SelectComboItem(d, t.combo, t.item);
                const size_t boxes = prompts.calls.size();
                ClickButton(d, t.set);
                EXPECT_TRUE(PumpUntil([&] { return prompts.calls.size() > boxes; }, 5000));
                if (t.set_all) {
                    ClickButton(d, t.set_all);
                    ClickButton(d, IDCANCEL);  // ignored while the run goes on
                    EXPECT_TRUE(IsWindowVisible(d));
                    EXPECT_TRUE(
                        PumpUntil([&] { return IsWindowEnabled(GetDlgItem(d, IDCANCEL)); }, 20000))
                        << "the run ends";
                }
                if (!t.preview) return;
                HWND preview = GetDlgItem(d, t.preview);
                PumpUntil([&] { return CapturePixels(preview, L"") > 0; }, 5000);
                const std::wstring path = shots + L"\\" + t.shot + L".bmp";
                EXPECT_GT(CapturePixels(preview, shots.empty() ? L"" : path), 0)
                    << "the preview is drawn";
            }));
        expected.insert(expected.end(), t.sent.begin(), t.sent.end());
        EXPECT_EQ(received(), expected);
    }
    // Each "設定" answered, and the last answer of the two runs without a closing tick.
    EXPECT_EQ(std::count(prompts.calls.begin(), prompts.calls.end(), "success: Socket ＯＫ"), 8);
    EXPECT_EQ(prompts.calls.size(), 9u);  // and the page assignment's confirmation
    prompts.calls.clear();

    // The device answers the first command of this run, then closes the connection.
    ASSERT_TRUE(DriveModalDialog(
        [&] { RunMenuCommand(nullptr, IDM_TITLE_DISPLAY); },
        [&](HWND d) {
            ClickButton(d, IDC_TITLE_DISPLAY_SET_ALL);
            EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(GetDlgItem(d, IDCANCEL)); }, 10000))
                << "the run ends";
            PumpMessages(1500);  // the rest of the run's periods: no more boxes
        }));
    // The next step finds the link gone (or, with the close notice still queued, no answer).
    ASSERT_EQ(prompts.calls.size(), 1u) << "one box, for the rest of the run too";
    EXPECT_TRUE(prompts.calls[0] == "error(exclamation): Socket が接続されていません" ||
                prompts.calls[0] == "error(exclamation): Answer が､きません")
        << prompts.calls[0];
    EXPECT_EQ(c.app.socket_connected, 0);
    expected.push_back(ctd);
    EXPECT_EQ(received(), expected);
}

}  // namespace
}  // namespace tvx::test
