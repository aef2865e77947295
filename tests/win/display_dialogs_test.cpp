// The six display dialogs in-process, opened from their menu rows: the real templates (title,
// size, font, controls and items) and, for the three with a preview, the preview drawn after
// opening, kept as a picture in the build folder (TVX_SHOT_DIR).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/menu_commands_win.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "support/window_driver_win.h"

namespace tvx::test {
namespace {

class DisplayDialogTest : public ProgramTest {};

struct Combo {
    int id;
    int items;
    const wchar_t* first;
    const wchar_t* last;
};

struct Template {
    int menu;
    const wchar_t* caption;
    int width, height;  // dialog units
    std::vector<Combo> combos;
    std::vector<std::pair<int, const wchar_t*>> buttons;
    int preview;  // 0: none
    const char* shot;
};

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
        BITMAPFILEHEADER file = {0x4D42, 0, 0, 0,
                                 sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
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

TEST_F(DisplayDialogTest, EachOpensFromItsMenuRowWithItsTemplate) {
    const Combo channel = {IDC_GRID_CHANNEL, 4, L"ch.1 Top", L"ch.2 Bottom"};
    const Combo page = {IDC_GRID_PAGE, 144, L"001", L"144"};
    const Combo slave = {IDC_SLAVE_ADDRESS, 33, L"00", L"Bloadcast"};
    auto lists = [&](int items, const wchar_t* last) {
        std::vector<Combo> c = {slave};
        for (int id :
             {IDC_POSITION_LIST_0, IDC_POSITION_LIST_1, IDC_POSITION_LIST_2, IDC_POSITION_LIST_3})
            c.push_back({id, items, items == 16 ? L"00" : L"001", last});
        return c;
    };
    const std::vector<std::pair<int, const wchar_t*>> four_sets = {{IDC_POSITION_SET_0, L"設定"},
                                                                   {IDC_POSITION_SET_1, L"設定"},
                                                                   {IDC_POSITION_SET_2, L"設定"},
                                                                   {IDC_POSITION_SET_3, L"設定"}};
    const Template templates[] = {
        {IDM_TITLE_DISPLAY,
         L"タイトル表示の設定",
         371,
         180,
         {channel,
          page,
          slave,
          {IDC_TITLE_DISPLAY_FLAG, 2, L"OFF", L"ON "},
          {IDC_TITLE_DISPLAY_SAME, 2, L"OFF", L"ON "}},
         {{IDC_TITLE_DISPLAY_SET, L"設定"}, {IDC_TITLE_DISPLAY_SET_ALL, L"全設定"}},
         IDC_TITLE_DISPLAY_PREVIEW,
         "title-display-preview"},
        {IDM_PAGE_ASSIGNMENT,
         L"表示ページ割り付け",
         361,
         188,
         {channel, page, slave, {IDC_ASSIGNMENT_TITLE, 144, L"001", L"144"}},
         {{IDC_ASSIGNMENT_SET, L"設定"}, {IDC_ASSIGNMENT_SET_ALL, L"全設定"}},
         IDC_ASSIGNMENT_PREVIEW,
         "page-assignment-preview"},
        {IDM_AUTO_SWITCHING,
         L"自動切換えの設定",
         375,
         180,
         {channel,
          page,
          slave,
          {IDC_AUTO_SWITCHING_TIME, 100, L"00", L"99"},
          {IDC_AUTO_SWITCHING_SAME, 100, L"00", L"99"}},
         {{IDC_AUTO_SWITCHING_SET, L"設定"}, {IDC_AUTO_SWITCHING_SET_ALL, L"全設定"}},
         IDC_AUTO_SWITCHING_PREVIEW,
         "auto-switching-preview"},
        {IDM_DISPLAY_PAGE_SWITCH, L"表示ページ切換え", 231, 152, lists(145, L"AUTO"), four_sets, 0,
         nullptr},
        {IDM_STARTUP_SETTING, L"スタートアップの設定", 231, 154, lists(145, L"AUTO"), four_sets, 0,
         nullptr},
        {IDM_POSITION_ADJUST, L"表示位置微調整", 246, 146, lists(16, L"15"), four_sets, 0, nullptr},
    };
    const std::wstring shots = WinePathFromEnv("TVX_SHOT_DIR");
    if (!shots.empty()) CreateDirectoryW(shots.c_str(), nullptr);
    c.app.selected_connection = -1;  // the template titles
    for (const Template& t : templates) {
        SCOPED_TRACE(t.menu);
        c.app.address_prefix_on = 0;
        ASSERT_TRUE(DriveModalDialog(
            [&] { RunMenuCommand(nullptr, t.menu); },
            [&](HWND d) {
                EXPECT_EQ(ControlText(d, 0), t.caption);
                RECT wanted = {0, 0, t.width, t.height}, client;
                MapDialogRect(d, &wanted);
                GetClientRect(d, &client);
                EXPECT_EQ(client.right, wanted.right);
                EXPECT_EQ(client.bottom, wanted.bottom);
                EXPECT_EQ(c.app.address_prefix_on, 1);
                for (const Combo& combo : t.combos) {
                    std::vector<std::wstring> items = ComboItems(d, combo.id);
                    ASSERT_EQ(items.size(), static_cast<size_t>(combo.items)) << combo.id;
                    EXPECT_EQ(items.front(), combo.first) << combo.id;
                    EXPECT_EQ(items.back(), combo.last) << combo.id;
                }
                for (const auto& [id, text] : t.buttons) EXPECT_EQ(ControlText(d, id), text) << id;
                EXPECT_EQ(ControlText(d, IDCANCEL), L"Close");
                if (!t.preview) return;
                HWND preview = GetDlgItem(d, t.preview);
                const DWORD end = GetTickCount() + 5000;
                while (CapturePixels(preview, L"") == 0 && GetTickCount() < end) PumpMessages(50);
                // One picture per system code page (932 or 1252).
                const std::wstring shot =
                    shots.empty() ? L""
                                  : shots + L"\\" + std::wstring(t.shot, t.shot + strlen(t.shot)) +
                                        L"-" + std::to_wstring(GetACP()) + L".bmp";
                EXPECT_GT(CapturePixels(preview, shot), 0) << "the preview is drawn after opening";
            }));
    }
    EXPECT_TRUE(link.serial_writes.empty());
    EXPECT_TRUE(prompts.calls.empty());
}

}  // namespace
}  // namespace tvx::test
